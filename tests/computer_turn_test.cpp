// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "ai/scoring.h"
#include "rules/five.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
// A started game with the kinds given, to_move = black, nothing drawn yet.
void set_game(Harness& h, i16 mode, std::array<i16, 4> kinds) {
    h.start();
    h.s.game_mode = mode;
    for (int c = 0; c < 4; ++c) h.s.player_kind[c + 1] = kinds[c];
    h.s.to_move = colour_black;
    h.log.clear();
}
constexpr std::array<i16, 4> all_computers{player_computer, player_computer, player_computer, player_computer};
}  // namespace

TEST(ComputerTurn, OneTurnInItsOrder) {
    Harness h;
    set_game(h, mode_solo_blue, {player_computer, player_human, player_computer, player_computer});
    const auto next = h.game.com_ban(h.s.to_move);
    ASSERT_TRUE(next.has_value());
    EXPECT_EQ(*next, player_human);
    EXPECT_EQ(h.s.to_move, colour_blue);
    const std::vector<std::string> expect = {
        "text 7730 3915 '思考中' 15 12",
        "refresh",
        "wait 0.5",
        "rect 7730 3915 1000 300 2",
        "pic KURONAKA 3950 3600",  // the first stone of a game: the centre
        "wait 0.5",
        "dsPlay 102",
        "circle 4100 3750 50 11",
        "refresh",
        "wait 0.2",
        "rect 7572.5 3285 1000 300 2",
        "text 7730 3285 ' 1 ' 15 11",
        "text 8045 3285 '手目' 15 11",
        "rect 7572.5 2025 2200 300 2",
        "text 7572.5 2025 '青' 15 12",
        "text 7887.5 2025 'の番です' 15 12",
    };
    EXPECT_EQ(h.log.lines, expect);
    EXPECT_EQ(h.s.board[10][10], colour_black);
    EXPECT_EQ(h.s.move_number, 1);
    EXPECT_EQ(h.s.max_move_number, 1);
    EXPECT_EQ(h.s.last_x, 10);
    EXPECT_EQ(h.s.near_flag[12][12], flag_yes);
    EXPECT_EQ(broken_invariant(h.s), "");
}

TEST(ComputerTurn, PreviousStoneLosesItsMarkAndGetsItsNumber) {
    Harness h;
    set_game(h, mode_solo_red, all_computers);
    h.marks.ticks[int(Mark::TEJYUN)] = true;
    h.game.com_ban(h.s.to_move);  // black at the centre, no number for the first stone
    EXPECT_EQ(h.log.count("text 3970"), 0u);
    h.log.clear();
    h.game.com_ban(h.s.to_move);  // blue
    EXPECT_EQ(h.log.find("pic KURONAKA 3950 3600"), 4) << "the previous stone is repainted plain first";
    EXPECT_EQ(h.log.with("text 3970 3620"), std::vector<std::string>{"text 3970 3620 ' 1 ' 15 12"})
        << "white number on the black stone";
    h.log.clear();
    h.game.com_ban(h.s.to_move);  // white
    const auto numbers = h.log.with("text ");
    bool black_number = false;
    for (const auto& n : numbers) black_number |= n.find("' 2 ' 0 12") != std::string::npos;
    EXPECT_TRUE(black_number) << "black number on the blue stone";
}

TEST(ComputerTurn, AComputerFiveBlinksAnnouncesAndYesStartsAfresh) {
    Harness h;
    set_game(h, mode_solo_black, {player_human, player_computer, player_computer, player_computer});
    for (int y = 3; y <= 6; ++y) h.put(colour_white, 4, y);
    for (int i = 0; i < 4; ++i) 隣接範囲フラグセット(h.s.near_flag, 4, 3 + i);
    h.s.to_move = colour_white;
    const auto r = h.game.com_ban(h.s.to_move);
    EXPECT_FALSE(r.has_value());
    const long stone = h.log.find("dsPlay 102");
    ASSERT_GE(stone, 0);
    const long blink = h.log.find("wait 0.2", stone + 2);
    const long end_sound = h.log.find("dsPlay 103");
    const long win = h.log.find("box 　白の勝ち！！|");
    const long ask = h.log.find("ask 続けますか？|再ゲーム");
    EXPECT_TRUE(blink > 0 && blink < end_sound && end_sound < win && win < ask) << blink << " " << end_sound << " " << win << " " << ask;
    EXPECT_EQ(h.log.count("wait 0.2"), 11u) << "one after the mark and ten in the blink";
    EXPECT_EQ(h.s.game_mode, no_game);
    EXPECT_EQ(h.s.move_number, 0);
    for (int y = 3; y <= 7; ++y) EXPECT_EQ(h.s.board[4][y], cell_empty);
    h.log.clear();
    h.press(10, 10);
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"dsPlay 101", "box 「対局」で始めて下さい|開始"}));
}

