// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The position and its record, kept in one place: the board, the move
// record, the stored steps of the history, and every table the computer's
// search reads (the candidate cells, the five-stop map, the centre bonus).
// Putting a stone down, walking back and forth and starting anew change them
// here and nowhere else; what is shown and heard of it is the game's.

#include "state/cell.h"
#include "state/colour.h"
#include "state/game_state.h"

namespace quintora {

// A new game's position: an empty board and history step 0, no stone
// recorded, no five-stop, the centre the only candidate cell.
void reset_position(GameState& s);

// Puts a stone of `colour` on the empty `cell`: the move record, the last
// stone, the board, the candidate cells around it, the move number and its
// history step; the steps ahead of it are gone. True when it made five.
bool play_stone(GameState& s, Cell cell, Colour colour);

// After a stone that did not win, the cells where its colour would now make
// five are marked for the computers. The four-person game keeps no such map:
// no computer plays there to read it (four_people_skip_five_stops).
void note_five_stops(GameState& s, Cell cell, Colour colour);
inline bool four_people_skip_five_stops(const GameState& s) { return s.game_mode == mode_four; }

// One step back through the history (move_number > 0): the board of the step
// before, the turn of the stone taken back, the last stone before it, and an
// empty five-stop map. The candidate cells stay as they were.
void take_back_stone(GameState& s);

// One step forward again (move_number < max_move_number): the board of the
// next step and the turn after it.
void step_forward(GameState& s);

}  // namespace quintora
