// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/palette.h"

namespace quintora {

std::uint32_t palette_rgb(int index) {
    static constexpr std::uint32_t colours[16] = {
        0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080, 0x808000, 0xC0C0C0,
        0x808080, 0x0000FF, 0x00FF00, 0x00FFFF, 0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF,
    };
    return index >= 0 && index < 16 ? colours[index] : 0x000000;
}

}  // namespace quintora
