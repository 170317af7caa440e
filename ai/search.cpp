// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/search.h"

namespace quintora {

std::optional<Cell> com置場所取得(const Board& board, const ScoreTables& t, i16 colour) {
    Board working{};
    working_board(board, colour, working);
    CandidateScores scores;
    score_candidates(working, t, scores);
    double best = -9999;
    std::optional<Cell> chosen;
    // Strictly better only: among equal scores the leftmost column and then
    // the topmost row keeps the place.
    for (int k = 0; k < scores.count; ++k)
        if (scores.score[k] > best) {
            chosen = scores.cell[k];
            best = scores.score[k];
        }
    return chosen;
}

}  // namespace quintora
