// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/wave_check.h"

#include <cstdint>
#include <cstring>

#include "sound/wave_layout.h"

namespace quintora {

std::optional<std::string> 調査_波形(const unsigned char* bytes, std::size_t size) {
    if (size == 0) return "ファイルが空です。";
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return "RIFF/WAVE形式のファイルではありません。";
    const std::uint64_t stated = wave::le32(bytes + 4);
    if (stated + 8 > size) return "ファイルが途中で切れています（ヘッダーの長さがファイルより長い）。";
    // The chunks the decoder will read, judged as it reads them.
    switch (wave::walk(bytes, static_cast<std::size_t>(stated + 8)).fault) {
    case wave::Fault::none: return std::nullopt;
    case wave::Fault::chunk_past_end: return "ファイルが壊れています（チャンクの長さがファイルより長い）。";
    case wave::Fault::no_format: return "音の形式（fmt チャンク）が音のデータより前にありません。";
    case wave::Fault::format_twice: return "音の形式（fmt チャンク）が二つ以上あります。";
    case wave::Fault::format_after_data: return "音の形式（fmt チャンク）が音のデータより後にあります。";
    case wave::Fault::bad_format: return "音の形式（fmt チャンク）が正しくありません。";
    case wave::Fault::no_data: return "音のデータ（data チャンク）がありません。";
    case wave::Fault::data_twice: return "音のデータ（data チャンク）が二つ以上あります。";
    case wave::Fault::unplayable: return "再生できない形式の音声ファイルです。";
    }
    return "RIFF/WAVE形式のファイルではありません。";
}

}  // namespace quintora
