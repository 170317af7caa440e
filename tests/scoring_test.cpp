// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>

#include "ai/scoring.h"
#include "ai/search.h"
#include "rules/five.h"
#include "support/board_text.h"

using namespace quintora;

namespace {
constexpr i16 own = player_computer;
constexpr i16 others = player_human;

// A working board: own and others' stones, every cell a candidate unless said.
struct ScoreTest : ::testing::Test {
    std::unique_ptr<GameState> st = std::make_unique<GameState>();
    GameState& s = *st;
    ScoreTest() {
        設定_中央得点(s);
        for (int x = 1; x <= 19; ++x)
            for (int y = 1; y <= 19; ++y) s.near_flag[x][y] = flag_yes;
    }
    void row(int from, int to, int y, i16 v) {
        for (int x = from; x <= to; ++x) s.board[x][y] = v;
    }
    void board(std::string_view text) { quintora::testing::put_board(s.board, text); }
    ScoreTables tables() const { return {s.near_flag, s.five_stop, s.centre_bonus}; }
    double score(int x, int y) const { return 調査_得点(s.board, tables(), x, y); }
};
}  // namespace

TEST_F(ScoreTest, PatternRowsInTheirOrder) {
    board(".\n"
          ".oooo.\n"    // (6,2) completes exactly five of its own: 1000
          ".\n.\n"
          ".xxxx.\n"    // (6,5) stops another's five: 900
          ".\n.\n"
          "..ooo..\n"   // (6,8) makes an open four: 800
          ".\n.\n.\n.\n.\n"
          "..xxx..\n");  // (6,14) stops another's open four: 700
    EXPECT_EQ(score(6, 2), 1000);
    EXPECT_EQ(score(6, 5), 900);
    EXPECT_EQ(score(6, 8), 800);
    EXPECT_EQ(score(6, 14), 700);
}

TEST_F(ScoreTest, FiveStopComesFirstEvenWhereTheComputerWouldWin) {
    board(".\n"
          ".oooo.\n");
    s.five_stop[6][2] = flag_yes;
    EXPECT_EQ(score(6, 2), 999);
}

TEST_F(ScoreTest, ClosedOwnFourAtTheEdgeIsFiveHundred) {
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "ooo..\n");  // the border closes the left end of (4,10)'s four
    EXPECT_EQ(score(4, 10), 500);
}

TEST_F(ScoreTest, OwnOpenThreeIsFourHundredWithoutTheCentreBonus) {
    board(".\n.\n"
          "........xx..\n"   // (11,3): another's open three, 300
          ".\n.\n.\n.\n.\n.\n"
          "........oo..\n");  // (11,10): own open three, 400, not 400.1
    EXPECT_EQ(score(11, 10), 400) << "a matched row replaces the base";
    EXPECT_EQ(score(11, 3), 300);
}

TEST_F(ScoreTest, OthersPlainFourIsTheLastRowAndOwnOpenThreeComesBeforeIt) {
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "oxxx.o\n");  // (5,17) stops another's four closed at both ends: 500
    EXPECT_EQ(score(5, 17), 500);
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "....o\n"
          "....o\n");  // and (5,17) now also makes an own open three downwards
    EXPECT_EQ(score(5, 17), 400) << "the own open three comes first";
}

TEST_F(ScoreTest, BaseWhenNothingMatches) {
    EXPECT_DOUBLE_EQ(score(3, 3), 0);
    EXPECT_DOUBLE_EQ(score(10, 10), 0.1);
    // An own run of exactly three closed at one end: no row, the three bonus.
    board(".\n.\n.\n.\n"
          "oo.\n"            // (3,5), closed by the border
          ".\n.\n.\n.\n.\n.\n"
          ".......xoo.\n");  // (11,12), closed by another's stone, in the centre block
    EXPECT_DOUBLE_EQ(score(3, 5), 100);
    EXPECT_DOUBLE_EQ(score(11, 12), 100.1);
    // Not a candidate: the base alone, after the five-stop and three tests.
    s.near_flag[3][5] = flag_no;
    EXPECT_DOUBLE_EQ(score(3, 5), 100);
}

TEST_F(ScoreTest, SixOwnStonesMatchNoFiveRow) {
    board(".\n.\n.\n.\n.\n.\n"
          ".ooooo.\n");
    EXPECT_EQ(score(7, 7), 0) << "would make six";
}

