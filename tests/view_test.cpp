// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

TEST(PictureChoice, EmptyCellsByCornerEdgeAndStarPoint) {
    EXPECT_EQ(空桝の絵(1, 1), "KARAUEHIDARI");
    EXPECT_EQ(空桝の絵(19, 1), "KARAUEMIGI");
    EXPECT_EQ(空桝の絵(1, 19), "KARASITAHIDARI");
    EXPECT_EQ(空桝の絵(19, 19), "KARASITAMIGI");
    EXPECT_EQ(空桝の絵(5, 1), "KARAUENAKA") << "an edge, not a star point";
    EXPECT_EQ(空桝の絵(7, 19), "KARASITANAKA");
    EXPECT_EQ(空桝の絵(1, 10), "KARAHIDARINAKA");
    EXPECT_EQ(空桝の絵(19, 5), "KARAMIGINAKA");
    EXPECT_EQ(空桝の絵(4, 4), "KARANAKA");
    EXPECT_EQ(空桝の絵(16, 16), "KARANAKA");
    int stars = 0;
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) stars += 空桝の絵(x, y) == "KARANAKATEN";
    EXPECT_EQ(stars, 9);
    EXPECT_EQ(空桝の絵(10, 10), "KARANAKATEN");
    EXPECT_EQ(空桝の絵(15, 5), "KARANAKATEN");
}

TEST(PictureChoice, StonesByPositionAndColourWithoutStarVariant) {
    EXPECT_EQ(駒の絵(10, 10, colour_black), "KURONAKA");
    EXPECT_EQ(駒の絵(1, 1, colour_white), "SIROUEHIDARI");
    EXPECT_EQ(駒の絵(19, 7, colour_red), "AKAMIGINAKA");
    EXPECT_EQ(駒の絵(7, 19, colour_blue), "AOSITANAKA");
    EXPECT_EQ(駒の絵(19, 19, colour_blue), "AOSITAMIGI");
    EXPECT_EQ(駒の絵(1, 19, colour_red), "AKASITAHIDARI");
    EXPECT_TRUE(駒の絵(3, 3, cell_empty).empty());
    EXPECT_TRUE(駒の絵(3, 3, no_game).empty());
}

TEST(Drawing, PositionsInTwips) {
    Harness h;
    View& v = h.game.view();
    v.描画_四角形(21.5, 5, 2200, 300, board_colour);
    v.描画_打駒印(1, 1, mark_colour);
    v.描画_駒(4, 4, cell_empty);
    v.描画_駒(4, 4, 9);
    v.描画_枠();
    EXPECT_EQ(h.log.lines[0], "rect 7572.5 2025 2200 300 2");
    EXPECT_EQ(h.log.lines[1], "circle 1265 915 50 11");
    EXPECT_EQ(h.log.lines[2].rfind("text 1241 481.5 'A   B   C   D   E   F   G   H   J    K   L   M   N   O   P   Q   R    S   T' 15 10", 0), 0u);
    EXPECT_EQ(h.log.lines[2 + 7], "text 800 2686.5 ' 7 ' 15 9");
    EXPECT_EQ(h.log.lines[2 + 19], "text 800 6466.5 ' 19 ' 15 9");
    EXPECT_EQ(h.log.lines.size(), 22u) << "no stone painted for a value that is no colour";
}

TEST(Drawing, BoardRepaintPaintsEveryCellFromItsContent) {
    Harness h;
    h.s.board[1][1] = colour_black;
    h.s.board[2][2] = 7;  // not a cell value: left untouched
    h.game.view().描画_盤();
    EXPECT_EQ(h.log.count("pic "), 360u);
    EXPECT_EQ(h.log.lines[0], "pic KUROUEHIDARI 1115 765");
    EXPECT_EQ(h.log.count("pic KARA"), 359u);
    EXPECT_EQ(h.canvas.cell_picture.count({2, 2}), 0u);
}

