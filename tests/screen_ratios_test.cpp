// SPDX-License-Identifier: GPL-3.0-or-later
// The board surface at the screen's own resolution, on off-screen screens of
// the ratios 1, 1.25, 1.5, 1.75, 2 and 3 (tests/fixtures/offscreen_screens.json).
//
// A program of its own: with screens of several ratios present Qt draws text
// without hinting on every screen, which the ordinary tests, compared with a
// rendering of the ordinary screen, must not see.

#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QTest>
#include <algorithm>
#include <cmath>
#include <set>
#include <string>

#include "support/board_scenario.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

// The test screens (tests/fixtures/offscreen_screens.json) have the ratios
// 1, 1.25, 1.5, 1.75, 2 and 3.
QScreen* screen_of_ratio(double ratio) {
    for (QScreen* s : QGuiApplication::screens())
        if (s->devicePixelRatio() == ratio) return s;
    return nullptr;
}

// Shows the window on the screen of that ratio.
void put_on(Form1& form, double ratio) {
    QScreen* screen = screen_of_ratio(ratio);
    ASSERT_NE(screen, nullptr) << "no test screen of ratio " << ratio;
    form.show();
    form.move(screen->geometry().topLeft() + QPoint(20, 20));
    QApplication::processEvents();
    ASSERT_EQ(form.screen(), screen);
    ASSERT_EQ(form.canvas().devicePixelRatioF(), ratio);
}

// The board in layout pixels: cells 1..19 stand from (74, 51), 21 pixels each.
const QRect board_px(74, 51, 19 * 21, 19 * 21);

QRect in_device(const QRect& r, double ratio) {
    const auto at = [ratio](int v) { return int(std::lround(v * ratio)); };
    return QRect(QPoint(at(r.left()), at(r.top())), QPoint(at(r.left() + r.width()) - 1, at(r.top() + r.height()) - 1));
}

double mean_difference(const QImage& a, const QImage& b) {
    double sum = 0;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x) {
            const QRgb p = a.pixel(x, y), q = b.pixel(x, y);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q));
        }
    return sum / (3.0 * a.width() * a.height());
}

// Share of the aligned 2 x 2 blocks of `r` that are one colour.
double uniform_blocks(const QImage& img, const QRect& r) {
    int uniform = 0, blocks = 0;
    for (int y = r.top(); y + 1 <= r.bottom(); y += 2)
        for (int x = r.left(); x + 1 <= r.right(); x += 2) {
            const QRgb p = img.pixel(x, y);
            uniform += img.pixel(x + 1, y) == p && img.pixel(x, y + 1) == p && img.pixel(x + 1, y + 1) == p;
            ++blocks;
        }
    return double(uniform) / blocks;
}

// Where cells join, a gap shows the green behind the board, or green mixed
// into the wood: a pixel much greener than it is red and blue.
int greenish_pixels(const QImage& img, const QRect& r) {
    int n = 0;
    for (int y = r.top(); y <= r.bottom(); ++y)
        for (int x = r.left(); x <= r.right(); ++x) {
            const QRgb p = img.pixel(x, y);
            n += qGreen(p) > qRed(p) + 40 && qGreen(p) > qBlue(p) + 40;
        }
    return n;
}

// HSV value: the largest of red, green and blue. The wood's is 223 or more.
int value(QRgb p) { return std::max({qRed(p), qGreen(p), qBlue(p)}); }
constexpr int ink = 200;

// One grid line as the surface shows it, measured across the line at every
// device pixel along it between the first and the last line, away from the
// crossing lines and the star dots, and (with `stones_above` rows of cells
// holding stones) below the stones.
struct LineFigures {
    int darkest = 0;          // the darkest pixel across the line, at its palest place
    int widest = 0;           // pixels darker than the wood across the line, at most
    int narrowest = 1 << 30;  // and at least
    int grey = 0;             // pixels across it neither wood nor nearly black, in all
};

