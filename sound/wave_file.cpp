// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/wave_file.h"

namespace quintora {

std::optional<std::string> wave_read_fault(const WholeRead& read) {
    using R = WholeRead::Result;
    switch (read.result) {
        case R::read:
        case R::missing: return std::nullopt;
        case R::cannot_open: return "を開けません。";
        case R::cannot_read: return "を読み込めません。";
        case R::too_large: return "は大きすぎます。";
        case R::not_plain: break;
    }
    switch (read.kind) {
        case FileKind::folder: return "はフォルダーです。";
        case FileKind::pipe: return "は名前付きパイプです。音声ファイルではありません。";
        case FileKind::socket: return "はソケットです。音声ファイルではありません。";
        case FileKind::device: return "はデバイスです。音声ファイルではありません。";
        default: return "は通常のファイルではありません。";
    }
}

}  // namespace quintora
