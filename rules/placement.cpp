// SPDX-License-Identifier: GPL-3.0-or-later
#include "rules/placement.h"

namespace quintora {

i16 調査_置けるか(const Board& board, int x, int y) {
    if (x < 0 || x > field_last || y < 0 || y > field_last) return flag_no;
    if (board[x][y] != cell_empty) return flag_no;
    return flag_yes;
}

}  // namespace quintora
