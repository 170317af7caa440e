// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <random>

#include "rules/five.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
int stones(const GameState& s) {
    int n = 0;
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) n += s.board[x][y] != cell_empty;
    return n;
}
struct Flow : ::testing::Test {
    Harness h;
    Flow() {
        h.start();
        h.log.clear();
    }
    void expect_sound_then_box(const std::string& box) {
        const long snd = h.log.find("dsPlay 101");
        const long b = h.log.find("box " + box);
        EXPECT_TRUE(snd >= 0 && b > snd) << box;
    }
};
}  // namespace

TEST_F(Flow, SoloBlackPressIsAnsweredByThreeComputersInTurn) {
    h.game.on_JYUNBAN_1();
    EXPECT_EQ(h.log.with("box"), std::vector<std::string>{"box 黒の番です|"});
    EXPECT_EQ(h.log.count("text 7572.5 2025 '黒'"), 1u);
    h.log.clear();
    h.press(3, 3);
    EXPECT_EQ(stones(h.s), 4);
    EXPECT_EQ(h.s.to_move, colour_black);
    EXPECT_EQ(h.log.count("text 7730 3915 '思考中'"), 3u);
    EXPECT_EQ(h.s.board[10][10], colour_blue) << "the reply to an opening on (3,3)";
    for (int m = 0; m < 4; ++m) EXPECT_EQ(h.s.move_colour[m], m + 1);
    EXPECT_EQ(h.log.lines.back(), "text 7887.5 2025 'の番です' 15 12");
    EXPECT_EQ(broken_invariant(h.s), "");
}

TEST_F(Flow, SetupCommandsFromNoGame) {
    h.game.on_JYUNBAN_4();
    EXPECT_EQ(stones(h.s), 3);
    EXPECT_EQ(h.s.to_move, colour_red);
    EXPECT_EQ(h.log.with("text 7572.5 2025").back(), "text 7572.5 2025 '赤' 15 12");
    EXPECT_EQ(h.log.count("box"), 0u);
}

TEST_F(Flow, PairFacingAsksTheLowerSeatThenTheComputerPlaysBlue) {
    h.game.on_PLAY_TOIMEN();
    EXPECT_EQ(h.log.with("box"), std::vector<std::string>{"box 下の番です| "});
    h.press(5, 5);
    EXPECT_EQ(stones(h.s), 2);
    EXPECT_EQ(h.s.to_move, colour_white);
}

TEST_F(Flow, SoloBlueAndPairSideStartWithTheComputers) {
    h.game.on_JYUNBAN_2();
    EXPECT_EQ(stones(h.s), 1);
    EXPECT_EQ(h.s.to_move, colour_blue);
    h.log.clear();
    h.game.on_JYUNBAN_2();  // during blue's turn
    EXPECT_EQ(h.log.with("box"), std::vector<std::string>{"box 青の番です| "});
    EXPECT_EQ(stones(h.s), 1);
    h.game.on_SAISYO();
    h.game.on_PLAY_TONARI();
    EXPECT_EQ(stones(h.s), 1);
    EXPECT_EQ(h.s.to_move, colour_blue);
    h.game.on_SAISYO();
    h.game.on_JYUNBAN_3();
    EXPECT_EQ(stones(h.s), 2);
    EXPECT_EQ(h.s.to_move, colour_white);
}

TEST_F(Flow, SetupDuringAGameHandsTheColoursOverAndKeepsThePosition) {
    h.game.on_PLAY_4();
    h.press(3, 3);
    h.press(4, 4);  // white to move
    h.game.on_JYUNBAN_1();  // the computers play white and red, then black is to move
    EXPECT_EQ(stones(h.s), 4);
    EXPECT_EQ(h.s.to_move, colour_black);
    EXPECT_EQ(h.s.board[3][3], colour_black);
    h.game.on_PLAY_4();
    EXPECT_EQ(h.s.player_kind[2], player_human);
    h.press(6, 6);
    EXPECT_EQ(stones(h.s), 5) << "no computer moves in four-person play";
    EXPECT_EQ(h.s.to_move, colour_blue);
}

