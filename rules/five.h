#pragma once
// Exact runs through a cell and the five-stop map read by the computer player.

#include "game/game_state.h"

namespace quintora {

// flag_yes when some line through (x, y) holds exactly n of `colour`,
// (x, y) counted as one of them; longer lines do not count.
i16 調査_N並び(const GameState& s, int n, i16 colour, int x, int y);
i16 調査_5並び(const GameState& s, i16 colour, int x, int y);
i16 調査_三開(const GameState& s, i16 colour, int x, int y);

// Marks every empty cell of the 9 x 9 square around (x, y) where `colour`
// would now complete exactly five. Marks are only ever set; the board is
// unchanged afterwards.
void 設定_五止座標(GameState& s, i16 colour, int x, int y);
void 初期化_五止座標(GameState& s);

}  // namespace quintora
