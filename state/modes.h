// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Who holds each colour in each game mode.

#include "state/colour.h"

namespace quintora {

inline constexpr int mode_count = 7;

// player_kind of black, blue, white and red for each game mode (index mode - 1).
inline constexpr ColourMap<i16> mode_player_kinds[mode_count] = {
    {{player_human, player_computer, player_computer, player_computer}},  // mode_solo_black
    {{player_computer, player_human, player_computer, player_computer}},  // mode_solo_blue
    {{player_computer, player_computer, player_human, player_computer}},  // mode_solo_white
    {{player_computer, player_computer, player_computer, player_human}},  // mode_solo_red
    {{player_human, player_computer, player_human, player_computer}},     // mode_pair_facing
    {{player_computer, player_human, player_computer, player_human}},     // mode_pair_side
    {{player_human, player_human, player_human, player_human}},           // mode_four
};

}  // namespace quintora
