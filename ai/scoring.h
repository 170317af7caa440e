// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The computer player's view of one cell: which cells are candidates and how
// much a stone on a candidate is worth, looking one move deep.

#include "state/game_state.h"

namespace quintora {

// Switches on the candidate flags of the 5 x 5 square around a new stone.
void 隣接範囲フラグセット(Board& near_flag, int x, int y);

// The tables the score reads beside the board.
struct ScoreTables {
    const Board& near_flag;
    const Board& five_stop;
    const CentreBonus& centre_bonus;
};

// Score of the empty cell (x, y) on a working board, where own stones hold
// player_computer and every other colour's stones hold player_human.
double 調査_得点(const Board& working, const ScoreTables& t, int x, int y);

}  // namespace quintora
