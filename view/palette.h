// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The classic 16-colour palette the view paints with, and the indices the
// game names.

#include <cstdint>

#include "state/constants.h"

namespace quintora {

inline constexpr int palette_black = 0;
inline constexpr int board_colour = 2;  // the window's green
inline constexpr int mark_colour = 11;  // light cyan, the last stone's mark
inline constexpr int palette_white = 15;

// The digits of a move number on a stone of `colour`: white on black,
// black on every other colour.
// The palette as 0xRRGGBB; indices outside 0..15 give black.
std::uint32_t palette_rgb(int index);

inline constexpr int digit_palette(int colour) { return colour == colour_black ? palette_white : palette_black; }

}  // namespace quintora
