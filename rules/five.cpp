// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/five.h"

#include "rules/line_scan.h"

namespace quintora {

i16 調査_N並び(const Board& board, int n, i16 colour, int x, int y) {
    for (const Line& l : lines)
        if (run_length(board, l, colour, x, y) == n) return flag_yes;
    return flag_no;
}

i16 調査_5並び(const Board& board, i16 colour, int x, int y) {
    for (const Line& l : lines)
        if (is_winning_run(run_length(board, l, colour, x, y))) return flag_yes;
    return flag_no;
}

i16 調査_三開(const Board& board, i16 colour, int x, int y) { return 調査_N並び(board, 3, colour, x, y); }

void 設定_五止座標(const Board& board, Board& five_stop, i16 colour, int x, int y) {
    // The runs are counted around the cell, never on it, so a stone tried on
    // an empty cell needs no writing: the count is the same.
    // A five through (x, y) reaches at most five_length - 1 cells away (a
    // longer winning line is a five and more, so it reaches as far).
    constexpr int reach = five_length - 1;
    for (int i = x - reach; i <= x + reach; ++i)
        for (int j = y - reach; j <= y + reach; ++j) {
            if (!on_field(i, j) || board[i][j] != cell_empty) continue;
            if (調査_5並び(board, colour, i, j) == flag_yes) five_stop[i][j] = flag_yes;
        }
}

void 初期化_五止座標(Board& five_stop) {
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) five_stop[i][j] = flag_no;
}

std::optional<FiveCells> five_cells(const Board& board, i16 colour, Cell at) {
    std::optional<FiveCells> found;
    for (const Line& l : lines) {
        const int back = count_run(board, l.back, colour, at.x, at.y);
        if (!is_winning_run(back + count_run(board, l.forward, colour, at.x, at.y) + 1)) continue;
        FiveCells cells;
        for (int p = 0; p < five_length; ++p)
            cells[p] = {at.x + l.back.dx * back + l.forward.dx * p, at.y + l.back.dy * back + l.forward.dy * p};
        found = cells;  // a later line overwrites an earlier one
    }
    return found;
}

}  // namespace quintora
