#include "ai/search.h"

#include "ai/scoring.h"

namespace quintora {

bool com置場所取得(GameState& s, i16 colour, int& x, int& y) {
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) {
            i16& c = s.board[i][j];
            if (c != cell_empty) c = (c == colour) ? player_computer : player_human;
        }

    double best = -9999;
    bool found = false;
    // Columns outer, rows inner, strictly better only: among equal scores the
    // leftmost column and then the topmost row keeps the place.
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) {
            if (s.near_flag[i][j] != flag_yes || s.board[i][j] != cell_empty) continue;
            const double score = 調査_得点(s, i, j);
            if (score > best) {
                x = i;
                y = j;
                best = score;
                found = true;
            }
        }
    return found;
}

}  // namespace quintora
