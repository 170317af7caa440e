// SPDX-License-Identifier: GPL-3.0-or-later
// What the computer player chooses, on boards written in the four colours.
// Each expected cell follows from the score table by hand: 1000 own five,
// 900 another's five blocked, 800 own open four, 700 another's open four
// blocked, 500 own four with one open end, 400 own open three, 300 another's
// open three; ties go to the leftmost column, then the topmost row.
#include <gtest/gtest.h>

#include <memory>

#include "ai/search.h"
#include "support/board_text.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

struct Strategy : ::testing::Test {
    std::unique_ptr<GameState> st = std::make_unique<GameState>();
    GameState& s = *st;
    Strategy() { 設定_中央得点(s); }
    // The position, with the candidate area every stone on it switches on.
    void board(std::string_view text) {
        put_board(s.board, text);
        for (int x = 1; x <= 19; ++x)
            for (int y = 1; y <= 19; ++y)
                if (s.board[x][y] != cell_empty) 隣接範囲フラグセット(s.near_flag, x, y);
    }
    Cell choose(i16 colour) const {
        const auto c = com置場所取得(s.board, {s.near_flag, s.five_stop, s.centre_bonus}, colour);
        return c.value_or(Cell{0, 0});
    }
};

}  // namespace

// Every colour has four in a row, open only at the left border's cell. Each
// computer completes its own five (1000) rather than block another's (900).
TEST_F(Strategy, EachColourTakesItsOwnFiveAndPlaysAsItself) {
    board(".\n"
          ".bbbb\n"
          ".\n.\n.\n"
          ".uuuu\n"
          ".\n.\n.\n"
          ".wwww\n"
          ".\n.\n.\n"
          ".rrrr\n");
    EXPECT_EQ(choose(colour_black), (Cell{1, 2}));
    EXPECT_EQ(choose(colour_blue), (Cell{1, 6}));
    EXPECT_EQ(choose(colour_white), (Cell{1, 10}));
    EXPECT_EQ(choose(colour_red), (Cell{1, 14}));
}

// White's four must be blocked (900) before blue opens a four of its own (800).
TEST_F(Strategy, BlocksAnotherColoursFourBeforeMakingAnOpenFour) {
    board(".\n.\n"
          ".uuu\n"
          ".\n.\n.\n.\n"
          "wwww\n");
    EXPECT_EQ(choose(colour_blue), (Cell{5, 8}));
}

TEST_F(Strategy, OwnOpenFourBeforeBlockingAnothersOpenThree) {
    board(".\n.\n"
          "..uuu\n"
          ".\n.\n.\n.\n.\n"
          "..rrr\n");
    EXPECT_EQ(choose(colour_blue), (Cell{2, 3})) << "800 at either end, the left one first";
}

// 500 (own four closed by red) beats 400 (own open three) beats 300 (white's
// open three); each is taken away in turn.
TEST_F(Strategy, ClosedFourThenOpenThreeThenAnothersOpenThree) {
    board(".\n.\n"
          "ruuu\n"
          ".\n.\n.\n.\n.\n"
          ".uu\n"
          ".\n.\n.\n.\n.\n"
          ".ww\n");
    EXPECT_EQ(choose(colour_blue), (Cell{5, 3}));
    put_board(s.board, ".\n.\n....\n");
    EXPECT_EQ(choose(colour_blue), (Cell{4, 9}));
    put_board(s.board, ".\n.\n.\n.\n.\n.\n.\n.\n...\n");
    EXPECT_EQ(choose(colour_blue), (Cell{4, 15}));
}