TEST_F(Flow, PressGeometry) {
    h.game.on_PLAY_4();
    h.game.on_board_press(1114, 765);
    h.game.on_board_press(1115, 764);
    h.game.on_board_press(7100, 2000);  // column 20
    h.game.on_board_press(2000, 6750);  // row 20
    h.game.on_board_press(-5000, -5000);
    EXPECT_EQ(stones(h.s), 0);
    h.log.clear();
    h.game.on_board_press(1115, 765);
    EXPECT_EQ(h.s.board[1][1], colour_black);
    h.game.on_board_press(7099, 6749);
    EXPECT_EQ(h.s.board[19][19], colour_blue);
    EXPECT_EQ(h.log.count("dsPlay 101"), 0u) << "no refusal sound for presses off the field";
}

TEST_F(Flow, OccupiedCellPlaysTheRefusalAndChangesNothing) {
    h.game.on_PLAY_4();
    h.press(7, 7);
    h.log.clear();
    h.press(7, 7);
    EXPECT_EQ(h.log.lines, std::vector<std::string>{"dsPlay 101"});
    EXPECT_EQ(h.s.to_move, colour_blue);
    EXPECT_EQ(h.s.move_number, 1);
}

TEST_F(Flow, NoGameRefusesWithSoundThenBox) {
    h.press(7, 7);
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"dsPlay 101", "box 「対局」で始めて下さい|開始"}));
}

TEST_F(Flow, StoneOrderOfAPersonsMove) {
    h.game.on_PLAY_4();
    h.marks.ticks[int(Mark::TEJYUN)] = true;
    h.press(2, 2);
    h.log.clear();
    h.press(3, 2);
    const std::vector<std::string> expect = {
        "pic KURONAKA 1430 1080",           // the previous stone, plain
        "pic AONAKA 1745 1080",             // the new stone
        "circle 1895 1230 50 11",           // its mark
        "dsPlay 102",
        "text 1450 1100 ' 1 ' 15 12",       // the previous stone's number, white on black
        "rect 7572.5 3285 1000 300 2", "text 7730 3285 ' 2 ' 15 11", "text 8045 3285 '手目' 15 11",
        "rect 7572.5 2025 2200 300 2", "text 7572.5 2025 '白' 15 12", "text 7887.5 2025 'の番です' 15 12",
    };
    EXPECT_EQ(h.log.lines, expect);
}

TEST_F(Flow, SixInARowIsPlacedAndTheGameGoesOn) {
    h.game.on_PLAY_4();
    // Black on (1..3,1) and (5..7,1); the others far away; black fills (4,1).
    const int bx[] = {1, 2, 3, 5, 6, 7};
    for (int i = 0; i < 6; ++i) {
        h.press(bx[i], 1);
        h.press(1 + 2 * i, 10);
        h.press(1 + 2 * i, 13);
        h.press(1 + 2 * i, 16);
    }
    h.press(4, 1);
    EXPECT_EQ(h.s.game_mode, mode_four);
    EXPECT_EQ(h.log.count("ask"), 0u);
    EXPECT_EQ(h.s.to_move, colour_blue);
}

TEST_F(Flow, FourPeopleOnAFullBoardHaveEveryPressRefused) {
    h.game.on_PLAY_4();
    // A colouring with no two neighbours of one colour in any line.
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) h.put((x + 2 * y) % 4 + 1, x, y);
    h.game.view().描画_盤();
    EXPECT_EQ(broken_invariant(h.s), "");
    h.log.clear();
    for (int k = 0; k < 5; ++k) h.press(1 + k, 1 + 3 * k);
    EXPECT_EQ(h.log.lines, std::vector<std::string>(5, "dsPlay 101"));
    EXPECT_EQ(h.log.count("box"), 0u) << "a full board is never announced in four-person play";
}

