// SPDX-License-Identifier: GPL-3.0-or-later
// quintora_strength: how strong each strength of the computer plays, in
// tournaments without a window. Four computers play from a seeded opening
// to the end, exactly as the game plays its computer turns (the same choice,
// the same stone, the same five-stop map); every order of the four seats is
// played from every opening. Games that an order makes twice (two seats of
// one strength swapped) are played once.
//
//   quintora_strength [--openings N] [--threads N] [--plan METHOD,DEPTH,OWN,REPLY,NODES[,FORCING[,THREAT[,SHAPE[,CELLS[,DEFEND]]]]]]
//                     [--expert-plan (the same)]
//
// One line per level against three 標準, the last for 名人, and before them
// one of two 名人 against two 上級:
//   level=名人 opponents=標準x3 games=N wins=W draws=D share=S ci95=[lo,hi] move_p50_ms=A move_p95_ms=B
// share = wins / games; par for one player of four is 0.25. --plan puts a
// plan of its own in place of 名人's, --expert-plan in place of 上級's (to
// compare methods).
#include <algorithm>
#include <array>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "ai/strength.h"
#include "position/position.h"

using namespace quintora;

namespace {

const char* const level_names[strength_count] = {"標準", "入門", "上級", "名人"};

std::optional<SearchPlan> plan_override, expert_override;

std::optional<Cell> choose(const GameState& s, i16 colour, i16 strength) {
    const ScoreTables t{s.near_flag, s.five_stop, s.centre_bonus};
    if (strength == strength_master && plan_override) return searched_cell(s.board, t, colour, *plan_override);
    if (strength == strength_expert && expert_override) return searched_cell(s.board, t, colour, *expert_override);
    return choose_cell(s.board, t, colour, strength);
}

struct Outcome {
    int winner_seat = -1;  // -1: a draw
    std::vector<double> move_ms[colour_count];  // by seat
};

// Four stones, one of each colour, on cells drawn from the opening's number
// in the middle of the board; then the computers play.
Outcome play(std::uint32_t opening, const std::array<i16, colour_count>& strength_of_seat) {
    auto s = std::make_unique<GameState>();
    reset_position(*s);
    std::mt19937 r(0x0be11000u + opening);
    i16 colour = colour_black;
    for (int k = 0; k < colour_count; ++k) {
        Cell c;
        do c = Cell{7 + int(r() % 7u), 7 + int(r() % 7u)};
        while (s->board[c.x][c.y] != cell_empty);
        play_stone(*s, c, *Colour::from_code(colour));
        note_five_stops(*s, c, *Colour::from_code(colour));
        colour = *調査_次手番(colour);
    }
    Outcome out;
    for (;;) {
        const int seat = colour - colour_black;
        const auto t0 = std::chrono::steady_clock::now();
        const auto cell = choose(*s, colour, strength_of_seat[seat]);
        out.move_ms[seat].push_back(std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - t0).count());
        if (!cell) return out;  // the board is full: a draw
        if (play_stone(*s, *cell, *Colour::from_code(colour))) {
            out.winner_seat = seat;
            return out;
        }
        note_five_stops(*s, *cell, *Colour::from_code(colour));
        colour = *調査_次手番(colour);
    }
}

struct Tally {
    std::string level, opponents;
    int games = 0, wins = 0, draws = 0;
    std::vector<double> ms;
};

// Wilson's interval for a share of games, 95 %.
void wilson(int wins, int games, double& lo, double& hi) {
    const double z = 1.959963984540054, n = games, p = games ? wins / n : 0;
    const double d = 1 + z * z / n, c = p + z * z / (2 * n), w = z * std::sqrt(p * (1 - p) / n + z * z / (4 * n * n));
    lo = (c - w) / d;
    hi = (c + w) / d;
}

double percentile(std::vector<double> v, double q) {
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, std::size_t(q * double(v.size())))];
}

void print(const Tally& t) {
    double lo, hi;
    wilson(t.wins, t.games, lo, hi);
    std::printf("level=%s opponents=%s games=%d wins=%d draws=%d share=%.3f ci95=[%.3f,%.3f] move_p50_ms=%.2f "
                "move_p95_ms=%.2f\n",
                t.level.c_str(), t.opponents.c_str(), t.games, t.wins, t.draws, t.games ? double(t.wins) / t.games : 0,
                lo, hi, percentile(t.ms, 0.5), percentile(t.ms, 0.95));
    std::fflush(stdout);
}

