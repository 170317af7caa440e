// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Boards written as text, so a test shows the position it is about.
//
//   "....\n"
//   ".bu.\n"      row 1 is the first line, column 1 the first character
//
// '.' empty, 'b' black, 'u' blue, 'w' white, 'r' red; on a computer's working
// board 'o' is its own stone (player_computer) and 'x' any other
// (player_human). Lines may be shorter than the field; the rest stays empty.

#include <ostream>
#include <string>
#include <string_view>

#include "state/cell.h"
#include "state/game_state.h"

namespace quintora {
// Cells in test messages as (x,y).
inline void PrintTo(const Cell& c, std::ostream* os) { *os << "(" << c.x << "," << c.y << ")"; }
}  // namespace quintora

namespace quintora::testing {

void put_board(Board& board, std::string_view text);

// Checks the invariants of the game state; empty when all hold.
std::string broken_invariant(const GameState& s);

}  // namespace quintora::testing
