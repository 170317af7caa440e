// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The computer at its four strengths. 標準 is the one-ply player of
// search.h, exactly. 入門 takes the scores 標準 gives and picks among the
// cells that come near the best. 上級 and 名人 look for fives to make and to
// stop first, then search lines of their own moves ahead, the others
// answering as 標準 would, over the cells the one-ply score ranks highest and
// the cells that add most to their own lines of five. Every budget is counted in plies and nodes, never in time,
// so a position and a strength always give the same cell.

#include <optional>

#include "ai/scoring.h"
#include "state/cell.h"

namespace quintora {

// How a search looks ahead. Best-reply: the searching colour's moves
// alternate with the single strongest reply any other colour has. Paranoid:
// the colours move in their real order and every other colour plays against
// the searching one. Forecast: the others move in their real order as the
// one-ply player (標準) would, five-stop map and all, so that only the
// searching colour's moves branch. Beam: the forecast's lines, but only the
// best few positions of each step go on, so the lines reach much deeper.
enum class SearchMethod { best_reply, paranoid, forecast, beam };

struct SearchPlan {
    SearchMethod method = SearchMethod::best_reply;
    int depth = 3;          // plies: one move of the searching colour, or of a colour (paranoid) or all (best-reply) of the others
    int own_width = 8;      // of the searching colour's cells, the best this many by the one-ply score
    int reply_width = 4;    // of each other colour's cells (forecast: of the searching colour's, past its first move; beam: positions kept at each step)
    long nodes = 20000;     // past this many positions, what is left is judged where it stands
    int forcing = 0;        // forecast: past the depth, this many more moves of the searching colour that make a four
    int threat = 0;         // forecast: the weight of cells where one stone leaves two, three, four fives to make
    int shape = 0;          // beside the best by the one-ply score, this many of the searching colour's cells that add most to its lines
    long cells = 0;         // beam: past this many candidate cells of the positions it went on from, it stops (0: no limit)
    int defend = 0;         // the weight of the other colours' cells where one stone leaves them two, three, four fives
};

// The plan of 上級 and 名人.
SearchPlan search_plan(i16 strength);

// The cell the computer playing `colour` chooses at `strength`; nothing when
// no candidate cell is empty.
std::optional<Cell> choose_cell(const Board& board, const ScoreTables& t, i16 colour, i16 strength);

// 入門: among the cells whose one-ply score comes near the best, one picked
// by a number drawn from the position itself.
std::optional<Cell> beginner_cell(const Board& board, const ScoreTables& t, i16 colour);

// 上級 and 名人 with the plan given (the strength benchmark tries others).
// `nodes_used`, when given, receives the positions the search looked at.
std::optional<Cell> searched_cell(const Board& board, const ScoreTables& t, i16 colour, const SearchPlan& plan,
                                  long* nodes_used = nullptr);

}  // namespace quintora