TEST_F(Flow, BackAndForwardInASoloGame) {
    h.game.on_JYUNBAN_1();
    for (int i = 0; i < 5; ++i) h.press(2 + i * 3, 17);
    ASSERT_EQ(h.s.move_number, 20);
    h.game.history().on_MODORU();
    EXPECT_EQ(h.s.to_move, colour_red);
    for (int i = 0; i < 3; ++i) h.game.history().on_MODORU();
    EXPECT_EQ(h.s.to_move, colour_black);
    EXPECT_EQ(h.s.move_number, 16);
    EXPECT_EQ(h.s.board[14][17], cell_empty);
    EXPECT_EQ(h.s.five_stop[1][1] + h.s.five_stop[10][10], 0);
    EXPECT_EQ(broken_invariant(h.s), "");
}

TEST_F(Flow, BackToZeroAndForwardAgainRestoresBoardCountAndTurn) {
    h.game.on_JYUNBAN_1();
    h.press(4, 4);
    h.press(5, 4);
    auto saved = std::make_unique<GameState>(h.s);
    const int n = h.s.move_number;
    for (int i = 0; i < n; ++i) h.game.history().on_MODORU();
    EXPECT_EQ(stones(h.s), 0);
    EXPECT_EQ(h.log.lines.back(), "text 7887.5 2025 'の番です' 15 12");
    h.log.clear();
    h.game.history().on_MODORU();
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"dsPlay 101", "box 戻れません|戻る"}));
    h.log.clear();
    h.game.history().on_SUSUMU();
    EXPECT_EQ(h.log.count("circle"), 1u) << "the first stone comes back with its mark";
    for (int i = 1; i < n; ++i) h.game.history().on_SUSUMU();
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) ASSERT_EQ(h.s.board[x][y], saved->board[x][y]);
    EXPECT_EQ(h.s.to_move, saved->to_move);
    EXPECT_EQ(h.s.last_x, saved->last_x);
    EXPECT_EQ(h.s.last_y, saved->last_y);
    EXPECT_EQ(h.log.with("text 7730 3285").back(), "text 7730 3285 ' 8 ' 15 11");
    h.log.clear();
    h.game.history().on_SUSUMU();
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"dsPlay 101", "box 進めません|進む"}));
    EXPECT_EQ(h.s.resume_pending, flag_yes);
}

// After a step back the five-stop map is empty, even where a four is still
// on the board: it is marked again only around new stones.
TEST_F(Flow, StepBackClearsTheFiveStopMap) {
    h.game.on_JYUNBAN_1();
    h.put(colour_white, 1, 10);
    for (int x = 2; x <= 4; ++x) h.put(colour_black, x, 10);
    h.s.to_move = colour_black;
    h.press(5, 10);  // black's four: (6,10) is marked, and blue blocks it there
    ASSERT_EQ(h.s.five_stop[6][10], flag_yes);
    h.game.history().on_MODORU();  // red's reply taken back
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) ASSERT_EQ(h.s.five_stop[x][y], flag_no) << x << "," << y;
}

TEST_F(Flow, NewStoneAfterStepsBackCutsOffTheFuture) {
    h.game.on_PLAY_4();
    for (int i = 1; i <= 6; ++i) h.press(i, 8);
    h.game.history().on_MODORU();
    h.game.history().on_MODORU();
    h.press(9, 9);  // the two 再開 boxes
    EXPECT_EQ(h.log.with("box").back(), "box 黒の番です|再開");
    h.press(9, 9);
    EXPECT_EQ(h.s.board[9][9], colour_black);
    EXPECT_EQ(h.s.max_move_number, 5);
    h.log.clear();
    h.game.history().on_SUSUMU();
    EXPECT_EQ(h.log.with("box"), std::vector<std::string>{"box 進めません|進む"});
    EXPECT_EQ(broken_invariant(h.s), "");
}

