// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/line_scan.h"

namespace quintora {

int count_run(const Board& board, Step d, i16 colour, int x, int y) {
    int count = 0;
    for (int i = 1;; ++i) {
        const int cx = x + d.dx * i;
        const int cy = y + d.dy * i;
        // Only the moving coordinates are tested, strictly against the field,
        // before the cell is read: row and column 0 are never touched.
        if ((d.dx != 0 && (cx < 1 || cx > field_last)) || (d.dy != 0 && (cy < 1 || cy > field_last))) break;
        if (board[cx][cy] != colour) break;
        ++count;
    }
    return count;
}

i16 probe_run_end(const Board& board, Step d, i16 colour, int x, int y) {
    // A probe started outside the field would never meet its last line; no
    // caller does that, and reading nothing is the safe answer.
    if (!on_field(x, y)) return cell_empty;
    const int last_x = d.dx < 0 ? 1 : field_last;
    const int last_y = d.dy < 0 ? 1 : field_last;
    int cx = x;
    int cy = y;
    for (;;) {
        if ((d.dx != 0 && cx == last_x) || (d.dy != 0 && cy == last_y)) break;
        if (board[cx][cy] != colour) break;
        cx += d.dx;
        cy += d.dy;
    }
    return board[cx][cy];
}

i16 probe_run_end_through(const Board& board, Step d, i16 colour, int x, int y) {
    if (!on_field(x, y)) return cell_empty;
    // The first step of the probe reads (x, y) itself: on the last line it
    // stops there and reports the stone; otherwise the stone lets it pass.
    if ((d.dx != 0 && x == (d.dx < 0 ? 1 : field_last)) || (d.dy != 0 && y == (d.dy < 0 ? 1 : field_last)))
        return colour;
    return probe_run_end(board, d, colour, x + d.dx, y + d.dy);
}


}  // namespace quintora