// Every order of the seats of `players` (24 orders), from every opening; the
// players `tested` marks are the side counted. Orders that give the same
// game and the same side (strengths that repeat) count once; a game that
// several sides share (four 標準) is played once.
Tally tournament(const std::array<i16, colour_count>& players, const std::array<bool, colour_count>& tested,
                 int openings, int threads, const std::string& level, const std::string& opponents) {
    using Seats = std::array<i16, colour_count>;
    std::vector<std::pair<Seats, int>> orders;  // strengths by seat, and the tested seats as bits
    std::vector<Seats> games;
    std::array<int, colour_count> idx{0, 1, 2, 3};
    do {
        Seats o;
        int mask = 0;
        for (int k = 0; k < colour_count; ++k) {
            o[k] = players[idx[k]];
            if (tested[idx[k]]) mask |= 1 << k;
        }
        if (std::find(orders.begin(), orders.end(), std::pair{o, mask}) == orders.end()) orders.push_back({o, mask});
        if (std::find(games.begin(), games.end(), o) == games.end()) games.push_back(o);
    } while (std::next_permutation(idx.begin(), idx.end()));
    std::vector<Outcome> outcomes(std::size_t(openings) * games.size());
    std::atomic<std::size_t> next{0};
    auto worker = [&] {
        for (std::size_t j; (j = next++) < outcomes.size();)
            outcomes[j] = play(std::uint32_t(j / games.size()), games[j % games.size()]);
    };
    std::vector<std::thread> pool;
    for (int k = 0; k < threads; ++k) pool.emplace_back(worker);
    for (auto& th : pool) th.join();
    Tally t{level, opponents, 0, 0, 0, {}};
    for (int g = 0; g < openings; ++g)
        for (const auto& [seats, mask] : orders) {
            const std::size_t at = std::size_t(std::find(games.begin(), games.end(), seats) - games.begin());
            const Outcome& out = outcomes[std::size_t(g) * games.size() + at];
            ++t.games;
            if (out.winner_seat < 0) ++t.draws;
            else if (mask & (1 << out.winner_seat)) ++t.wins;
            for (int seat = 0; seat < colour_count; ++seat)
                if (mask & (1 << seat)) t.ms.insert(t.ms.end(), out.move_ms[seat].begin(), out.move_ms[seat].end());
        }
    return t;
}

}  // namespace

int main(int argc, char** argv) {
    int openings = 10, threads = 2;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--openings") == 0) openings = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--threads") == 0) threads = std::max(1, std::atoi(argv[i + 1]));
        else if (std::strcmp(argv[i], "--plan") == 0 || std::strcmp(argv[i], "--expert-plan") == 0) {
            char method[32] = {};
            SearchPlan p;
            if (std::sscanf(argv[i + 1], "%31[a-z_],%d,%d,%d,%ld,%d,%d,%d,%ld,%d", method, &p.depth, &p.own_width,
                            &p.reply_width, &p.nodes, &p.forcing, &p.threat, &p.shape, &p.cells, &p.defend) < 5) {
                std::fprintf(stderr, "--plan best_reply|paranoid|forecast,DEPTH,OWN,REPLY,NODES[,FORCING[,THREAT[,SHAPE[,CELLS[,DEFEND]]]]]\n");
                return 2;
            }
            p.method = std::strcmp(method, "paranoid") == 0   ? SearchMethod::paranoid
                       : std::strcmp(method, "forecast") == 0 ? SearchMethod::forecast
                       : std::strcmp(method, "beam") == 0     ? SearchMethod::beam
                                                              : SearchMethod::best_reply;
            (std::strcmp(argv[i], "--plan") == 0 ? plan_override : expert_override) = p;
        } else {
            std::fprintf(stderr, "usage: quintora_strength [--openings N] [--threads N] [--plan ...] [--expert-plan ...]\n");
            return 2;
        }
    }
    const char* only = std::getenv("STRENGTH_ONLY");  // a level's name: that tournament alone
    auto wanted = [only](const char* name) { return !only || std::strcmp(only, name) == 0; };
    if (wanted("pair"))
        print(tournament({strength_master, strength_master, strength_expert, strength_expert},
                         {true, true, false, false}, openings, threads, "名人x2", "上級x2"));
    for (const i16 level : {strength_beginner, strength_standard, strength_expert, strength_master})
        if (wanted(level_names[level]))
            print(tournament({level, strength_standard, strength_standard, strength_standard},
                             {true, false, false, false}, openings, threads, level_names[level], "標準x3"));
    return 0;
}