TEST_F(Flow, StepBackKeepsFourPersonPlayForPeople) {
    h.game.on_PLAY_4();
    h.press(3, 3);
    h.press(4, 4);
    h.game.history().on_MODORU();
    EXPECT_EQ(h.s.game_mode, mode_four);
    h.press(10, 10);  // confirms the resumption
    h.press(10, 10);
    EXPECT_EQ(h.s.board[10][10], colour_blue);
    EXPECT_EQ(h.log.count("text 7730 3915 '思考中'"), 0u) << "no computer ever moves for people";
}

TEST_F(Flow, AfterStepBackToAComputerTheFirstPressLetsItPlay) {
    h.game.on_JYUNBAN_1();
    h.press(3, 3);
    h.game.history().on_MODORU();  // red's stone is taken back: a computer is to move
    ASSERT_EQ(h.s.to_move, colour_red);
    h.log.clear();
    h.press(15, 15);
    EXPECT_EQ(h.s.to_move, colour_black);
    EXPECT_EQ(h.log.count("box"), 0u);
    EXPECT_EQ(h.s.resume_pending, flag_yes);
    h.log.clear();
    h.press(15, 15);
    EXPECT_EQ(h.log.with("box"), (std::vector<std::string>{"box OKですか？|再開", "box 黒の番です|再開"}));
    EXPECT_EQ(h.s.board[15][15], cell_empty);
    h.press(15, 15);
    EXPECT_EQ(h.s.board[15][15], colour_black);
}

// After walking back, the confirming press names the colour to move; each
// colour has its own name.
TEST_F(Flow, ResumeBoxesNameEveryColour) {
    h.game.on_PLAY_4();
    for (int i = 1; i <= 4; ++i) h.press(i, 8);
    const char* const names[] = {"黒の番です|再開", "青の番です|再開", "白の番です|再開", "赤の番です|再開"};
    for (int back = 1; back <= 4; ++back) {
        h.game.history().on_MODORU();
        h.log.clear();
        h.press(15, 15);
        ASSERT_EQ(h.s.to_move, 5 - back);
        EXPECT_EQ(h.log.with("box"), (std::vector<std::string>{"box OKですか？|再開", std::string("box ") + names[4 - back]}));
    }
}

// 1_PLAY 白 from no game: black's computer moves first, and no icon is shown
// before its stone (the command itself shows none; the rotation then shows
// blue's).
TEST_F(Flow, SoloWhiteShowsNoIconWhileBlacksComputerThinks) {
    h.marks.ticks[int(Mark::AICON)] = true;
    h.game.on_JYUNBAN_3();
    const long black_stone = h.log.find("pic KURONAKA");
    ASSERT_GE(black_stone, 0);
    const long first_icon = h.log.find("icon show");
    EXPECT_GT(first_icon, black_stone);
    EXPECT_EQ(h.log.lines[std::size_t(first_icon)].rfind("icon show com 2", 0), 0u) << h.log.lines[std::size_t(first_icon)];
}

// A setup command whose rotation meets the draw (a full board) stops there:
// the draw is announced once and no computer plays on.
TEST_F(Flow, RotationStopsAtTheDraw) {
    h.game.on_JYUNBAN_4();  // red is the person; black, blue and white have moved
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) {
            h.s.board[x][y] = i16((x + 2 * y) % 4 + 1);  // full, and nobody has five
            h.s.near_flag[x][y] = flag_yes;
        }
    h.s.to_move = colour_blue;  // as after a step back to blue's stone
    h.log.clear();
    h.dialogs.max_boxes = 3;
    h.game.on_JYUNBAN_4();  // a running game, blue (a computer) to move: the rotation
    EXPECT_EQ(h.log.with("box"), std::vector<std::string>{"box 引き分け|判定"});
    EXPECT_EQ(h.s.game_mode, no_game);
}

