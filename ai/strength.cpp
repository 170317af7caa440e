// SPDX-License-Identifier: GPL-3.0-or-later
#include "ai/strength.h"

#include <algorithm>
#include <cstdint>
#include <vector>

#include "ai/search.h"
#include "rules/five.h"
#include "rules/line_scan.h"

namespace quintora {

namespace {

constexpr int cell_total = field_last * field_last;
constexpr i16 next_colour(i16 c) { return i16(c % colour_count + 1); }

// A number drawn from the stones on the board and whose turn it is: the
// same position gives the same number on every machine and in every replay.
std::uint64_t position_number(const Board& board, i16 colour) {
    std::uint64_t h = 0xcbf29ce484222325ULL ^ std::uint64_t(colour);
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) {
            h ^= std::uint64_t(board[i][j] + 1);
            h *= 0x100000001b3ULL;
        }
    // Mixed once more so that the low bits depend on every stone.
    h ^= h >> 29;
    h *= 0xbf58476d1ce4e5b9ULL;
    h ^= h >> 32;
    return h;
}

// The cells of one colour's move, best first by the one-ply score; equal
// scores keep the order in which 標準 looks at cells.
struct Ranked {
    int count = 0;
    Cell cell[cell_total];
};

void rank_cells(const CandidateScores& scores, int width, Ranked& out) {
    out.count = 0;
    width = std::clamp(width, 1, cell_total);
    double kept[cell_total];
    for (int k = 0; k < scores.count; ++k) {
        const double s = scores.score[k];
        if (out.count == width && s <= kept[out.count - 1]) continue;
        int at = std::min(out.count, width - 1);
        if (out.count < width) ++out.count;
        while (at > 0 && kept[at - 1] < s) {
            kept[at] = kept[at - 1];
            out.cell[at] = out.cell[at - 1];
            --at;
        }
        kept[at] = s;
        out.cell[at] = scores.cell[k];
    }
}

// The first candidate cell where `colour` makes exactly five, in column order.
std::optional<Cell> five_for(const Board& board, const Board& near_flag, i16 colour) {
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j)
            if (near_flag[i][j] == flag_yes && board[i][j] == cell_empty && 調査_5並び(board, colour, i, j) == flag_yes)
                return Cell{i, j};
    return std::nullopt;
}

// What a stone of `colour` on the empty cell (x, y) would make on its four
// lines: the longest run through it with both ends open, and with one.
struct Shape {
    bool four = false;       // a run of four with an open end: a five to make next
    bool open_four = false;  // a run of four open at both ends
    bool open_three = false; // a run of three open at both ends
    int fours_and_threes = 0;
};
Shape shape_of(const Board& board, i16 colour, int x, int y) {
    Shape s;
    for (const Line& l : lines) {
        const int n = count_run(board, l.back, colour, x, y) + count_run(board, l.forward, colour, x, y);
        const int open = (probe_run_end_through(board, l.back, colour, x, y) == cell_empty) +
                         (probe_run_end_through(board, l.forward, colour, x, y) == cell_empty);
        if (n == 3 && open >= 1) {
            s.four = true;
            s.open_four |= open == 2;
            ++s.fours_and_threes;
        } else if (n == 2 && open == 2) {
            s.open_three = true;
            ++s.fours_and_threes;
        }
    }
    return s;
}

