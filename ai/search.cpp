// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/search.h"

namespace quintora {

std::optional<Cell> com置場所取得(const Board& board, const ScoreTables& t, i16 colour) {
    Board working{};
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) {
            const i16 c = board[i][j];
            working[i][j] = c == cell_empty ? cell_empty : c == colour ? player_computer : player_human;
        }

    double best = -9999;
    std::optional<Cell> chosen;
    // Columns outer, rows inner, strictly better only: among equal scores the
    // leftmost column and then the topmost row keeps the place.
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) {
            if (t.near_flag[i][j] != flag_yes || working[i][j] != cell_empty) continue;
            const double score = 調査_得点(working, t, i, j);
            if (score > best) {
                chosen = Cell{i, j};
                best = score;
            }
        }
    return chosen;
}

}  // namespace quintora
