// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Exact runs through a cell and the five-stop map read by the computer player.

#include <array>
#include <optional>

#include "state/cell.h"
#include "state/game_state.h"

namespace quintora {

// flag_yes when some line through (x, y) holds exactly n of `colour`,
// (x, y) counted as one of them whatever it holds; longer lines do not count.
i16 調査_N並び(const Board& board, int n, i16 colour, int x, int y);
i16 調査_5並び(const Board& board, i16 colour, int x, int y);
i16 調査_三開(const Board& board, i16 colour, int x, int y);

// Marks in `five_stop` every empty cell of the 9 x 9 square around (x, y)
// where `colour` would complete exactly five. Marks are only ever set.
void 設定_五止座標(const Board& board, Board& five_stop, i16 colour, int x, int y);
void 初期化_五止座標(Board& five_stop);

// The five cells of the exact five of `colour` through `at`, in line order
// (of a longer winning line, where such lines win, its first five).
// When one stone completes two fives, the last line in the order vertical,
// horizontal, falling, rising is the one given. Nothing without a five.
using FiveCells = std::array<Cell, five_length>;
std::optional<FiveCells> five_cells(const Board& board, i16 colour, Cell at);

}  // namespace quintora