LineFigures measure_line(const QImage& img, double ratio, bool vertical, int k, int stones_above = 0) {
    const auto device = [ratio](double layout) { return layout * ratio; };
    // Cell k (0-based) starts at 74 + 21 k (51 + 21 k); its line is the
    // layout pixel 10 in it.
    const double across = device((vertical ? 74 : 51) + 21 * k + 10.5);
    const int from = int(std::floor(across - 0.5 * ratio - 2)), to = int(std::ceil(across + 0.5 * ratio + 2));
    const double first = (vertical ? 51 : 74) + 10.5 + (vertical ? 21 * stones_above : 0);
    const double last = (vertical ? 51 : 74) + 10.5 + 21 * 18;
    LineFigures f;
    for (int t = int(device(first)); t <= int(device(last)); ++t) {
        bool clear = true;
        for (int c = 0; c < 19; ++c) clear = clear && std::abs(t + 0.5 - device((vertical ? 51 : 74) + 21 * c + 10.5)) > 3 * ratio + 1;
        if (!clear) continue;
        int darkest = 255, width = 0;
        for (int a = from; a <= to; ++a) {
            const int v = value(vertical ? img.pixel(a, t) : img.pixel(t, a));
            darkest = std::min(darkest, v);
            width += v < ink;
            f.grey += v < ink && v >= 60;
        }
        f.darkest = std::max(f.darkest, darkest);
        f.widest = std::max(f.widest, width);
        f.narrowest = std::min(f.narrowest, width);
    }
    return f;
}

// Every grid line of the board is one solid line of the ratio rounded to
// whole device pixels, along its whole length (below the rows of stones).
void expect_solid_grid(const QImage& img, double ratio, int stones_above = 0) {
    const int rounded = std::max(1, int(std::lround(ratio)));
    for (const bool vertical : {true, false})
        for (int k = stones_above && !vertical ? stones_above : 0; k < 19; ++k) {
            const LineFigures f = measure_line(img, ratio, vertical, k, stones_above);
            const std::string line = (vertical ? "vertical line " : "horizontal line ") + std::to_string(k + 1) +
                                     " at ratio " + std::to_string(ratio);
            EXPECT_LT(f.darkest, 60) << line;
            EXPECT_EQ(f.widest, rounded) << line;
            EXPECT_EQ(f.narrowest, rounded) << line;
            EXPECT_EQ(f.grey, 0) << line;
        }
}

}  // namespace

class AtRatio : public ::testing::TestWithParam<double> {};

// The surface has the window's resolution, pictures of the cells join without
// a seam, and the icons come from the set for that resolution.
TEST_P(AtRatio, SurfaceHasTheScreensResolutionAndTheCellsJoin) {
    const double ratio = GetParam();
    WindowHarness w;
    put_on(w.form, ratio);
    w.form.start();
    play_scenario(w.form);
    const QImage& surface = w.form.canvas().surface();
    EXPECT_EQ(surface.size(), QSize(int(std::ceil(657 * ratio)), int(std::ceil(500 * ratio))));
    EXPECT_EQ(surface.devicePixelRatio(), ratio);
    EXPECT_EQ(w.form.size(), w.form.sizeHint()) << "the window keeps its layout size";
    EXPECT_EQ(w.form.canvas().size(), QSize(657, 500));

    const QRect board = in_device(board_px, ratio);
    EXPECT_EQ(greenish_pixels(surface, board), 0) << "a seam between cells at ratio " << ratio;

    int shown = 0;
    for (QLabel* l : w.form.canvas().findChildren<QLabel*>()) {
        const QPixmap p = l->pixmap();
        EXPECT_EQ(p.devicePixelRatio(), ratio);
        EXPECT_EQ(p.size(), QSize(int(std::lround(32 * ratio)), int(std::lround(32 * ratio))));
        shown += l->isVisibleTo(&w.form.canvas());
    }
    EXPECT_EQ(shown, 1);
}

INSTANTIATE_TEST_SUITE_P(Screens, AtRatio, ::testing::Values(1.0, 1.25, 1.5, 1.75, 2.0, 3.0),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return "x" + std::to_string(int(std::lround(info.param * 100)));
                         });

class AtFractionalRatio : public ::testing::TestWithParam<double> {};

