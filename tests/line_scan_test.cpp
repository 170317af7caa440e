// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>
#include <random>

#include "rules/line_scan.h"

using namespace quintora;

namespace {
constexpr i16 c = colour_red;

struct ScanTest : ::testing::Test {
    std::unique_ptr<GameState> st = std::make_unique<GameState>();
    GameState& s = *st;
};

constexpr Step steps[8] = {step_up, step_down, step_left, step_right, step_up_left, step_down_right, step_down_left, step_up_right};
}  // namespace

TEST_F(ScanTest, LoneStoneCountsNothingAndEveryEndIsOpen) {
    s.board[10][10] = c;
    for (int k = 0; k < 8; ++k) {
        EXPECT_EQ(count_run(s.board, steps[k], c, 10, 10), 0) << k;
        EXPECT_EQ(probe_run_end(s.board, steps[k], c, 10, 10), cell_empty) << k;
    }
}

TEST_F(ScanTest, CountersStopAtTheBorderAndIgnoreTheStartCell) {
    for (int x = 16; x <= 19; ++x) s.board[x][10] = c;
    EXPECT_EQ(count_run(s.board, step_right, c, 15, 10), 4);
    s.board[15][10] = colour_blue;  // the start cell is never read
    EXPECT_EQ(count_run(s.board, step_right, c, 15, 10), 4);
    EXPECT_EQ(count_run(s.board, step_left, c, 1, 7), 0);
    EXPECT_EQ(count_run(s.board, step_up, c, 7, 1), 0);
    // Row and column 0 hold the colour but are never part of the field.
    s.board[0][5] = c;
    s.board[5][0] = c;
    EXPECT_EQ(count_run(s.board, step_left, c, 1, 5), 0);
    EXPECT_EQ(count_run(s.board, step_up, c, 5, 1), 0);
    EXPECT_EQ(count_run(s.board, step_up_left, c, 1, 1), 0);
}

TEST_F(ScanTest, ProbeReportsWhatEndsTheRunAndTheBorderClosesIt) {
    s.board[10][10] = c;
    s.board[9][10] = c;
    EXPECT_EQ(probe_run_end(s.board, step_left, c, 10, 10), cell_empty);
    s.board[8][10] = colour_white;
    EXPECT_EQ(probe_run_end(s.board, step_left, c, 10, 10), colour_white);

    for (int x = 1; x <= 4; ++x) s.board[x][7] = c;
    EXPECT_EQ(probe_run_end(s.board, step_left, c, 4, 7), c) << "a run covering the last-line cell is closed";
    s.board[1][7] = cell_empty;
    EXPECT_EQ(probe_run_end(s.board, step_left, c, 4, 7), cell_empty);

    s.board[3][1] = colour_blue;
    EXPECT_EQ(probe_run_end(s.board, step_up_left, c, 3, 1), colour_blue) << "a probe starting on the last line returns its own cell";
    EXPECT_EQ(probe_run_end(s.board, step_up_right, c, 3, 1), colour_blue);
}

TEST_F(ScanTest, ScansCompareWithAnyValue) {
    for (int y = 3; y <= 6; ++y) s.board[2][y] = player_computer;
    EXPECT_EQ(count_run(s.board, step_down, player_computer, 2, 2), 4);
    EXPECT_EQ(probe_run_end(s.board, step_down, player_computer, 2, 3), cell_empty);
    EXPECT_EQ(probe_run_end(s.board, step_up, player_computer, 2, 6), cell_empty);
}

// Brute force: walk cell by cell with explicit bounds.
namespace {
int brute_count(const Board& b, Step d, i16 v, int x, int y) {
    int n = 0;
    for (int cx = x + d.dx, cy = y + d.dy; cx >= 1 && cx <= 19 && cy >= 1 && cy <= 19 && b[cx][cy] == v;
         cx += d.dx, cy += d.dy)
        ++n;
    return n;
}
i16 brute_probe(const Board& b, Step d, i16 v, int x, int y) {
    int cx = x, cy = y;
    while (b[cx][cy] == v) {
        const int nx = cx + d.dx, ny = cy + d.dy;
        if (nx < 1 || nx > 19 || ny < 1 || ny > 19) break;  // the walk stays on its last line
        cx = nx;
        cy = ny;
    }
    return b[cx][cy];
}
}  // namespace

TEST_F(ScanTest, AgreeWithABruteForceWalkOnRandomBoards) {
    std::mt19937 rng(20261207);
    for (int round = 0; round < 300; ++round) {
        const int density = 1 + round % 5;
        for (int x = 1; x <= 19; ++x)
            for (int y = 1; y <= 19; ++y) s.board[x][y] = i16(rng() % (density + 1) == 0 ? 0 : 1 + rng() % 2);
        for (int t = 0; t < 40; ++t) {
            const int x = 1 + rng() % 19, y = 1 + rng() % 19;
            const i16 v = i16(rng() % 3);
            for (int k = 0; k < 8; ++k) {
                ASSERT_EQ(count_run(s.board, steps[k], v, x, y), brute_count(s.board, steps[k], v, x, y)) << k << " at " << x << "," << y;
                ASSERT_EQ(probe_run_end(s.board, steps[k], v, x, y), brute_probe(s.board, steps[k], v, x, y)) << k << " at " << x << "," << y;
            }
        }
    }
}

// The computer's score supposes a stone on an empty cell without writing it:
// the probe through that cell must read as if the stone were there, at the
// border too.
TEST_F(ScanTest, ProbeThroughASupposedStoneMatchesTheStoneWritten) {
    std::mt19937 rng(11);
    for (int round = 0; round < 40; ++round) {
        for (int x = 1; x <= 19; ++x)
            for (int y = 1; y <= 19; ++y) s.board[x][y] = i16(rng() % 3 == 0 ? rng() % 3 : 0);
        for (int x = 1; x <= 19; ++x)
            for (int y = 1; y <= 19; ++y) {
                if (s.board[x][y] != cell_empty) continue;
                for (i16 side : {i16(1), i16(2)}) {
                    s.board[x][y] = side;
                    i16 written[8];
                    for (int k = 0; k < 8; ++k) written[k] = probe_run_end(s.board, steps[k], side, x, y);
                    s.board[x][y] = cell_empty;
                    for (int k = 0; k < 8; ++k)
                        ASSERT_EQ(probe_run_end_through(s.board, steps[k], side, x, y), written[k])
                            << k << " at " << x << "," << y;
                }
            }
    }
}
