// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/scoring.h"

#include "rules/five.h"
#include "rules/line_scan.h"

namespace quintora {

void 隣接範囲フラグセット(Board& near_flag, int x, int y) {
    for (int i = x - 2; i <= x + 2; ++i)
        for (int j = y - 2; j <= y + 2; ++j)
            if (i > 0 && i < board_size && j > 0 && j < board_size && near_flag[i][j] == flag_no)
                near_flag[i][j] = flag_yes;
}

namespace {

// What one side would have on each of the four lines with a stone of its own
// on the (empty) cell; the stone is only supposed, never written.
struct LineView {
    int n;          // stones of that side in unbroken contact with the cell
    int open_ends;  // 0, 1 or 2 ends where the run is followed by an empty cell
};

void read_lines(const Board& board, i16 side, int x, int y, LineView out[line_count]) {
    for (int k = 0; k < line_count; ++k) {
        const Line& l = lines[k];
        out[k].n = count_run(board, l.back, side, x, y) + count_run(board, l.forward, side, x, y);
        out[k].open_ends = (probe_run_end_through(board, l.back, side, x, y) == cell_empty) +
                           (probe_run_end_through(board, l.forward, side, x, y) == cell_empty);
    }
}

template <class Pred>
bool any_line(const LineView v[line_count], Pred p) {
    for (int k = 0; k < line_count; ++k)
        if (p(v[k])) return true;
    return false;
}

}  // namespace

double 調査_得点(const Board& working, const ScoreTables& t, int x, int y) {
    const i16 own = player_computer;
    const i16 others = player_human;

    double base = t.centre_bonus[x][y];
    if (t.five_stop[x][y] == flag_yes) return 999;
    if (調査_三開(working, own, x, y) == flag_yes) base += 100;
    if (t.near_flag[x][y] == flag_no) return base;

    LineView mine[line_count];
    LineView theirs[line_count];
    read_lines(working, own, x, y, mine);
    read_lines(working, others, x, y, theirs);

    // The order of these rows is their priority, not their score. The first
    // two: with the stone on the cell, a side's run wins (or is stopped).
    if (any_line(mine, [](LineView v) { return is_winning_run(v.n + 1); })) return 1000;
    if (any_line(theirs, [](LineView v) { return is_winning_run(v.n + 1); })) return 900;
    if (any_line(mine, [](LineView v) { return v.n == 3 && v.open_ends == 2; })) return 800;
    if (any_line(theirs, [](LineView v) { return v.n == 3 && v.open_ends == 2; })) return 700;
    if (any_line(mine, [](LineView v) { return v.n == 3 && v.open_ends >= 1; })) return 500;
    if (any_line(mine, [](LineView v) { return v.n == 2 && v.open_ends == 2; })) return 400;
    if (any_line(theirs, [](LineView v) { return v.n == 2 && v.open_ends == 2; })) return 300;
    if (any_line(theirs, [](LineView v) { return v.n == 3; })) return 500;
    return base;
}

void working_board(const Board& board, i16 colour, Board& working) {
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) {
            const i16 c = board[i][j];
            working[i][j] = c == cell_empty ? cell_empty : c == colour ? player_computer : player_human;
        }
}

void score_candidates(const Board& working, const ScoreTables& t, CandidateScores& out) {
    out.count = 0;
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) {
            if (t.near_flag[i][j] != flag_yes || working[i][j] != cell_empty) continue;
            out.cell[out.count] = Cell{i, j};
            out.score[out.count] = 調査_得点(working, t, i, j);
            ++out.count;
        }
}

}  // namespace quintora
