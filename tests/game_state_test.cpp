// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "state/modes.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <vector>

#include "state/game_state.h"
#include "app/sleeping_pause.h"

using namespace quintora;

TEST(NextColour, CyclesThroughAllFourAndNothingElse) {
    EXPECT_EQ(調査_次手番(colour_black), colour_blue);
    EXPECT_EQ(調査_次手番(colour_blue), colour_white);
    EXPECT_EQ(調査_次手番(colour_white), colour_red);
    EXPECT_EQ(調査_次手番(colour_red), colour_black);
    for (i16 c : {cell_empty, no_game, i16(5), i16(-1), player_computer}) EXPECT_FALSE(調査_次手番(c).has_value()) << c;
}

TEST(BoardCopies, HistoryStoresTheFieldOnlyAndRefusesStepsOutsideTheRecord) {
    auto s = std::make_unique<GameState>();
    s->board[1][1] = colour_black;
    調査_保存(*s, 500);
    EXPECT_EQ(s->board_history[500][1][1], colour_black);
    調査_保存(*s, 501);  // no room: nothing written past the table
    調査_保存(*s, -1);
    EXPECT_EQ(s->board_history[0][1][1], cell_empty);
}

TEST(CentreBonus, IsTheBlockNineToTwelve) {
    auto s = std::make_unique<GameState>();
    設定_中央得点(*s);
    for (auto [x, y] : {std::pair{9, 9}, {12, 12}, {9, 12}, {12, 9}}) EXPECT_DOUBLE_EQ(s->centre_bonus[x][y], 0.1);
    for (auto [x, y] : {std::pair{8, 10}, {13, 10}, {10, 8}, {10, 13}}) EXPECT_DOUBLE_EQ(s->centre_bonus[x][y], 0);
    int n = 0;
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 20; ++y) n += s->centre_bonus[x][y] > 0;
    EXPECT_EQ(n, 16);
}

TEST(SleepingPause, WaitsAtLeastTheTimeAskedAndZeroReturnsAtOnce) {
    SleepingPause p;
    using clock = std::chrono::steady_clock;
    auto t0 = clock::now();
    p.wait(0);
    p.wait(-1);
    p.wait(0.03);
    EXPECT_GE(clock::now() - t0, std::chrono::milliseconds(30));
}

TEST(ModeTable, EveryModeHasAPersonAndAComputerFollowsEachPersonButInFourPlay) {
    for (int m = 0; m < mode_count; ++m) {
        int people = 0;
        for (const Colour c : Colour::all()) {
            people += mode_player_kinds[m][c] == player_human;
            if (m != mode_four - 1 && mode_player_kinds[m][c] == player_human) {
                EXPECT_EQ(mode_player_kinds[m][c.next()], player_computer) << "mode " << m + 1;
            }
        }
        EXPECT_GE(people, 1);
    }
}

// The record of every position is 400 KiB of zeros; a game writes one board of
// it per stone, and only what has been written may take memory.
TEST(BoardCopies, HistoryTakesMemoryOnlyWhereItIsWritten) {
    auto s = std::make_unique<GameState>();
    for (int m = 0; m < 10; ++m) 調査_保存(*s, m);
    const long page = sysconf(_SC_PAGESIZE);
    const auto first = reinterpret_cast<std::uintptr_t>(&s->board_history[0][0][0]) / page * page;
    const auto end = reinterpret_cast<std::uintptr_t>(&s->board_history[history_steps - 1][board_size - 1][0]);
    std::vector<unsigned char> in_memory(std::size_t((end - first) / page + 1));
    ASSERT_EQ(mincore(reinterpret_cast<void*>(first), end - first, in_memory.data()), 0);
    const auto resident = std::count_if(in_memory.begin(), in_memory.end(), [](unsigned char c) { return c & 1; });
    EXPECT_LE(resident, 4) << "of " << in_memory.size() << " pages";
    EXPECT_EQ(s->board_history[history_steps - 1][10][10], cell_empty);
}