TEST_F(ScoreTest, ThreeDifferentOpponentsCountAsOneSide) {
    // In colours: blue, white, red in a row; the computer plays black.
    auto live = std::make_unique<GameState>(s);
    quintora::testing::put_board(live->board,
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 ".........\n"
                                 "...uwr...\n");
    live->board[10][2] = colour_black;
    // The computer's working board has them all as others.
    row(4, 6, 9, others);
    s.board[10][2] = own;
    EXPECT_EQ(調査_得点(s.board, tables(), 3, 9), 700);
    EXPECT_EQ(調査_得点(s.board, tables(), 7, 9), 700);
    live->board[7][9] = colour_blue;
    s.board[7][9] = others;
    EXPECT_EQ(調査_得点(s.board, tables(), 8, 9), 900);
    const auto chosen = com置場所取得(live->board, tables(), colour_black);
    ASSERT_TRUE(chosen.has_value());
    EXPECT_EQ(chosen->x, 3) << "the first of the two 900 cells in column order";
    EXPECT_EQ(live->board[7][9], colour_blue);
}

TEST(CandidateArea, SquareOfFiveClippedToTheBoard) {
    auto st = std::make_unique<GameState>();
    隣接範囲フラグセット(st->near_flag, 1, 1);
    int n = 0;
    for (int x = 0; x < 20; ++x)
        for (int y = 0; y < 20; ++y) n += st->near_flag[x][y];
    EXPECT_EQ(n, 9);
    EXPECT_EQ(st->near_flag[3][3], flag_yes);
    隣接範囲フラグセット(st->near_flag, 10, 10);
    EXPECT_EQ(st->near_flag[8][8] + st->near_flag[12][12], 2);
    EXPECT_EQ(st->near_flag[13][10] + st->near_flag[7][10], 0);
}

namespace {
struct SearchTest : ::testing::Test {
    std::unique_ptr<GameState> st = std::make_unique<GameState>();
    GameState& s = *st;
    SearchTest() {
        設定_中央得点(s);
        s.near_flag[10][10] = flag_yes;
    }
    std::pair<int, int> choose(i16 colour) {
        const auto c = com置場所取得(s.board, {s.near_flag, s.five_stop, s.centre_bonus}, colour);
        return c ? std::pair(c->x, c->y) : std::pair(0, 0);
    }
};
}  // namespace

TEST_F(SearchTest, FirstStoneOfAGameGoesToTheCentre) { EXPECT_EQ(choose(colour_black), std::pair(10, 10)); }

TEST_F(SearchTest, AnOpeningOnThreeThreeGetsTheCentre) {
    s.board[3][3] = colour_black;
    隣接範囲フラグセット(s.near_flag, 3, 3);
    EXPECT_EQ(choose(colour_blue), std::pair(10, 10));
}

TEST_F(SearchTest, ASingleStoneOnTheCentreGetsNineNine) {
    s.board[10][10] = colour_black;
    隣接範囲フラグセット(s.near_flag, 10, 10);
    EXPECT_EQ(choose(colour_blue), std::pair(9, 9));
}

TEST_F(SearchTest, TiesGoToTheLeftmostColumnThenTheTopmostRow) {
    s.near_flag[10][10] = flag_no;
    s.near_flag[5][12] = s.near_flag[5][3] = flag_yes;
    EXPECT_EQ(choose(colour_red), std::pair(5, 3));
    s.near_flag[5][12] = s.near_flag[5][3] = flag_no;
    s.near_flag[4][18] = s.near_flag[5][1] = flag_yes;
    EXPECT_EQ(choose(colour_red), std::pair(4, 18));
}

TEST_F(SearchTest, NoCandidateChoosesNothing) {
    s.board[10][10] = colour_white;  // the one flagged cell is taken
    EXPECT_FALSE(com置場所取得(s.board, {s.near_flag, s.five_stop, s.centre_bonus}, colour_black).has_value());
}

// A cell that is both the computer's open three and another colour's: the
// row for its own three comes first.
TEST_F(ScoreTest, OwnOpenThreeOutranksOthersOpenThreeOnTheSameCell) {
    quintora::testing::put_board(s.board,
                       ".......\n"
                       ".......\n"
                       ".ooo...\n"
                       "....x..\n"
                       "....x..\n"
                       "....x..\n"
                       ".......\n");
    // (5,3) meets three own stones in its row and three of the others in its
    // column, both lines open at either end.
    EXPECT_EQ(score(5, 3), 800);
}
