// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>

#include "rules/five.h"
#include "rules/placement.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
struct FiveTest : ::testing::Test {
    std::unique_ptr<GameState> st = std::make_unique<GameState>();
    GameState& s = *st;
    void row(int from, int to, int y, i16 c = colour_black) {
        for (int x = from; x <= to; ++x) s.board[x][y] = c;
    }
    int marks() const {
        int n = 0;
        for (int x = 0; x < 20; ++x)
            for (int y = 0; y < 20; ++y) n += s.five_stop[x][y];
        return n;
    }
};
}  // namespace

TEST_F(FiveTest, ExactlyFiveWinsAndSixDoesNot) {
    row(5, 9, 10);
    EXPECT_EQ(調査_5並び(s.board, colour_black, 9, 10), flag_yes);
    EXPECT_EQ(調査_5並び(s.board, colour_black, 7, 10), flag_yes);
    EXPECT_EQ(調査_5並び(s.board, colour_blue, 7, 10), flag_no);
    s.board[4][10] = colour_black;
    EXPECT_EQ(調査_5並び(s.board, colour_black, 9, 10), flag_no) << "six in a row";
    for (int y = 6; y <= 9; ++y) s.board[9][y] = colour_black;  // but a vertical five through the same stone
    EXPECT_EQ(調査_5並び(s.board, colour_black, 9, 10), flag_yes);
}

TEST_F(FiveTest, AGapBreaksTheRunAndFillingItMakesSix) {
    row(5, 8, 10);
    s.board[10][10] = colour_black;
    EXPECT_EQ(調査_5並び(s.board, colour_black, 8, 10), flag_no);
    s.board[9][10] = colour_black;
    EXPECT_EQ(調査_5並び(s.board, colour_black, 9, 10), flag_no);
}

TEST_F(FiveTest, FiveAlongTheBorderAndOnBothDiagonals) {
    for (int y = 1; y <= 5; ++y) s.board[1][y] = colour_white;
    EXPECT_EQ(調査_5並び(s.board, colour_white, 1, 5), flag_yes);
    for (int i = 0; i < 5; ++i) s.board[15 + i][15 + i] = colour_red;
    EXPECT_EQ(調査_5並び(s.board, colour_red, 19, 19), flag_yes);
    for (int i = 0; i < 5; ++i) s.board[3 + i][17 - i] = colour_blue;
    EXPECT_EQ(調査_5並び(s.board, colour_blue, 5, 15), flag_yes);
}

TEST_F(FiveTest, ExactThreeAndNotFour) {
    row(5, 7, 3);
    EXPECT_EQ(調査_三開(s.board, colour_black, 6, 3), flag_yes);
    s.board[8][3] = colour_black;
    EXPECT_EQ(調査_三開(s.board, colour_black, 6, 3), flag_no);
    s.board[6][4] = colour_black;
    s.board[6][5] = colour_black;
    EXPECT_EQ(調査_三開(s.board, colour_black, 6, 3), flag_yes) << "another line through the cell has exactly three";
}

TEST_F(FiveTest, FiveStopMarksBothEndsOfAnOpenFour) {
    row(5, 8, 10);
    設定_五止座標(s.board, s.five_stop, colour_black, 8, 10);
    EXPECT_EQ(s.five_stop[4][10], flag_yes);
    EXPECT_EQ(s.five_stop[9][10], flag_yes);
    EXPECT_EQ(marks(), 2);
    for (int x = 5; x <= 8; ++x) EXPECT_EQ(s.board[x][10], colour_black) << "board unchanged";
    EXPECT_EQ(s.board[4][10], cell_empty);
    EXPECT_EQ(s.board[9][10], cell_empty);
}

TEST_F(FiveTest, FiveStopDoesNotMarkACellThatWouldMakeSixAndNeverClears) {
    row(5, 8, 10);
    s.board[10][10] = colour_black;
    設定_五止座標(s.board, s.five_stop, colour_black, 8, 10);
    EXPECT_EQ(s.five_stop[9][10], flag_no);
    EXPECT_EQ(s.five_stop[4][10], flag_yes);
    s.board[4][10] = colour_blue;  // the threat is blocked, the mark stays
    設定_五止座標(s.board, s.five_stop, colour_blue, 4, 10);
    EXPECT_EQ(s.five_stop[4][10], flag_yes);
    初期化_五止座標(s.five_stop);
    EXPECT_EQ(marks(), 0);
}

TEST_F(FiveTest, FiveStopSquareIsClippedAtTheCorner) {
    for (int y = 1; y <= 4; ++y) s.board[1][y] = colour_red;
    s.board[1][1] = colour_red;
    設定_五止座標(s.board, s.five_stop, colour_red, 1, 1);
    EXPECT_EQ(s.five_stop[1][5], flag_yes);
    EXPECT_EQ(marks(), 1);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(s.board[0][i] + s.board[i][0] + s.five_stop[0][i] + s.five_stop[i][0], 0);
}

TEST_F(FiveTest, PlacementOnlyNeedsAnEmptyCellInsideTheTable) {
    s.board[3][3] = colour_blue;
    EXPECT_EQ(調査_置けるか(s.board, 3, 3), flag_no);
    EXPECT_EQ(調査_置けるか(s.board, 4, 3), flag_yes);
    row(5, 9, 12);
    s.board[7][12] = cell_empty;
    EXPECT_EQ(調査_置けるか(s.board, 7, 12), flag_yes) << "even where it makes five or six";
    EXPECT_EQ(調査_置けるか(s.board, 20, 5), flag_no);
    EXPECT_EQ(調査_置けるか(s.board, -1, 5), flag_no);
    EXPECT_EQ(調査_置けるか(s.board, 5, 20), flag_no);
}

TEST(FiveBlink, FiveBlinksOfHideWaitShowWaitEndingWithTheMark) {
    Harness h;
    for (int x = 3; x <= 7; ++x) h.s.board[x][4] = colour_white;
    h.game.描画_5並点滅(colour_white, 7, 4);
    std::vector<std::string> expect;
    for (int n = 0; n < 5; ++n) {
        for (int x = 3; x <= 7; ++x) expect.push_back("pic " + std::string(空桝の絵(x, 4)) + " " + fmt(twips_x(x)) + " " + fmt(twips_y(4)));
        expect.push_back("refresh");
        expect.push_back("wait 0.2");
        for (int x = 3; x <= 7; ++x) {
            expect.push_back("pic SIRONAKA " + fmt(twips_x(x)) + " " + fmt(twips_y(4)));
            if (x == 7) expect.push_back("circle " + fmt(twips_x(7) + 150) + " " + fmt(twips_y(4) + 150) + " 50 11");
        }
        expect.push_back("refresh");
        expect.push_back("wait 0.2");
    }
    EXPECT_EQ(h.log.lines, expect);
    EXPECT_DOUBLE_EQ(h.pause.total, 2.0);
}

TEST(FiveBlink, DoubleFiveBlinksTheRisingDiagonal) {
    Harness h;
    // Falling (6,6)..(10,10) and rising (6,14)..(10,10) meet in (10,10).
    for (int i = 0; i < 5; ++i) {
        h.s.board[6 + i][6 + i] = colour_black;
        h.s.board[6 + i][14 - i] = colour_black;
    }
    h.game.描画_5並点滅(colour_black, 10, 10);
    const auto hidden = h.log.with("pic KARA");
    ASSERT_EQ(hidden.size(), 25u);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(hidden[i], "pic " + std::string(空桝の絵(6 + i, 14 - i)) + " " + fmt(twips_x(6 + i)) + " " + fmt(twips_y(14 - i)));
}