// Between the ratios the pictures are drawn for, the cells are drawn for the
// ratio itself: every grid line solid black, as wide as the ratio rounded,
// on the empty board, below a game's stones and move numbers, and again
// after the window came from another screen.
TEST_P(AtFractionalRatio, EveryGridLineIsOneSolidLineOfWholeDevicePixels) {
    const double ratio = GetParam();
    WindowHarness w;
    put_on(w.form, 1.0);
    w.form.start();
    put_on(w.form, ratio);
    expect_solid_grid(w.form.canvas().surface(), ratio);
    expect_solid_grid(shown(w.form), ratio);
    play_scenario(w.form);
    // The scenario's stones fill rows 1 to 6 and the first cell of row 7.
    expect_solid_grid(shown(w.form), ratio, 7);
}

// Stones stay round and sit on the crossing of their lines: a white stone's
// extent across and down (the pixels bluer than the wood, the grid lines and
// the shadow can be) is the same and centred on the lines.
TEST_P(AtFractionalRatio, StonesAreRoundAndSitOnTheirCrossing) {
    const double ratio = GetParam();
    WindowHarness w;
    put_on(w.form, ratio);
    w.form.start();
    w.form.action("PLAY_4")->trigger();
    ASSERT_FALSE(w.form.marks().checked(Mark::TEJYUN)) << "no numbers over the stones";
    // Black, blue, white, red in turn on cells 1 to 8 of row 10 and 9 to 16
    // of row 11: white's four stones fall on four placements on the device.
    const auto row = [](int x) { return x <= 8 ? 10 : 11; };
    for (int x = 1; x <= 16; ++x) QTest::mouseClick(&w.form.canvas(), Qt::LeftButton, {}, cell_centre(x, row(x)));
    const QImage img = shown(w.form);
    int stones = 0;
    for (const int x : {3, 7, 11, 15}) {
        const int y = row(x);
        const QRect cell = in_device(QRect(74 + 21 * (x - 1), 51 + 21 * (y - 1), 21, 21), ratio);
        QRect white;
        for (int j = cell.top(); j <= cell.bottom(); ++j)
            for (int i = cell.left(); i <= cell.right(); ++i)
                if (qBlue(img.pixel(i, j)) > 160) white |= QRect(i, j, 1, 1);
        ASSERT_FALSE(white.isEmpty()) << "no white stone on cell " << x << "," << y;
        ++stones;
        const double diameter = 2 * 9.4 * ratio;
        EXPECT_NEAR(white.width(), diameter, 2.0) << "cell " << x << "," << y;
        EXPECT_EQ(white.width(), white.height()) << "cell " << x << "," << y;
        // The centre of the extent against the centre of the crossing lines.
        const double line_x = (74 + 21 * (x - 1) + 10.5) * ratio, line_y = (51 + 21 * (y - 1) + 10.5) * ratio;
        EXPECT_NEAR(white.left() + white.width() / 2.0, line_x, 1.0) << "cell " << x << "," << y;
        EXPECT_NEAR(white.top() + white.height() / 2.0, line_y, 1.0) << "cell " << x << "," << y;
    }
    EXPECT_EQ(stones, 4);
}

INSTANTIATE_TEST_SUITE_P(Screens, AtFractionalRatio, ::testing::Values(1.25, 1.5, 1.75),
                         [](const ::testing::TestParamInfo<double>& info) {
                             return "x" + std::to_string(int(std::lround(info.param * 100)));
                         });

// At the ratios the committed sets are drawn for, the grid is as solid.
TEST(ScreenRatios, AtWholeRatiosEveryGridLineIsSolidToo) {
    for (const double ratio : {1.0, 2.0, 3.0}) {
        WindowHarness w;
        put_on(w.form, ratio);
        w.form.start();
        expect_solid_grid(shown(w.form), ratio);
    }
}

// The scenario, then three steps back through the history and one forward,
// which draws every move number again over itself.
void play_and_walk(Form1& form) {
    play_scenario(form);
    for (const char* step : {"MODORU", "MODORU", "MODORU", "SUSUMU"}) form.action(step)->trigger();
}

// The scenario drawn on the screen of a ratio, as the window shows it.
QImage scenario_at(double ratio, void (*play)(Form1&) = play_scenario) {
    WindowHarness w;
    put_on(w.form, ratio);
    w.form.start();
    play(w.form);
    return shown(w.form);
}

