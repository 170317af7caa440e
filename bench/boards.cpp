// SPDX-License-Identifier: GPL-3.0-or-later
#include "boards.h"

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <stdexcept>
#include <string>

#include "ai/scoring.h"
#include "rules/five.h"
#include "rules/line_scan.h"

namespace quintora::bench {

std::uint64_t Rng::next() {
    std::uint64_t z = (s_ += 0x9e3779b97f4a7c15ULL);
    z = (z ^ (z >> 30)) * 0xbf58476d1ce4e5b9ULL;
    z = (z ^ (z >> 27)) * 0x94d049bb133111ebULL;
    return z ^ (z >> 31);
}

bool makes_five_or_more(const Board& board, i16 colour, int x, int y) {
    for (const Line& l : lines)
        if (run_length(board, l, colour, x, y) >= 5) return true;
    return false;
}

std::vector<Move> make_game(int stones, std::uint64_t seed) {
    Rng rng(seed);
    Board board{};
    Board near{};
    near[10][10] = flag_yes;
    std::vector<Move> moves;
    i16 colour = colour_black;
    while (int(moves.size()) < stones) {
        std::vector<std::pair<int, int>> candidates;
        for (int x = 1; x <= field_last; ++x)
            for (int y = 1; y <= field_last; ++y)
                if (near[x][y] == flag_yes && board[x][y] == cell_empty && !makes_five_or_more(board, colour, x, y))
                    candidates.emplace_back(x, y);
        if (candidates.empty())
            throw std::runtime_error("no cell left for stone " + std::to_string(moves.size() + 1));
        const auto [x, y] = candidates[std::size_t(rng.below(int(candidates.size())))];
        board[x][y] = colour;
        for (int i = std::max(1, x - 2); i <= std::min(field_last, x + 2); ++i)
            for (int j = std::max(1, y - 2); j <= std::min(field_last, y + 2); ++j) near[i][j] = flag_yes;
        moves.push_back({colour, x, y});
        colour = *調査_次手番(colour);
    }
    return moves;
}

void lay(GameState& s, const std::vector<Move>& moves) {
    s = GameState{};
    設定_中央得点(s);
    s.near_flag[10][10] = flag_yes;
    調査_保存(s, 0);
    for (const Move& m : moves) {
        s.board[m.x][m.y] = m.colour;
        s.move_x[s.move_number] = i16(m.x);
        s.move_y[s.move_number] = i16(m.y);
        s.move_colour[s.move_number] = m.colour;
        隣接範囲フラグセット(s.near_flag, m.x, m.y);
        s.move_number++;
        調査_保存(s, s.move_number);
        設定_五止座標(s.board, s.five_stop, m.colour, m.x, m.y);
        s.last_x = i16(m.x);
        s.last_y = i16(m.y);
        s.last_colour = m.colour;
    }
    s.max_move_number = s.move_number;
    s.to_move = moves.empty() ? colour_black : *調査_次手番(moves.back().colour);
}

namespace {
double seconds_of(clockid_t id) {
    timespec t{};
    clock_gettime(id, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
}  // namespace

double process_cpu_seconds() { return seconds_of(CLOCK_PROCESS_CPUTIME_ID); }
double thread_cpu_seconds() { return seconds_of(CLOCK_THREAD_CPUTIME_ID); }
double wall_seconds() { return seconds_of(CLOCK_MONOTONIC); }

long peak_rss_kib() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_maxrss;
}

double quantile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    std::size_t rank = std::size_t(q * double(v.size()) + 0.999999);  // nearest rank, 1-based
    rank = std::clamp<std::size_t>(rank, 1, v.size());
    return v[rank - 1];
}

void FailingExit::end_process(int code) {
    std::fprintf(stderr, "the game asked to end the process (code %d) during the measurement\n", code);
    std::_Exit(3);
}

}  // namespace quintora::bench
