// SPDX-License-Identifier: GPL-3.0-or-later
// The position keeps its own record and the search's tables.
#include <gtest/gtest.h>

#include "position/position.h"
#include "support/board_text.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
const Colour black = *Colour::from_code(colour_black);
const Colour blue = *Colour::from_code(colour_blue);

struct Position : ::testing::Test {
    std::unique_ptr<GameState> s = std::make_unique<GameState>();
    Position() {
        s->game_mode = no_game;
        s->to_move = no_game;
        reset_position(*s);
    }
};
}  // namespace

TEST_F(Position, AStoneIsRecordedStoredAndWidensTheCandidateCells) {
    EXPECT_FALSE(play_stone(*s, Cell{3, 4}, black));
    EXPECT_EQ(s->board[3][4], colour_black);
    EXPECT_EQ(s->board_history[1][3][4], colour_black);
    EXPECT_EQ(s->board_history[0][3][4], cell_empty);
    EXPECT_EQ((std::array{s->move_x[0], s->move_y[0], s->move_colour[0]}), (std::array<i16, 3>{3, 4, 1}));
    EXPECT_EQ((std::array{s->last_x, s->last_y, s->last_colour}), (std::array<i16, 3>{3, 4, 1}));
    EXPECT_EQ(s->move_number, 1);
    EXPECT_EQ(s->max_move_number, 1);
    // The candidate area: two cells each way around the stone.
    EXPECT_EQ(s->near_flag[1][2], flag_yes);
    EXPECT_EQ(s->near_flag[5][6], flag_yes);
    EXPECT_EQ(s->near_flag[6][4], flag_no);
    EXPECT_EQ(s->near_flag[10][10], flag_yes) << "the centre stays a candidate";
    EXPECT_EQ(broken_invariant(*s), "");
}

TEST_F(Position, ExactlyFiveWinsAndSixDoesNot) {
    put_board(s->board,
              "....\n"
              ".bbbb.bbbb\n");
    調査_保存(*s, 0);
    EXPECT_FALSE(play_stone(*s, Cell{6, 2}, black)) << "four, a gap filled, four: a line of nine";
    reset_position(*s);
    put_board(s->board, ".bbbb\n");
    EXPECT_TRUE(play_stone(*s, Cell{6, 1}, black));
}

TEST_F(Position, ABranchFromAStepBackDropsTheStepsAhead) {
    play_stone(*s, Cell{5, 5}, black);
    play_stone(*s, Cell{6, 6}, blue);
    take_back_stone(*s);
    EXPECT_EQ(s->max_move_number, 2) << "the step back keeps the way forward";
    play_stone(*s, Cell{7, 7}, blue);
    EXPECT_EQ(s->max_move_number, 2);
    EXPECT_EQ(s->board[6][6], cell_empty);
    EXPECT_EQ(broken_invariant(*s), "");
}

TEST_F(Position, AStepBackRestoresTheBoardTurnAndLastStoneButNotTheCandidates) {
    play_stone(*s, Cell{5, 5}, black);
    play_stone(*s, Cell{15, 15}, blue);
    note_five_stops(*s, Cell{15, 15}, blue);
    s->five_stop[1][1] = colour_blue;  // whatever the map held
    s->to_move = colour_white;
    take_back_stone(*s);
    EXPECT_EQ(s->move_number, 1);
    EXPECT_EQ(s->to_move, colour_blue) << "the colour whose stone was taken back moves again";
    EXPECT_EQ(s->board[15][15], cell_empty);
    EXPECT_EQ((std::array{s->last_x, s->last_y, s->last_colour}), (std::array<i16, 3>{5, 5, 1}));
    EXPECT_EQ(s->five_stop[1][1], cell_empty) << "the five-stop map starts empty";
    EXPECT_EQ(s->near_flag[17][17], flag_yes) << "the candidate cells of the stone taken back stay";

    step_forward(*s);
    EXPECT_EQ(s->move_number, 2);
    EXPECT_EQ(s->to_move, colour_white);
    EXPECT_EQ(s->board[15][15], colour_blue);
    EXPECT_EQ(broken_invariant(*s), "");
}
