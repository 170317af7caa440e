#include "sound/wave_check.h"

#include <cstdint>
#include <cstring>

namespace quintora {

std::optional<std::string> 調査_波形(const unsigned char* bytes, std::size_t size) {
    if (size == 0) return "ファイルが空です。";
    if (size < 12 || std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0)
        return "RIFF/WAVE形式のファイルではありません。";
    const std::uint64_t stated = std::uint64_t(bytes[4]) | std::uint64_t(bytes[5]) << 8 |
                                 std::uint64_t(bytes[6]) << 16 | std::uint64_t(bytes[7]) << 24;
    if (stated + 8 > size) return "ファイルが途中で切れています（ヘッダーの長さがファイルより長い）。";
    return std::nullopt;
}

}  // namespace quintora