// The cells where one stone of `colour` would leave it several fives to
// make at once. The next three colours can stop one five each before its
// turn comes back, so a stone that leaves four wins; three or two tie up
// that many of them.
struct Threats {
    int most = 0;                 // the most fives one stone leaves
    int cells[five_length] = {};  // cells whose stone leaves 1, 2, 3, 4 or more (index capped at 4)
};
Threats threats_of(const Board& board, const Board& near_flag, i16 colour) {
    // For every empty cell, the five-cells a stone there would open: a
    // window of five holding three of the colour and two empty cells, with
    // no stone of the colour just outside it (the five must be exact).
    struct Set {
        int n = 0;
        std::int16_t at[12];
        void add(int v) {
            for (int k = 0; k < n; ++k)
                if (at[k] == v) return;
            if (n < 12) at[n++] = std::int16_t(v);
        }
    };
    static thread_local Set opens[board_size * board_size];
    static constexpr int dirs[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
    int touched[board_size * board_size];
    int touched_n = 0;
    for (const auto& d : dirs)
        for (int x = 1; x <= field_last; ++x)
            for (int y = 1; y <= field_last; ++y) {
                const int ex = x + d[0] * (five_length - 1), ey = y + d[1] * (five_length - 1);
                if (!on_field(ex, ey)) continue;
                int own = 0, empty[2], empties = 0;
                for (int k = 0; k < five_length && empties <= 2; ++k) {
                    const i16 v = board[x + d[0] * k][y + d[1] * k];
                    if (v == colour) ++own;
                    else if (v == cell_empty) {
                        if (empties < 2) empty[empties] = (x + d[0] * k) * board_size + (y + d[1] * k);
                        ++empties;
                    } else {
                        empties = 3;
                    }
                }
                if (own != 3 || empties != 2) continue;
                const int bx = x - d[0], by = y - d[1], ax = ex + d[0], ay = ey + d[1];
                if (on_field(bx, by) && board[bx][by] == colour) continue;
                if (on_field(ax, ay) && board[ax][ay] == colour) continue;
                for (int k = 0; k < 2; ++k) {
                    Set& s = opens[empty[k]];
                    if (s.n == 0) touched[touched_n++] = empty[k];
                    s.add(empty[1 - k]);
                }
            }
    Threats t;
    for (int k = 0; k < touched_n; ++k) {
        Set& s = opens[touched[k]];
        if (near_flag[touched[k] / board_size][touched[k] % board_size] == flag_yes) {
            t.most = std::max(t.most, s.n);
            ++t.cells[std::min(s.n, 4)];
        }
        s.n = 0;
    }
    return t;
}

// What a stone of `colour` on the empty cell (x, y) adds to the lines of
// five cells that hold no other colour: the more of its stones such a line
// holds, the more it is worth. Broken lines count as much as unbroken ones,
// though the one-ply score sees only unbroken runs.
int shape_gain(const Board& board, i16 colour, int x, int y) {
    static constexpr int worth[five_length + 1] = {0, 1, 4, 16, 24, 1000};
    static constexpr int dirs[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
    int gain = 0;
    for (const auto& d : dirs)
        for (int back = 0; back < five_length; ++back) {
            const int sx = x - d[0] * back, sy = y - d[1] * back;
            if (!on_field(sx, sy) || !on_field(sx + d[0] * (five_length - 1), sy + d[1] * (five_length - 1))) continue;
            int own = 0;
            bool clear = true;
            for (int k = 0; k < five_length && clear; ++k) {
                const i16 v = board[sx + d[0] * k][sy + d[1] * k];
                if (v == colour) ++own;
                else if (v != cell_empty) clear = false;
            }
            if (clear) gain += worth[own + 1] - worth[own];
        }
    return gain;
}

// Adds to `out` the `width` cells of `scores` with the greatest shape gain
// that it does not hold yet.
void add_shape_cells(const Board& board, i16 colour, const CandidateScores& scores, int width, Ranked& out) {
    if (width <= 0) return;
    CandidateScores gains;
    for (int k = 0; k < scores.count; ++k) {
        const Cell c = scores.cell[k];
        bool held = false;
        for (int m = 0; m < out.count && !held; ++m) held = out.cell[m].x == c.x && out.cell[m].y == c.y;
        if (held) continue;
        gains.cell[gains.count] = c;
        gains.score[gains.count++] = shape_gain(board, colour, c.x, c.y);
    }
    Ranked more;
    rank_cells(gains, width, more);
    for (int k = 0; k < more.count && gains.count > 0; ++k) out.cell[out.count++] = more.cell[k];
}

// What lines of five cells hold for each colour: a line with stones of one
// colour only counts for that colour, the more stones the more.
constexpr double window_weight[five_length + 1] = {0, 1, 8, 60, 700, 0};

class Search {
public:
    Search(const Board& board, const ScoreTables& t, i16 me, const SearchPlan& plan)
        : bonus_(t.centre_bonus), me_(me), plan_(plan) {
        for (int i = 0; i < board_size; ++i)
            for (int j = 0; j < board_size; ++j) {
                board_[i][j] = board[i][j];
                near_[i][j] = t.near_flag[i][j];
                stops_[i][j] = t.five_stop[i][j];
            }
    }

    // The searching colour's best cell among `root`, the first of equals.
    Cell best_of(const Ranked& root) {
        double alpha = -infinity;
        Cell best = root.cell[0];
        for (int k = 0; k < root.count; ++k) {
            const double v = plan_.method == SearchMethod::forecast
                                 ? own_then_forecast(root.cell[k], plan_.depth - 1, 1)
                                 : after_move(root.cell[k], me_, plan_.depth - 1, alpha, infinity, 1);
            if (v > alpha) {
                alpha = v;
                best = root.cell[k];
            }
        }
        return best;
    }

    long nodes() const { return nodes_; }
    bool spent(long cells) const { return plan_.cells > 0 && cells >= plan_.cells; }

    // Beam: lines of the searching colour's moves, the others answering as
    // 標準 does; at every step the best `reply_width` positions by the
    // judgement go on, each with its `own_width` best cells, `depth` steps
    // deep. The first line found that wins gives its first cell; else the
    // first cell of the line judged best at the deepest step reached.
    Cell beam_of(const Ranked& root) {
        struct Node {
            Saved at;
            double value;
            int first;  // index in root
        };
        std::vector<Node> beam, next;
        Saved start;
        save(start);
        // When every first cell loses, the first one.
        int best_root = 0;
        for (int k = 0; k < root.count; ++k) {
            restore(start);
            const int r = step(root.cell[k]);
            if (r > 0) return root.cell[k];
            if (r < 0) continue;
            next.push_back(Node{{}, evaluate(me_), k});
            save(next.back().at);
        }
        long cells = 0;  // candidate cells the searching colour's positions held: the search's work grows with them
        for (int level = 1; level < plan_.depth && !next.empty() && nodes_ < plan_.nodes && !spent(cells); ++level) {
            std::stable_sort(next.begin(), next.end(), [](const Node& a, const Node& b) { return a.value > b.value; });
            if (int(next.size()) > plan_.reply_width) next.resize(std::size_t(plan_.reply_width));
            beam.swap(next);
            next.clear();
            best_root = beam.front().first;
            for (const Node& n : beam) {
                restore(n.at);
                Board working{};
                working_board(board_, me_, working);
                CandidateScores scores;
                score_candidates(working, {near_, stops_, bonus_}, scores);
                Ranked moves;
                rank_cells(scores, plan_.own_width, moves);
                add_shape_cells(board_, me_, scores, plan_.shape, moves);
                for (int k = 0; k < moves.count && !spent(cells); ++k) {
                    cells += scores.count;
                    restore(n.at);
                    const int r = step(moves.cell[k]);
                    if (r > 0) return root.cell[n.first];
                    if (r < 0) continue;
                    next.push_back(Node{{}, evaluate(me_), n.first});
                    save(next.back().at);
                }
            }
        }
        if (!next.empty()) {
            const auto top = std::max_element(next.begin(), next.end(),
                                              [](const Node& a, const Node& b) { return a.value < b.value; });
            best_root = top->first;
        }
        return root.cell[best_root];
    }

private:
    static constexpr double infinity = 1e18;
    static constexpr double won = 1e12;

    // The position as it stands, to put back after a line of moves.
    struct Saved {
        Board board, near, stops;
    };
    void save(Saved& s) const {
        std::copy(&board_[0][0], &board_[0][0] + board_size * board_size, &s.board[0][0]);
        std::copy(&near_[0][0], &near_[0][0] + board_size * board_size, &s.near[0][0]);
        std::copy(&stops_[0][0], &stops_[0][0] + board_size * board_size, &s.stops[0][0]);
    }
    void restore(const Saved& s) {
        std::copy(&s.board[0][0], &s.board[0][0] + board_size * board_size, &board_[0][0]);
        std::copy(&s.near[0][0], &s.near[0][0] + board_size * board_size, &near_[0][0]);
        std::copy(&s.stops[0][0], &s.stops[0][0] + board_size * board_size, &stops_[0][0]);
    }
    // A stone as the game puts it down: true when it made five; otherwise
    // its colour's new fives are marked, as after every stone of a game.
    bool put(Cell c, i16 colour) {
        board_[c.x][c.y] = colour;
        隣接範囲フラグセット(near_, c.x, c.y);
        if (調査_5並び(board_, colour, c.x, c.y) == flag_yes) return true;
        設定_五止座標(board_, stops_, colour, c.x, c.y);
        return false;
    }

    // One move of the searching colour and the others' answers as 標準
    // gives them: 1 when it wins (a five, or a five to make when its turn
    // comes back), -1 when another colour wins or the board is full.
    int step(Cell c) {
        ++nodes_;
        if (put(c, me_)) return 1;
        for (i16 o = next_colour(me_); o != me_; o = next_colour(o)) {
            const auto reply = com置場所取得(board_, {near_, stops_, bonus_}, o);
            if (!reply) return -1;
            if (put(*reply, o)) return -1;
        }
        return five_for(board_, near_, me_) ? 1 : 0;
    }

    // Forecast: the searching colour plays `c`, the three others answer as
    // the one-ply player does, and the searching colour goes on `depth`
    // more moves among its best-scored cells.
    double own_then_forecast(Cell c, int depth, int ply, int forcing = -1) {
        ++nodes_;
        Saved saved;
        save(saved);
        double v = forecast_after_own(c, depth, ply, forcing < 0 ? plan_.forcing : forcing);
        restore(saved);
        return v;
    }
    double forecast_after_own(Cell c, int depth, int ply, int forcing) {
        if (put(c, me_)) return won - ply;
        for (i16 o = next_colour(me_); o != me_; o = next_colour(o)) {
            const auto reply = com置場所取得(board_, {near_, stops_, bonus_}, o);
            if (!reply) return evaluate(o);
            if (put(*reply, o)) return -won + ply;
        }
        // Its turn again with a five to make: won, whatever comes after.
        if (five_for(board_, near_, me_)) return won - (ply + 1);
        if (nodes_ >= plan_.nodes) return evaluate(me_);
        if (depth <= 0) {
            // Past the depth only fours go on: each one makes the next
            // colour stop it, so the line stays narrow.
            double best = evaluate(me_);
            if (forcing <= 0) return best;
            int tried = 0;
            for (int i = 1; i <= field_last && tried < 6; ++i)
                for (int j = 1; j <= field_last && tried < 6; ++j)
                    if (near_[i][j] == flag_yes && board_[i][j] == cell_empty && shape_of(board_, me_, i, j).four) {
                        ++tried;
                        best = std::max(best, own_then_forecast(Cell{i, j}, 0, ply + 1, forcing - 1));
                    }
            return best;
        }
        // Deeper down, fewer of its cells, ranked by the one-ply score.
        Board working{};
        working_board(board_, me_, working);
        CandidateScores scores;
        score_candidates(working, {near_, stops_, bonus_}, scores);
        Ranked moves;
        rank_cells(scores, plan_.reply_width, moves);
        add_shape_cells(board_, me_, scores, plan_.shape, moves);
        if (moves.count == 0) return evaluate(me_);
        double best = -infinity;
        for (int k = 0; k < moves.count; ++k)
            best = std::max(best, own_then_forecast(moves.cell[k], depth - 1, ply + 1, forcing));
        return best;
    }

    // Plays `c` for `mover`, looks on and takes the stone back.
    double after_move(Cell c, i16 mover, int depth, double alpha, double beta, int ply) {
        ++nodes_;
        board_[c.x][c.y] = mover;
        double v;
        if (調査_5並び(board_, mover, c.x, c.y) == flag_yes) {
            // Sooner is better for a win and later for a loss.
            v = mover == me_ ? won - ply : -won + ply;
        } else {
            Board saved_near;
            std::copy(&near_[0][0], &near_[0][0] + board_size * board_size, &saved_near[0][0]);
            隣接範囲フラグセット(near_, c.x, c.y);
            v = next_ply(mover, depth, alpha, beta, ply);
            std::copy(&saved_near[0][0], &saved_near[0][0] + board_size * board_size, &near_[0][0]);
        }
        board_[c.x][c.y] = cell_empty;
        return v;
    }

    // The value for the searching colour after `mover` has moved.
    double next_ply(i16 mover, int depth, double alpha, double beta, int ply) {
        const i16 next = next_colour(mover);
        if (depth <= 0 || nodes_ >= plan_.nodes) return evaluate(next);
        if (plan_.method == SearchMethod::paranoid || mover != me_) {
            // Paranoid: the next colour in turn; best-reply: after the others' reply, the searching colour again.
            const i16 to_move = plan_.method == SearchMethod::paranoid ? next : me_;
            Ranked moves;
            rank_for(to_move, to_move == me_ ? plan_.own_width : plan_.reply_width, moves);
            if (moves.count == 0) return evaluate(next);
            const bool maximise = to_move == me_;
            double best = maximise ? -infinity : infinity;
            for (int k = 0; k < moves.count; ++k) {
                const double v = after_move(moves.cell[k], to_move, depth - 1, alpha, beta, ply + 1);
                if (maximise) {
                    best = std::max(best, v);
                    alpha = std::max(alpha, v);
                } else {
                    best = std::min(best, v);
                    beta = std::min(beta, v);
                }
                if (alpha >= beta) break;
            }
            return best;
        }
        // Best-reply: every other colour's strongest cells, the one reply
        // that hurts the searching colour most.
        double best = infinity;
        for (i16 o = next_colour(me_); o != me_; o = next_colour(o)) {
            Ranked moves;
            rank_for(o, plan_.reply_width, moves);
            for (int k = 0; k < moves.count; ++k) {
                const double v = after_move(moves.cell[k], o, depth - 1, alpha, beta, ply + 1);
                best = std::min(best, v);
                beta = std::min(beta, v);
                if (alpha >= beta) return best;
            }
        }
        return best == infinity ? evaluate(next) : best;
    }

    void rank_for(i16 colour, int width, Ranked& out) {
        Board working{};
        working_board(board_, colour, working);
        CandidateScores scores;
        // Inside the search a five to stop is seen by the score itself (the
        // others' run of four): no five-stop map is kept.
        score_candidates(working, {near_, no_stops_, bonus_}, scores);
        rank_cells(scores, width, out);
    }

    // The searching colour's lines against everyone else's; the colour to
    // move next counts its lines of four twice, as it may finish one.
    double evaluate(i16 to_move) const {
        double sum[colour_count + 1] = {};
        double fours[colour_count + 1] = {};
        static constexpr int dirs[4][2] = {{0, 1}, {1, 0}, {1, 1}, {1, -1}};
        for (const auto& d : dirs)
            for (int x = 1; x <= field_last; ++x)
                for (int y = 1; y <= field_last; ++y) {
                    const int ex = x + d[0] * (five_length - 1);
                    const int ey = y + d[1] * (five_length - 1);
                    if (!on_field(ex, ey)) continue;
                    int count[colour_count + 1] = {};
                    for (int k = 0; k < five_length; ++k) ++count[board_[x + d[0] * k][y + d[1] * k]];
                    for (i16 c = colour_black; c <= colour_red; ++c)
                        if (count[c] > 0 && count[c] + count[cell_empty] == five_length) {
                            sum[c] += window_weight[count[c]];
                            if (count[c] == five_length - 1) fours[c] += window_weight[count[c]];
                        }
                }
        sum[to_move] += fours[to_move];
        double v = sum[me_];
        if (to_move == me_ && plan_.threat > 0) {
            const Threats t = threats_of(board_, near_, me_);
            bool others_four = false;
            for (i16 c = colour_black; c <= colour_red; ++c) others_four |= c != me_ && fours[c] > 0;
            // Four fives from one stone and nobody to win before it: won.
            if (t.most >= 4 && !others_four) return won / 2;
            v += plan_.threat * (t.cells[2] + 3 * t.cells[3] + 6 * t.cells[4]);
            // The others' such cells: a colour that searches takes them,
            // though 標準 would not.
            for (i16 c = colour_black; c <= colour_red && plan_.defend > 0; ++c)
                if (c != me_) {
                    const Threats o = threats_of(board_, near_, c);
                    v -= plan_.defend * (o.cells[2] + 3 * o.cells[3] + 6 * o.cells[4]);
                }
        }
        for (i16 c = colour_black; c <= colour_red; ++c)
            if (c != me_) v -= sum[c];
        return v;
    }

    Board board_{};
    Board near_{};
    Board no_stops_{};
    Board stops_{};
    const CentreBonus& bonus_;
    i16 me_;
    SearchPlan plan_;
    long nodes_ = 0;
};

// The cells of `scores` where a stone of `colour` leaves the colour after
// it no cell that makes an open four; nothing when it has none anyway.
void next_open_fours_stopped(const Board& board, const Board& near_flag, i16 colour, const CandidateScores& scores,
                             CandidateScores& out) {
    const i16 next = next_colour(colour);
    Board trial;
    std::copy(&board[0][0], &board[0][0] + board_size * board_size, &trial[0][0]);
    auto has_open_four = [&] {
        for (int i = 1; i <= field_last; ++i)
            for (int j = 1; j <= field_last; ++j)
                if (near_flag[i][j] == flag_yes && trial[i][j] == cell_empty && shape_of(trial, next, i, j).open_four)
                    return true;
        return false;
    };
    out.count = 0;
    if (!has_open_four()) return;
    for (int k = 0; k < scores.count; ++k) {
        const Cell c = scores.cell[k];
        trial[c.x][c.y] = colour;
        if (!has_open_four()) {
            out.cell[out.count] = c;
            out.score[out.count++] = scores.score[k];
        }
        trial[c.x][c.y] = cell_empty;
    }
}

}  // namespace

SearchPlan search_plan(i16 strength) {
    if (strength == strength_master) return SearchPlan{SearchMethod::beam, 12, 4, 10, 6000, 0, 300, 4, 60000};
    return SearchPlan{SearchMethod::beam, 8, 3, 5, 2000, 0, 300, 3};
}

std::optional<Cell> choose_cell(const Board& board, const ScoreTables& t, i16 colour, i16 strength) {
    switch (strength) {
        case strength_beginner: return beginner_cell(board, t, colour);
        case strength_expert:
        case strength_master: return searched_cell(board, t, colour, search_plan(strength));
        default: return com置場所取得(board, t, colour);
    }
}

std::optional<Cell> beginner_cell(const Board& board, const ScoreTables& t, i16 colour) {
    Board working{};
    working_board(board, colour, working);
    CandidateScores scores;
    score_candidates(working, t, scores);
    if (scores.count == 0) return std::nullopt;
    double best = scores.score[0];
    for (int k = 1; k < scores.count; ++k) best = std::max(best, scores.score[k]);
    // Near the best: within 350 of it and at least half of it, so a win or a
    // five to stop may go unseen for an open four, and a good shape for a
    // lesser one, but a cell that is worth nothing is taken only when
    // nothing is worth more.
    const double floor = best >= 100 ? std::max(best - 350, best / 2) : best;
    int band = 0;
    for (int k = 0; k < scores.count; ++k) band += scores.score[k] >= floor;
    int pick = int(position_number(board, colour) % std::uint64_t(band));
    for (int k = 0; k < scores.count; ++k)
        if (scores.score[k] >= floor && pick-- == 0) return scores.cell[k];
    return std::nullopt;  // not reached: the best cell is in the band
}

std::optional<Cell> searched_cell(const Board& board, const ScoreTables& t, i16 colour, const SearchPlan& plan,
                                  long* nodes_used) {
    if (nodes_used) *nodes_used = 0;
    // A five of its own first; then the five of the colour that moves
    // soonest after it.
    if (const auto five = five_for(board, t.near_flag, colour)) return five;
    for (i16 o = next_colour(colour); o != colour; o = next_colour(o))
        if (const auto stop = five_for(board, t.near_flag, o)) return stop;

    Board working{};
    working_board(board, colour, working);
    CandidateScores scores;
    score_candidates(working, t, scores);
    if (scores.count == 0) return std::nullopt;
    // A four and an open three at once: the others may stop the five, but
    // the three then becomes a four of its own. A forcing start; the first
    // such cell in the order of the one-ply score.
    CandidateScores urgent;
    for (int k = 0; k < scores.count; ++k) {
        const Cell c = scores.cell[k];
        const Shape own = shape_of(board, colour, c.x, c.y);
        if (own.four && own.fours_and_threes >= 2) {
            urgent.cell[urgent.count] = c;
            urgent.score[urgent.count++] = scores.score[k];
        }
    }
    // Else, with no stone that would leave it two fives to make, when the
    // colour that moves next could make an open four, the root keeps only
    // the cells that leave it none: the search counts on the others to stop
    // what it leaves, and they need not.
    if (urgent.count == 0 && threats_of(board, t.near_flag, colour).most < 2)
        next_open_fours_stopped(board, t.near_flag, colour, scores, urgent);
    Ranked root;
    rank_cells(urgent.count > 0 ? urgent : scores, plan.own_width, root);
    if (urgent.count == 0) add_shape_cells(board, colour, scores, plan.shape, root);
    Search search(board, t, colour, plan);
    const Cell best = plan.method == SearchMethod::beam ? search.beam_of(root) : search.best_of(root);
    if (nodes_used) *nodes_used = search.nodes();
    return best;
}

}  // namespace quintora