TEST(ComputerTurn, NumbersOfTheWholeGameAppearAtTheEndWhenShown) {
    Harness h;
    set_game(h, mode_solo_black, {player_human, player_computer, player_computer, player_computer});
    h.marks.ticks[int(Mark::TEJYUN)] = true;
    for (int y = 3; y <= 6; ++y) h.put(colour_white, 4, y);
    隣接範囲フラグセット(h.s.near_flag, 4, 5);
    h.s.to_move = colour_white;
    h.dialogs.answers = {false};
    EXPECT_THROW(h.game.com_ban(h.s.to_move), ProcessEnded);
    const long end_sound = h.log.find("dsPlay 103");
    const long blink_start = h.log.find("refresh", h.log.find("wait 0.2"));
    ASSERT_GE(blink_start, 0);
    ASSERT_GT(end_sound, blink_start);
    std::vector<std::string> numbers;
    for (long i = blink_start; i < end_sound; ++i)
        if (h.log.lines[std::size_t(i)].rfind("text ", 0) == 0) numbers.push_back(h.log.lines[std::size_t(i)]);
    EXPECT_EQ(numbers.size(), 4u) << "every stone but the winning one";
    EXPECT_EQ(h.log.lines.back(), "exit 0");
}

TEST(ComputerTurn, DrawExitOnAFullBoardPlacesNothing) {
    Harness h;
    set_game(h, mode_solo_black, {player_human, player_computer, player_computer, player_computer});
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) {
            h.s.board[x][y] = i16((x + 2 * y) % 4 + 1);
            h.s.near_flag[x][y] = flag_yes;
        }
    調査_保存(h.s, 0);
    h.s.to_move = colour_blue;
    const auto r = h.game.com_ban(h.s.to_move);
    EXPECT_FALSE(r.has_value());
    EXPECT_EQ(h.log.with("box"), std::vector<std::string>{"box 引き分け|判定"});
    EXPECT_EQ(h.log.count("pic"), 0u);
    EXPECT_EQ(h.log.count("dsPlay"), 0u);
    EXPECT_EQ(h.s.game_mode, no_game);
    EXPECT_EQ(h.s.to_move, colour_blue);
    EXPECT_EQ(h.s.move_number, 0);
}

// Whole games between computer colours, checked against the rules from the
// move record alone. Four computers block each other's fours, so such a game
// may also fill the board and end in the draw.
TEST(ComputerTurn, WholeComputerGamesFollowTheRules) {
    int draws = 0;
    for (int first = 1; first <= 4; ++first) {
        Harness h;
        set_game(h, mode_solo_black, all_computers);
        h.s.to_move = i16(first);
        h.dialogs.answers = {false};
        bool won = false;
        try {
            for (int turns = 0; turns < 400 && h.game.com_ban(h.s.to_move); ++turns)
                ASSERT_EQ(broken_invariant(h.s), "");
        } catch (const ProcessEnded&) {
            won = true;
        }
        const int n = h.s.move_number;
        if (!won) {
            ++draws;
            EXPECT_EQ(n, 361);
            EXPECT_EQ(h.log.with("box"), std::vector<std::string>{"box 引き分け|判定"});
        }
        auto replay = std::make_unique<GameState>();
        for (int m = 0; m < n; ++m) {
            const int x = h.s.move_x[m], y = h.s.move_y[m], c = h.s.move_colour[m];
            ASSERT_EQ(c, (first - 1 + m) % 4 + 1) << "colours in turn";
            ASSERT_EQ(replay->board[x][y], cell_empty) << "stone " << m + 1 << " on a taken cell";
            replay->board[x][y] = i16(c);
            ASSERT_EQ(調査_5並び(replay->board, i16(c), x, y), won && m == n - 1 ? flag_yes : flag_no) << "stone " << m + 1;
        }
    }
    RecordProperty("draws", draws);
}
