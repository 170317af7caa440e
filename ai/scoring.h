#pragma once
// The computer player's view of one cell: which cells are candidates and how
// much a stone on a candidate is worth, looking one move deep.

#include "game/game_state.h"

namespace quintora {

// Switches on the candidate flags of the 5 x 5 square around a new stone.
void 隣接範囲フラグセット(GameState& s, int x, int y);

// Score of the empty cell (x, y) on the working board, where own stones hold
// player_computer and every other colour's stones hold player_human.
double 調査_得点(GameState& s, int x, int y);

}  // namespace quintora