// At two device pixels per layout pixel the board is drawn, not enlarged: an
// enlarged 1x board would have every aligned 2 x 2 block in one colour. Brought
// back down to the layout size it is the ordinary rendering, give or take the
// finer anti-aliasing; likewise at 1.5, whose cells are drawn for the ratio.
TEST(ScreenRatios, AtTwoAndOneAndAHalfTheBoardHasRealDetailAndMatchesTheOrdinaryRendering) {
    const QImage ordinary = scenario_at(1.0);
    ASSERT_EQ(ordinary.size(), QSize(657, 500));
    for (const double ratio : {2.0, 1.5}) {
        const QImage now = scenario_at(ratio);
        ASSERT_EQ(now.size(), QSize(int(std::ceil(657 * ratio)), int(std::ceil(500 * ratio))));
        if (ratio == 2.0) {
            EXPECT_LT(uniform_blocks(now, in_device(board_px, ratio)), 0.5);
            EXPECT_LT(uniform_blocks(now, in_device(QRect(43, 213, 32, 32), ratio)), 0.9) << "blue's icon";
        }
        // At 1.5 a grid line is two device pixels, a third of a layout pixel
        // wider than at 1, and brought down it spreads over two: a looser bound.
        const double bound = ratio == 2.0 ? 4.0 : 12.0;
        const QImage down = now.scaled(ordinary.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(mean_difference(down, ordinary), bound) << "at " << ratio;
        EXPECT_LT(mean_difference(down.copy(board_px), ordinary.copy(board_px)), bound) << "board at " << ratio;
    }
}

// The surface is made anew when the window goes to a screen of another ratio,
// with everything on it painted again: the same as painting there from the
// start, and back on the ordinary screen the same as before, pixel for pixel.
TEST(ScreenRatios, MovingToAnotherScreenPaintsEverythingAgainAtItsResolution) {
    const QImage painted_at_1 = scenario_at(1.0, play_and_walk);
    for (const double ratio : {2.0, 1.5}) {
        const QImage painted_there = scenario_at(ratio, play_and_walk);
        WindowHarness w;
        put_on(w.form, 1.0);
        w.form.start();
        play_and_walk(w.form);
        ASSERT_EQ(w.form.game().state().move_number, scenario_stones - 2);
        put_on(w.form, ratio);
        EXPECT_EQ(w.form.canvas().surface().devicePixelRatio(), ratio);
        EXPECT_EQ(shown(w.form), painted_there) << "at " << ratio;
        put_on(w.form, 1.0);
        EXPECT_EQ(shown(w.form), painted_at_1) << "back from " << ratio;
    }
}

// Presses are layout pixels, whatever the screen: the same point chooses the
// same cell at every ratio, including the first and last pixels of a cell.
TEST(ScreenRatios, APressAtTheSamePointChoosesTheSameCellAtEveryRatio) {
    const QPoint points[] = {{74, 51}, {94, 71}, {95, 72}, {283, 240}, {284, 261}, {472, 450}, {325, 60}};
    std::set<std::pair<int, int>> at_ratio_1;
    for (const double ratio : {1.0, 1.5, 2.0}) {
        WindowHarness w;
        put_on(w.form, ratio);
        w.form.start();
        w.form.action("PLAY_4")->trigger();
        for (const QPoint& p : points) QTest::mouseClick(&w.form.canvas(), Qt::LeftButton, {}, p);
        std::set<std::pair<int, int>> cells;
        const GameState& s = w.form.game().state();
        for (int x = 1; x <= 19; ++x)
            for (int y = 1; y <= 19; ++y)
                if (s.board[x][y] != cell_empty) cells.insert({x, y});
        if (ratio == 1.0)
            at_ratio_1 = cells;
        else
            EXPECT_EQ(cells, at_ratio_1) << "at " << ratio;
    }
    // Twips floor((15 p - 800) / 315): (74, 51) and (472, 450) fall just off the field.
    EXPECT_EQ(at_ratio_1, (std::set<std::pair<int, int>>{{1, 1}, {1, 2}, {10, 10}, {10, 11}, {12, 1}}));
}

