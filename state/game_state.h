// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one record of the running game and the small operations on it that
// several parts of the program share.

#include <optional>

#include "state/constants.h"
#include "state/zeroed_array.h"

namespace quintora {

using Board = i16[board_size][board_size];  // indexed [x][y], column then row
using CentreBonus = double[board_size][board_size];

struct GameState {
    Board board{};
    ZeroedArray<i16[history_steps][board_size][board_size]> board_history;
    i16 move_x[history_steps]{};
    i16 move_y[history_steps]{};
    i16 move_colour[history_steps]{};
    i16 move_number = 0;
    i16 max_move_number = 0;
    i16 to_move = 0;
    i16 game_mode = 0;
    i16 resume_pending = 0;
    i16 player_kind[colour_black + colour_count]{};  // by colour code; 0 unused
    i16 last_x = 0;
    i16 last_y = 0;
    i16 last_colour = 0;
    Board near_flag{};
    Board five_stop{};
    CentreBonus centre_bonus{};
    i16 strength = strength_standard;  // of every computer colour
    std::int32_t snd_forbidden = 0;
    std::int32_t snd_other = 0;
    std::int32_t snd_bgm = 0;
    std::int32_t snd_stone = 0;
    std::int32_t snd_game_end = 0;
};

// Stores the field of the board as history step m (0..500).
void 調査_保存(GameState& s, int m);
// The colour that moves after c, or nothing when c is no colour.
std::optional<i16> 調査_次手番(i16 c);
// 0.1 in the 4 x 4 block 9..12 x 9..12, 0 elsewhere.
void 設定_中央得点(GameState& s);

}  // namespace quintora