// Choosing "red" while red is already to move (after a step back) shows
// red's icon again before the box.
TEST_F(Flow, RedChosenWhileRedIsToMoveShowsItsIcon) {
    h.marks.ticks[int(Mark::AICON)] = true;
    h.game.on_JYUNBAN_1();
    h.press(3, 3);
    h.game.history().on_MODORU();
    ASSERT_EQ(h.s.to_move, colour_red);
    h.log.clear();
    h.game.on_JYUNBAN_4();
    const long icon = h.log.find("icon show man 4");
    EXPECT_GE(icon, 0);
    EXPECT_GT(h.log.find("box 赤の番です| "), icon);
}

TEST_F(Flow, NumbersToggleWithNoOneAndManyStones) {
    h.game.options().on_TEJYUN();
    EXPECT_TRUE(h.mark(Mark::TEJYUN));
    EXPECT_TRUE(h.log.lines.empty()) << "no stone: no number, no mark";
    h.game.on_PLAY_4();
    h.press(5, 5);
    h.game.options().on_TEJYUN();
    h.log.clear();
    h.game.options().on_TEJYUN();
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"circle 2525 2175 50 11"})) << "one stone: only its mark again";
    h.press(6, 5);
    h.press(7, 5);
    h.log.clear();
    h.game.options().on_TEJYUN();  // untick: every stone plain, one mark
    EXPECT_EQ(h.log.count("pic "), 3u);
    EXPECT_EQ(h.log.count("circle"), 1u);
    EXPECT_EQ(h.log.count("text"), 0u);
    EXPECT_FALSE(h.mark(Mark::TEJYUN));
}

// Whole games in every mode: a person presses random empty cells until the
// game ends, and the state holds together after every event.
TEST(WholeGames, EveryModeToItsEnd) {
    void (Game::*setups[7])() = {&Game::on_JYUNBAN_1, &Game::on_JYUNBAN_2, &Game::on_JYUNBAN_3, &Game::on_JYUNBAN_4,
                                 &Game::on_PLAY_TOIMEN, &Game::on_PLAY_TONARI, &Game::on_PLAY_4};
    for (int mode = 0; mode < 7; ++mode) {
        Harness h;
        h.start();
        h.dialogs.answers = {false};
        std::mt19937 rng(mode + 1);
        bool won = false;
        try {
            (h.game.*setups[mode])();
            // A fault that stops stones from being placed must fail, not hang.
            for (int presses = 0; h.s.game_mode != no_game && stones(h.s) < 361; ++presses) {
                ASSERT_LT(presses, 2000) << "mode " << mode + 1 << ": the game does not move on";
                std::vector<std::pair<int, int>> empty;
                for (int x = 1; x <= 19; ++x)
                    for (int y = 1; y <= 19; ++y)
                        if (h.s.board[x][y] == cell_empty) empty.push_back({x, y});
                const auto [x, y] = empty[rng() % empty.size()];
                h.press(x, y);
                ASSERT_EQ(broken_invariant(h.s), "") << "mode " << mode + 1;
            }
        } catch (const ProcessEnded&) {
            won = true;  // No to "続けますか？" ends the program with the board as it was
        }
        const bool drawn = h.log.count("box 引き分け|判定") == 1;
        // A board filled up with a person to move is never announced: every
        // further press is refused until a new game is chosen.
        const bool full_for_a_person = stones(h.s) == 361 && h.s.player_kind[h.s.to_move] == player_human;
        EXPECT_TRUE(won != drawn || full_for_a_person) << "mode " << mode + 1 << " won " << won << " drawn " << drawn << " stones " << stones(h.s) << " game " << h.s.game_mode;
        if (won) {
            const int last = h.s.move_number - 1;
            EXPECT_EQ(調査_5並び(h.s.board, h.s.move_colour[last], h.s.move_x[last], h.s.move_y[last]), flag_yes);
            EXPECT_EQ(h.log.lines.back(), "exit 0");
        }
    }
}
