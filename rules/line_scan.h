// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Read-only queries along the eight directions through a cell.
//
// A counter tells how many cells next to (x, y) in one direction hold
// `colour` in unbroken succession; it never reads (x, y) itself. A probe walks
// from (x, y) over `colour` and returns what lies where the walk stopped; a
// walk that reaches the last line of the field stops on that line and returns
// its content, so a run touching the border reads as closed.

#include "state/game_state.h"

namespace quintora {

struct Step {
    int dx;
    int dy;
};

inline constexpr Step step_up{0, -1};
inline constexpr Step step_down{0, 1};
inline constexpr Step step_left{-1, 0};
inline constexpr Step step_right{1, 0};
inline constexpr Step step_up_left{-1, -1};
inline constexpr Step step_down_right{1, 1};
inline constexpr Step step_down_left{-1, 1};
inline constexpr Step step_up_right{1, -1};

int count_run(const Board& board, Step d, i16 colour, int x, int y);
i16 probe_run_end(const Board& board, Step d, i16 colour, int x, int y);
// The probe as if (x, y) held `colour`, without writing it there: what the
// computer's score asks of a stone it only considers.
i16 probe_run_end_through(const Board& board, Step d, i16 colour, int x, int y);

// The four lines through a cell, in the order every caller examines them:
// vertical, horizontal, falling diagonal, rising diagonal. Each line is a
// direction and its opposite.
struct Line {
    Step back;
    Step forward;
};
inline constexpr int line_count = 4;
inline constexpr Line lines[line_count] = {
    {step_up, step_down},
    {step_left, step_right},
    {step_up_left, step_down_right},
    {step_down_left, step_up_right},
};

// Length of the run of `colour` through (x, y) on one line, (x, y) counted as one.
inline int run_length(const Board& board, const Line& l, i16 colour, int x, int y) {
    return count_run(board, l.back, colour, x, y) + count_run(board, l.forward, colour, x, y) + 1;
}


}  // namespace quintora
