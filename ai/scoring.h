// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The computer player's view of one cell: which cells are candidates and how
// much a stone on a candidate is worth, looking one move deep.

#include "state/cell.h"
#include "state/game_state.h"

namespace quintora {

// Switches on the candidate flags of the 5 x 5 square around a new stone.
void 隣接範囲フラグセット(Board& near_flag, int x, int y);

// The tables the score reads beside the board.
struct ScoreTables {
    const Board& near_flag;
    const Board& five_stop;
    const CentreBonus& centre_bonus;
};

// Score of the empty cell (x, y) on a working board, where own stones hold
// player_computer and every other colour's stones hold player_human.
double 調査_得点(const Board& working, const ScoreTables& t, int x, int y);

// The board as the computer playing `colour` sees it: its own stones
// player_computer, every other colour's player_human, empty cells empty.
void working_board(const Board& board, i16 colour, Board& working);

// Every candidate cell of a position with its one-ply score, columns outer
// and rows inner: the order in which the computer looks at them.
struct CandidateScores {
    int count = 0;
    Cell cell[field_last * field_last];
    double score[field_last * field_last];
};
void score_candidates(const Board& working, const ScoreTables& t, CandidateScores& out);

}  // namespace quintora
