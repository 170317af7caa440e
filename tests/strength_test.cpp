// SPDX-License-Identifier: GPL-3.0-or-later
// The computer's strengths on boards written in the four colours: the
// tactics 上級 and 名人 must find, and what 入門 may and may not pick. Blue
// is to move in every position; after blue come white, red and black.
#include <gtest/gtest.h>

#include <memory>
#include <set>

#include "ai/search.h"
#include "ai/strength.h"
#include "support/board_text.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

struct Strengths : ::testing::TestWithParam<i16> {
    std::unique_ptr<GameState> st = std::make_unique<GameState>();
    GameState& s = *st;
    Strengths() { 設定_中央得点(s); }
    void board(std::string_view text) {
        put_board(s.board, text);
        for (int x = 1; x <= 19; ++x)
            for (int y = 1; y <= 19; ++y)
                if (s.board[x][y] != cell_empty) 隣接範囲フラグセット(s.near_flag, x, y);
    }
    Cell choose(i16 strength) const {
        return choose_cell(s.board, {s.near_flag, s.five_stop, s.centre_bonus}, colour_blue, strength)
            .value_or(Cell{0, 0});
    }
};

}  // namespace

// Red's open four (1,3)/(6,3) comes first in column order, but blue's own
// five at (11,10) ends the game before red moves.
TEST_P(Strengths, WinsInOne) {
    board(".\n.\n"
          ".rrrr\n"
          ".\n.\n.\n.\n.\n.\n"
          ".....wuuuu\n");
    EXPECT_EQ(choose(GetParam()), (Cell{11, 10}));
}

// Red's five at (5,2) and white's at (12,12): blue has none of its own and
// white moves next, so white's is the one to stop. (標準 blocks red's: both
// score 900 and red's column comes first.)
TEST_P(Strengths, StopsTheFiveOfTheColourThatMovesNext) {
    board(".\n"
          "rrrr\n"
          ".\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "......uwwww\n");
    EXPECT_EQ(choose(GetParam()), (Cell{12, 12}));
}

// White, next to move, has w.ww on row 10 (columns 6, 8, 9): white on
// (7,10) would make an open four 6..9 with (5,10) and (10,10) empty. Blue
// stops it on (7,10), or on (5,10) or (10,10), where white's four would be
// closed at one end. Blue has a stone far off, nothing to attack with.
TEST_P(Strengths, StopsAnOpenFour) {
    board(".\n.\n.\n"
          "..u\n"
          ".\n.\n.\n.\n.\n"
          ".....w.ww\n");
    const std::set<Cell, bool (*)(Cell, Cell)> stops({Cell{5, 10}, Cell{7, 10}, Cell{10, 10}},
                                                     [](Cell a, Cell b) { return a.x != b.x ? a.x < b.x : a.y < b.y; });
    EXPECT_TRUE(stops.count(choose(GetParam()))) << ::testing::PrintToString(choose(GetParam()));
}

// Blue: (6..8,10) closed by white at (5,10), and (9,11), (9,12). On (9,10)
// blue makes a four on row 10 (its five at (10,10)) and an open three
// (9,10..12) on column 9, with (9,9) and (9,13) empty: a four-three. No
// other cell makes a four.
TEST_P(Strengths, MakesAFourThree) {
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "....wuuu\n"
          "........u\n"
          "........u\n");
    EXPECT_EQ(choose(GetParam()), (Cell{9, 10}));
}

// Blue: (11,13,15,17, 10) on row 10 and (14, 7,9,11,13) on column 14. On
// (14,10) blue leaves four fives to make, (12,10), (16,10), (14,8) and
// (14,12), and the three others can stop only three. The one-ply score sees
// only runs of two there (400), like the ends of the two pairs (3,3)/(6,3)
// and (3,16)/(6,16), which come first in column order.
TEST_P(Strengths, LeavesFourFivesAtOnce) {
    board(".\n.\n"
          "...uu\n"
          ".\n.\n.\n"
          ".............u\n"
          ".\n"
          ".............u\n"
          "..........u.u.u.u\n"
          ".............u\n"
          ".\n"
          ".............u\n"
          ".\n.\n"
          "...uu\n");
    EXPECT_EQ(choose(GetParam()), (Cell{14, 10}));
}

INSTANTIATE_TEST_SUITE_P(Searching, Strengths, ::testing::Values(strength_expert, strength_master),
                         [](const auto& info) { return std::string(info.param == strength_expert ? "Expert" : "Master"); });

// 標準 is the one-ply player itself, cell for cell.
TEST(Strength, StandardIsTheOnePlyPlayer) {
    auto s = std::make_unique<GameState>();
    設定_中央得点(*s);
    put_board(s->board, ".\n.\n.\n.\n.\n.\n.\n"
                        ".......b.r\n"
                        "........uw\n"
                        ".......ub\n");
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y)
            if (s->board[x][y] != cell_empty) 隣接範囲フラグセット(s->near_flag, x, y);
    const ScoreTables t{s->near_flag, s->five_stop, s->centre_bonus};
    for (i16 colour = colour_black; colour <= colour_red; ++colour)
        EXPECT_EQ(choose_cell(s->board, t, colour, strength_standard), com置場所取得(s->board, t, colour));
}

// 入門 picks within a band of 標準's scores. Blue can win at (11,10)
// (1000); the band reaches down to 650, where no other cell is, so even 入門
// takes the win. With only a stone of another colour at (10,10), every
// cell scores 0 or 0.1: 入門 keeps to the 0.1 block 9..12 x 9..12, never
// farther off.
TEST(Strength, BeginnerStaysNearTheBest) {
    auto s = std::make_unique<GameState>();
    設定_中央得点(*s);
    put_board(s->board, ".\n.\n.\n.\n.\n.\n.\n.\n.\n"
                        ".....wuuuu\n");
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y)
            if (s->board[x][y] != cell_empty) 隣接範囲フラグセット(s->near_flag, x, y);
    EXPECT_EQ(beginner_cell(s->board, {s->near_flag, s->five_stop, s->centre_bonus}, colour_blue), (Cell{11, 10}));

    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) s->board[x][y] = s->near_flag[x][y] = 0;
    s->board[10][10] = colour_black;
    隣接範囲フラグセット(s->near_flag, 10, 10);
    const auto c = beginner_cell(s->board, {s->near_flag, s->five_stop, s->centre_bonus}, colour_blue);
    ASSERT_TRUE(c.has_value());
    EXPECT_TRUE(c->x >= 9 && c->x <= 12 && c->y >= 9 && c->y <= 12) << ::testing::PrintToString(*c);
}
