// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "rules/five.h"
#include "rules/placement.h"
#include "support/board_text.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
struct FiveTest : ::testing::Test {
    std::unique_ptr<GameState> st = std::make_unique<GameState>();
    GameState& s = *st;
    void board(std::string_view text) { put_board(s.board, text); }
    void clear_board() {
        for (auto& column : s.board)
            for (auto& cell : column) cell = cell_empty;
    }
    i16 five(i16 colour, int x, int y) const { return 調査_5並び(s.board, colour, x, y); }
    // The marked cells, in column order.
    std::vector<Cell> marked() const {
        std::vector<Cell> out;
        for (int x = 0; x < board_size; ++x)
            for (int y = 0; y < board_size; ++y)
                if (s.five_stop[x][y] == flag_yes) out.push_back({x, y});
        return out;
    }
};
}  // namespace

TEST_F(FiveTest, ExactlyFiveWinsAndSixDoesNot) {
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "....bbbbb\n");  // row 10, columns 5..9
    EXPECT_EQ(five(colour_black, 9, 10), flag_yes);
    EXPECT_EQ(five(colour_black, 7, 10), flag_yes);
    EXPECT_EQ(five(colour_blue, 7, 10), flag_no);
    board(".\n.\n.\n.\n.\n"
          "........b\n"
          "........b\n"
          "........b\n"
          "........b\n"
          "...bbbbbb\n");  // six across, but five down through (9,10)
    EXPECT_EQ(five(colour_black, 4, 10), flag_no) << "six in a row";
    EXPECT_EQ(five(colour_black, 9, 10), flag_yes);
}

TEST_F(FiveTest, AGapBreaksTheRunAndFillingItMakesSix) {
    board(".\n.\n"
          "....bbbb.b\n");
    EXPECT_EQ(five(colour_black, 8, 3), flag_no);
    EXPECT_EQ(five(colour_black, 9, 3), flag_no) << "filling the gap makes six";
}

TEST_F(FiveTest, FiveAlongTheBorderAndOnBothDiagonals) {
    board("w\nw\nw\nw\nw\n");
    EXPECT_EQ(five(colour_white, 1, 5), flag_yes);
    for (int i = 0; i < 5; ++i) s.board[15 + i][15 + i] = colour_red;
    EXPECT_EQ(five(colour_red, 19, 19), flag_yes);
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "......u\n"
          ".....u\n"
          "....u\n"
          "...u\n"
          "..u\n");  // rising, (3,17)..(7,13)
    EXPECT_EQ(five(colour_blue, 5, 15), flag_yes);
}

TEST_F(FiveTest, ExactThreeAndNotFour) {
    board(".\n.\n"
          "....bbb\n");
    EXPECT_EQ(調査_三開(s.board, colour_black, 6, 3), flag_yes);
    board(".\n.\n"
          "....bbbb\n"
          ".....b\n"
          ".....b\n");
    EXPECT_EQ(調査_三開(s.board, colour_black, 6, 3), flag_yes) << "four across, but exactly three down";
    s.board[6][5] = cell_empty;
    EXPECT_EQ(調査_三開(s.board, colour_black, 6, 3), flag_no);
}

// A four marks the cells that would complete exactly five, up to four cells
// from the stone just played, on every side of it.
TEST_F(FiveTest, FiveStopMarksTheEndsOfAFourFromEitherEndStone) {
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "....bbbb\n");  // row 10, columns 5..8
    設定_五止座標(s.board, s.five_stop, colour_black, 8, 10);
    EXPECT_EQ(marked(), (std::vector<Cell>{{4, 10}, {9, 10}})) << "(4,10) four columns left of the stone";
    初期化_五止座標(s.five_stop);
    設定_五止座標(s.board, s.five_stop, colour_black, 5, 10);
    EXPECT_EQ(marked(), (std::vector<Cell>{{4, 10}, {9, 10}})) << "(9,10) four columns right of the stone";
    初期化_五止座標(s.five_stop);
    clear_board();
    board("\n\n\n\n\n"
          "............r\n"
          "............r\n"
          "............r\n"
          "............r\n");  // column 13, rows 6..9
    設定_五止座標(s.board, s.five_stop, colour_red, 13, 9);
    EXPECT_EQ(marked(), (std::vector<Cell>{{13, 5}, {13, 10}})) << "(13,5) four rows above the stone";
    初期化_五止座標(s.five_stop);
    設定_五止座標(s.board, s.five_stop, colour_red, 13, 6);
    EXPECT_EQ(marked(), (std::vector<Cell>{{13, 5}, {13, 10}})) << "(13,10) four rows below the stone";
}

TEST_F(FiveTest, FiveStopDoesNotMarkACellThatWouldMakeSixAndNeverClears) {
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "....bbbb.b\n");
    設定_五止座標(s.board, s.five_stop, colour_black, 8, 10);
    EXPECT_EQ(marked(), (std::vector<Cell>{{4, 10}})) << "(9,10) would make six";
    s.board[4][10] = colour_blue;  // the threat is blocked, the mark stays
    設定_五止座標(s.board, s.five_stop, colour_blue, 4, 10);
    EXPECT_EQ(marked(), (std::vector<Cell>{{4, 10}}));
    初期化_五止座標(s.five_stop);
    EXPECT_EQ(marked(), std::vector<Cell>{});
}

TEST_F(FiveTest, FiveStopNeverMarksATakenCell) {
    board(".\n.\n.\n.\n.\n.\n.\n.\n.\n"
          "....bbubb\n");  // black would have five through blue's stone
    設定_五止座標(s.board, s.five_stop, colour_black, 5, 10);
    EXPECT_EQ(marked(), std::vector<Cell>{});
}

TEST_F(FiveTest, FiveStopSquareIsClippedAtTheCorner) {
    board("r\nr\nr\nr\n");
    設定_五止座標(s.board, s.five_stop, colour_red, 1, 1);
    EXPECT_EQ(marked(), (std::vector<Cell>{{1, 5}}));
}

TEST_F(FiveTest, PlacementOnlyNeedsAnEmptyCellInsideTheTable) {
    board(".\n.\n"
          "..u\n"
          ".\n.\n.\n.\n.\n.\n.\n.\n"
          "....bb.bb\n");
    EXPECT_EQ(調査_置けるか(s.board, 3, 3), flag_no);
    EXPECT_EQ(調査_置けるか(s.board, 4, 3), flag_yes);
    EXPECT_EQ(調査_置けるか(s.board, 7, 12), flag_yes) << "even where it makes five";
    EXPECT_EQ(調査_置けるか(s.board, 20, 5), flag_no);
    EXPECT_EQ(調査_置けるか(s.board, -1, 5), flag_no);
    EXPECT_EQ(調査_置けるか(s.board, 5, 20), flag_no);
}
