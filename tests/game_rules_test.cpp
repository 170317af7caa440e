// SPDX-License-Identifier: GPL-3.0-or-later
// The rules as the game shows and uses them: the blink of a five, the
// five-stop map in a computer's turn, a stone on a forgotten cell.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "ai/scoring.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

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

// A four whose run touches another colour's stone: to every other computer
// the line reads as five stones of "the others", which no score row
// matches. Only the five-stop map, marked for the colour that made the four,
// makes the next computer block it.
TEST(FiveStop, APersonsFourNextToAForeignStoneIsBlockedByTheNextComputer) {
    Harness h;
    h.start();
    h.game.on_JYUNBAN_1();  // black is the person
    h.put(colour_white, 1, 10);
    for (int x = 2; x <= 4; ++x) h.put(colour_black, x, 10);
    for (int x = 1; x <= 4; ++x) 隣接範囲フラグセット(h.s.near_flag, x, 10);
    h.s.to_move = colour_black;
    h.press(5, 10);  // "wbbbb.": black would make five on (6,10)
    EXPECT_EQ(h.s.board[6][10], colour_blue);
}

TEST(FiveStop, AComputersFourNextToAForeignStoneIsBlockedByTheNextComputer) {
    Harness h;
    h.start();
    h.game.on_JYUNBAN_1();
    h.put(colour_red, 1, 10);
    for (int x = 2; x <= 4; ++x) h.put(colour_blue, x, 10);
    for (int x = 1; x <= 4; ++x) 隣接範囲フラグセット(h.s.near_flag, x, 10);
    h.s.to_move = colour_blue;
    h.game.com_ban(h.s.to_move);  // blue: (5,10), its four closed by red (500)
    ASSERT_EQ(h.s.board[5][10], colour_blue);
    h.game.com_ban(h.s.to_move);  // white
    EXPECT_EQ(h.s.board[6][10], colour_white);
}

// After 最初 the last stone's cell is remembered, and the board is empty; a
// person's stone there finds a stone already on the board and repaints the
// forgotten one first, in its old colour, under the new.
TEST(StoneOnTheLastCellAfterAReset, IsPaintedOverTheForgottenStone) {
    Harness h;
    h.start();
    h.game.apply(Command::of(CommandKind::PLAY_4));
    h.press(3, 3);  // black
    h.press(4, 4);  // blue: the last stone
    h.game.apply(Command::of(CommandKind::SAISYO));
    h.game.apply(Command::of(CommandKind::PLAY_4));
    h.log.clear();
    h.press(4, 4);  // black, on blue's old cell
    const auto pics = h.log.with("pic ");
    ASSERT_GE(pics.size(), 2u);
    EXPECT_EQ(pics[0].substr(0, 10), "pic AONAKA") << "blue's forgotten stone";
    EXPECT_EQ(pics[1].substr(0, 11), "pic KURONAK");
}
