// SPDX-License-Identifier: GPL-3.0-or-later
// Micro-benchmarks of the rules and the computer player on fixed positions.
// Every figure is reported over 10 repetitions as mean, median, stddev, cv,
// min and max; quote the median and the spread.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>

#include "ai/search.h"
#include "boards.h"
#include "rules/five.h"

namespace quintora::bench {
namespace {

constexpr int mid_game_stones = 100;

// One laid position per stone count, made once.
const GameState& position(int stones) {
    static std::map<int, std::unique_ptr<GameState>> made;
    auto& p = made[stones];
    if (!p) {
        p = std::make_unique<GameState>();
        lay(*p, make_game(stones));
    }
    return *p;
}

void add_spread(benchmark::internal::Benchmark* b) {
    b->Repetitions(10)
        ->ReportAggregatesOnly(true)
        ->ComputeStatistics("min", [](const std::vector<double>& v) { return *std::min_element(v.begin(), v.end()); })
        ->ComputeStatistics("max", [](const std::vector<double>& v) { return *std::max_element(v.begin(), v.end()); })
        ->Unit(benchmark::kNanosecond);
}

// 調査_5並び through every stone of a mid-game position in turn, for its own colour.
void BM_five_in_a_row(benchmark::State& st) {
    auto s = std::make_unique<GameState>(position(mid_game_stones));
    const int n = s->move_number;
    int k = 0;
    for (auto _ : st) {
        const i16 r = 調査_5並び(s->board, s->move_colour[k], s->move_x[k], s->move_y[k]);
        benchmark::DoNotOptimize(r);
        if (++k == n) k = 0;
    }
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_five_in_a_row)->Name("調査_5並び/100_stones")->Apply(add_spread);

// 設定_五止座標 after every stone of a mid-game position in turn.
void BM_five_stop(benchmark::State& st) {
    auto s = std::make_unique<GameState>(position(mid_game_stones));
    const int n = s->move_number;
    int k = 0;
    for (auto _ : st) {
        設定_五止座標(s->board, s->five_stop, s->move_colour[k], s->move_x[k], s->move_y[k]);
        benchmark::DoNotOptimize(s->five_stop);
        if (++k == n) k = 0;
    }
    st.SetItemsProcessed(st.iterations());
}
BENCHMARK(BM_five_stop)->Name("設定_五止座標/100_stones")->Apply(add_spread);

// The computer's choice for the colour to move, as the game asks for it.
void BM_choose(benchmark::State& st) {
    const int stones = int(st.range(0));
    auto s = std::make_unique<GameState>(position(stones));
    const i16 colour = s->to_move;
    std::optional<Cell> chosen;
    for (auto _ : st) {
        chosen = com置場所取得(s->board, {s->near_flag, s->five_stop, s->centre_bonus}, colour);
        benchmark::DoNotOptimize(chosen);
    }
    int candidates = 0;
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j)
            candidates += s->near_flag[i][j] == flag_yes && s->board[i][j] == cell_empty;
    st.counters["stones"] = stones;
    st.counters["candidates"] = candidates;
    st.counters["found"] = chosen.has_value();
    st.counters["x"] = chosen ? chosen->x : 0;
    st.counters["y"] = chosen ? chosen->y : 0;
}
BENCHMARK(BM_choose)->Name("com置場所取得")->ArgName("stones")->Arg(10)->Arg(100)->Arg(200)->Arg(300)->Apply(add_spread);

}  // namespace
}  // namespace quintora::bench

BENCHMARK_MAIN();