TEST(Status, TurnTextIconAndNoGame) {
    Harness h;
    h.marks.ticks[int(Mark::AICON)] = true;
    h.s.player_kind[colour_blue] = player_computer;
    h.game.view().描画_手番(colour_blue);
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"rect 7572.5 2025 2200 300 2", "icon show com 2 650 3200",
                                                     "text 7572.5 2025 '青' 15 12", "text 7887.5 2025 'の番です' 15 12"}));
    EXPECT_EQ(h.canvas.visible_icons, 1);

    h.log.clear();
    h.game.view().描画_手番(no_game);
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"rect 7572.5 2025 2200 300 2", "text 7887.5 2025 'の番です' 15 12"}));
    EXPECT_EQ(h.canvas.visible_icons, 0);
}

TEST(Status, IconPlaceAndKindPerColourAndNoneWhenUnticked) {
    Harness h;
    View& v = h.game.view();
    h.s.player_kind[1] = player_human;
    h.s.player_kind[2] = player_computer;
    h.s.player_kind[3] = player_human;
    h.s.player_kind[4] = player_computer;
    v.描画_打手(colour_black);
    EXPECT_EQ(h.canvas.visible_icons, 0) << "AICON unticked";
    h.marks.ticks[int(Mark::AICON)] = true;
    const char* expect[5] = {"", "icon show man 1 3600 6735", "icon show com 2 650 3200", "icon show man 3 3600 300",
                             "icon show com 4 7085 3200"};
    for (int c = 1; c <= 4; ++c) {
        h.log.clear();
        v.描画_打手(c);
        EXPECT_EQ(h.log.with("icon show"), std::vector<std::string>{expect[c]});
        EXPECT_EQ(h.canvas.visible_icons, 1);
    }
    h.s.player_kind[2] = 0;  // nobody holds blue before a setup
    v.描画_打手(colour_blue);
    EXPECT_EQ(h.canvas.visible_icons, 0);
}

TEST(Status, MoveCountMovesLeftWithItsDigits) {
    Harness h;
    View& v = h.game.view();
    const std::pair<int, std::string> cases[] = {
        {0, "text 7730 3285 ' 0 ' 15 11"},     {9, "text 7730 3285 ' 9 ' 15 11"},
        {10, "text 7667 3285 ' 10 ' 15 11"},   {99, "text 7667 3285 ' 99 ' 15 11"},
        {100, "text 7572.5 3285 ' 100 ' 15 11"}};
    for (const auto& [n, text] : cases) {
        h.log.clear();
        v.描画_手数(n);
        ASSERT_EQ(h.log.lines.size(), 3u);
        EXPECT_EQ(h.log.lines[0], "rect 7572.5 3285 1000 300 2");
        EXPECT_EQ(h.log.lines[1], text);
        EXPECT_EQ(h.log.lines[2], "text 8045 3285 '手目' 15 11");
    }
}

TEST(MoveNumbers, SizeOffsetAndColourByDigits) {
    Harness h;
    View& v = h.game.view();
    v.描画_手順番号(10, 10, 1, palette_white);
    v.描画_手順番号(1, 1, 57, palette_black);
    v.描画_手順番号(19, 19, 120, palette_black);
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"text 3970 3620 ' 1 ' 15 12", "text 1120 815 ' 57 ' 0 10",
                                                     "text 6785 6500 ' 120 ' 0 7"}));
}

TEST(MoveNumbers, AllNumbersNewestFirstOneAHighestOrdinalPerCellMarkKept) {
    Harness h;
    // A record written by hand, where (3,3) holds two entries.
    auto record = [&h](i16 colour, int x, int y) {
        h.s.board[x][y] = colour;
        h.s.move_x[h.s.move_number] = i16(x);
        h.s.move_y[h.s.move_number] = i16(y);
        h.s.move_colour[h.s.move_number] = colour;
        ++h.s.move_number;
    };
    record(colour_black, 3, 3);  // 1
    record(colour_blue, 4, 4);   // 2
    record(colour_white, 5, 5);  // 3
    h.s.board[5][5] = cell_empty;  // (5,5) not on the board in the shown position
    record(colour_red, 3, 3);    // 4: the same cell again
    record(colour_black, 7, 7);  // 5: black, white digits
    record(colour_black, 6, 6);  // 6: newest, keeps its mark
    h.game.view().描画_全手順番号(h.s.move_number - 1);
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"text 3025 2675 ' 5 ' 15 12", "text 1765 1415 ' 4 ' 0 12",
                                                     "text 2080 1730 ' 2 ' 0 12"}));
}
