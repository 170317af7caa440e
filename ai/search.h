#pragma once
#include "game/game_state.h"

namespace quintora {

// Recodes the board into the working board of `colour` (own stones
// player_computer, all others player_human) and writes the best candidate
// cell into x, y; they keep the caller's values when there is no candidate.
// Returns whether a cell was found. The board is left recoded: the caller
// saves it before and restores it after.
bool com置場所取得(GameState& s, i16 colour, int& x, int& y);

}  // namespace quintora
