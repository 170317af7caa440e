// SPDX-License-Identifier: GPL-3.0-or-later
// Checks the generated artwork under view/pictures: sizes, where the grid
// lines run in every cell picture, the star dot, the stone colours and the
// transparency of the turn icons, in the set for ordinary screens and in the
// two- and three-times sets for high-density ones. The board is assembled
// from these cells at run time, so a line that stops short or runs past the
// border shows up as a broken grid in the game.

#include <gtest/gtest.h>

#include "art/cell_art.h"

#include <QColor>
#include <QImage>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#ifndef QUINTORA_PICTURES_DIR
#error "QUINTORA_PICTURES_DIR must name the directory of the PNG pictures"
#endif

namespace {

// The picture of a set: NAME.png at scale 1, NAME@2x.png, NAME@3x.png.
QImage load(const std::string& name, int scale = 1)
{
    const std::string suffix = scale == 1 ? "" : "@" + std::to_string(scale) + "x";
    return QImage(QStringLiteral(QUINTORA_PICTURES_DIR "/") + QString::fromStdString(name + suffix) +
                  QStringLiteral(".png"));
}

bool is_dark(const QColor& c) { return c.red() < 70 && c.green() < 70 && c.blue() < 70; }

// Board wood: between RGB(223,204,113) and RGB(239,220,129), with a little slack.
bool is_wood(const QColor& c)
{
    return c.alpha() == 255 && c.red() >= 215 && c.red() <= 247 && c.green() >= 196 && c.green() <= 228 &&
           c.blue() >= 105 && c.blue() <= 137;
}

std::string where(const std::string& name, int x, int y)
{
    return name + " pixel (" + std::to_string(x) + "," + std::to_string(y) + ")";
}

struct Position {
    const char* suffix;
    bool left, right, up, down;  // directions in which the grid leaves the cell
};

constexpr std::array<Position, 9> kPositions{{
    {"UEHIDARI", false, true, false, true},
    {"UENAKA", true, true, false, true},
    {"UEMIGI", true, false, false, true},
    {"HIDARINAKA", false, true, true, true},
    {"NAKA", true, true, true, true},
    {"MIGINAKA", true, false, true, true},
    {"SITAHIDARI", false, true, true, false},
    {"SITANAKA", true, true, true, false},
    {"SITAMIGI", true, false, true, false},
}};

void PrintTo(const Position& p, std::ostream* os) { *os << p.suffix; }

constexpr std::array<const char*, 4> kStonePrefixes{"KURO", "SIRO", "AO", "AKA"};

// The four arms of the grid cross: a unit step and whether the grid goes that way.
struct Arm {
    int dx, dy;
    bool continues;
};

std::array<Arm, 4> arms(const Position& p)
{
    return {{{-1, 0, p.left}, {1, 0, p.right}, {0, -1, p.up}, {0, 1, p.down}}};
}

TEST(Pictures, EveryFileExistsWithItsSize)
{
    std::vector<std::pair<std::string, int>> expected;  // name, width
    for (const Position& p : kPositions) {
        expected.emplace_back(std::string("KARA") + p.suffix, 21);
        for (const char* prefix : kStonePrefixes) expected.emplace_back(std::string(prefix) + p.suffix, 21);
    }
    expected.emplace_back("KARANAKATEN", 21);
    for (int i = 1; i <= 4; ++i) {
        expected.emplace_back("ICO_MAN" + std::to_string(i), 32);
        expected.emplace_back("ICO_COM" + std::to_string(i), 32);
    }

    for (const auto& [name, side] : expected) {
        const QImage img = load(name);
        ASSERT_FALSE(img.isNull()) << name << " is missing or unreadable";
        EXPECT_EQ(img.size(), QSize(side, side)) << name;
    }
    const QImage title = load("PG_NAME");
    ASSERT_FALSE(title.isNull()) << "PG_NAME is missing or unreadable";
    EXPECT_EQ(title.size(), QSize(147, 34));
}

class CellPictures : public ::testing::TestWithParam<Position> {};

// Empty cells: black line from the centre pixel to the edge along every arm
// that continues, bare wood along every arm that does not, wood elsewhere.
TEST_P(CellPictures, EmptyCellHasGridExactlyWhereItContinues)
{
    const Position& p = GetParam();
    const std::string name = std::string("KARA") + p.suffix;
    const QImage img = load(name);
    ASSERT_EQ(img.size(), QSize(21, 21)) << name;

    EXPECT_TRUE(is_dark(img.pixelColor(10, 10))) << where(name, 10, 10);
    for (const Arm& a : arms(p)) {
        for (int step = 1; step <= 10; ++step) {
            const int x = 10 + a.dx * step, y = 10 + a.dy * step;
            if (a.continues)
                EXPECT_TRUE(is_dark(img.pixelColor(x, y))) << where(name, x, y) << " should be grid line";
            else
                EXPECT_TRUE(is_wood(img.pixelColor(x, y))) << where(name, x, y) << " should be bare board";
        }
    }
    for (int y = 0; y < 21; ++y)
        for (int x = 0; x < 21; ++x)
            if (x != 10 && y != 10) {
                EXPECT_TRUE(is_wood(img.pixelColor(x, y))) << where(name, x, y);
            }
}

// Stones: drawn over the empty picture of the same position (its corners
// show unchanged), the grid-line ends stay black where the grid continues,
// no line end appears where it does not, and the middle is the stone colour.
TEST_P(CellPictures, StonesKeepLineEndsAndShowTheirColour)
{
    const Position& p = GetParam();
    const QImage board = load(std::string("KARA") + p.suffix);
    ASSERT_EQ(board.size(), QSize(21, 21));

    for (const char* prefix : kStonePrefixes) {
        const std::string name = std::string(prefix) + p.suffix;
        const QImage img = load(name);
        ASSERT_EQ(img.size(), QSize(21, 21)) << name;

        for (const auto& [x, y] : {std::pair{0, 0}, {20, 0}, {0, 20}, {20, 20}})
            EXPECT_EQ(img.pixelColor(x, y), board.pixelColor(x, y)) << where(name, x, y) << " should be board";

        for (const Arm& a : arms(p)) {
            const int x = 10 + a.dx * 10, y = 10 + a.dy * 10;
            EXPECT_EQ(is_dark(img.pixelColor(x, y)), a.continues) << where(name, x, y) << " (line end)";
        }

        for (int y = 8; y <= 12; ++y) {
            for (int x = 8; x <= 12; ++x) {
                const QColor c = img.pixelColor(x, y);
                const std::string at = where(name, x, y);
                EXPECT_EQ(c.alpha(), 255) << at;
                if (std::string(prefix) == "KURO")
                    EXPECT_TRUE(c.red() < 60 && c.green() < 60 && c.blue() < 60) << at << " should be black";
                else if (std::string(prefix) == "SIRO")
                    EXPECT_TRUE(c.red() > 200 && c.green() > 200 && c.blue() > 200) << at << " should be white";
                else if (std::string(prefix) == "AO")
                    EXPECT_TRUE(c.blue() > 180 && c.red() < 80 && c.green() < 80) << at << " should be blue";
                else
                    EXPECT_TRUE(c.red() > 180 && c.green() < 80 && c.blue() < 80) << at << " should be red";
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(AllPositions, CellPictures, ::testing::ValuesIn(kPositions),
                         [](const ::testing::TestParamInfo<Position>& info) { return info.param.suffix; });

TEST(Pictures, StarPointHasDotThatPlainCrossingLacks)
{
    const QImage star = load("KARANAKATEN");
    const QImage plain = load("KARANAKA");
    ASSERT_EQ(star.size(), QSize(21, 21));
    ASSERT_EQ(plain.size(), QSize(21, 21));

    for (int y = 8; y <= 12; ++y) {
        for (int x = 8; x <= 12; ++x) {
            const QColor c = star.pixelColor(x, y);
            // The corners of the dot may be softened, but stay well darker than the board.
            EXPECT_LT(c.lightness(), 128) << where("KARANAKATEN", x, y);
            if (x != 10 && y != 10) {
                EXPECT_TRUE(is_wood(plain.pixelColor(x, y))) << where("KARANAKA", x, y);
            }
        }
    }
    // Nothing of the dot outside 8..12: the ring around it is board or grid line.
    for (int i = 7; i <= 13; ++i) {
        for (const auto& [x, y] : {std::pair{i, 7}, {i, 13}, {7, i}, {13, i}}) {
            const QColor c = star.pixelColor(x, y);
            EXPECT_TRUE(x == 10 || y == 10 ? is_dark(c) : is_wood(c)) << where("KARANAKATEN", x, y);
        }
    }
    // Away from the dot the two pictures are the same.
    EXPECT_EQ(star.copy(0, 0, 21, 7), plain.copy(0, 0, 21, 7));
    EXPECT_EQ(star.copy(0, 14, 21, 7), plain.copy(0, 14, 21, 7));
}

TEST(Pictures, TitleShowsLetteringOnTheWindowGreen)
{
    const QImage title = load("PG_NAME");
    ASSERT_EQ(title.size(), QSize(147, 34));
    EXPECT_EQ(title.pixelColor(0, 0), QColor(0, 128, 0));
    EXPECT_EQ(title.pixelColor(146, 33), QColor(0, 128, 0));

    int gold = 0;
    for (int y = 0; y < title.height(); ++y)
        for (int x = 0; x < title.width(); ++x) {
            const QColor c = title.pixelColor(x, y);
            if (c.red() > 200 && c.green() > 140 && c.blue() < 140) ++gold;
        }
    // Nine letters in gold cover a good share of the picture; an empty or
    // failed text rendering leaves next to nothing.
    EXPECT_GT(gold, 300);
}

// The icons are shown over the window surface, so everything around the
// figure must be transparent and the figure itself solid in its colour.
TEST(Pictures, TurnIconsAreSolidFiguresOnTransparentGround)
{
    const std::array<QColor, 4> person{QColor(0, 0, 0), QColor(0, 255, 255), QColor(255, 255, 255),
                                       QColor(255, 0, 0)};
    const std::array<QColor, 4> computer{QColor(192, 192, 192), QColor(0, 0, 255), QColor(255, 255, 255),
                                         QColor(255, 0, 0)};
    for (int i = 1; i <= 4; ++i) {
        const std::string man = "ICO_MAN" + std::to_string(i);
        const std::string com = "ICO_COM" + std::to_string(i);
        for (const std::string& name : {man, com}) {
            const QImage img = load(name);
            ASSERT_EQ(img.size(), QSize(32, 32)) << name;
            ASSERT_TRUE(img.hasAlphaChannel()) << name;
            for (const auto& [x, y] : {std::pair{0, 0}, {31, 0}, {0, 31}, {31, 31}})
                EXPECT_EQ(img.pixelColor(x, y).alpha(), 0) << where(name, x, y);
        }

        const QImage m = load(man);
        EXPECT_EQ(m.pixelColor(16, 9), person[i - 1]) << man << " head";
        EXPECT_EQ(m.pixelColor(16, 25), person[i - 1]) << man << " body";
        EXPECT_EQ(m.pixelColor(1, 10).alpha(), 0) << man << " beside the head";

        const QImage c = load(com);
        EXPECT_EQ(c.pixelColor(4, 10), computer[i - 1]) << com << " case";
        EXPECT_EQ(c.pixelColor(3, 10), QColor(0, 0, 0)) << com << " outline";
        EXPECT_EQ(c.pixelColor(16, 28).alpha(), 255) << com << " keyboard";
        const QColor screen = c.pixelColor(16, 12);
        EXPECT_EQ(screen.alpha(), 255) << com << " screen";
        EXPECT_LT(screen.lightness(), computer[i - 1].lightness()) << com << " screen is the darker shade";
    }
}

// ---------------------------------------------------------------------------
// The sets for high-density screens.

std::vector<std::string> allNames()
{
    std::vector<std::string> names;
    for (const Position& p : kPositions) {
        names.push_back(std::string("KARA") + p.suffix);
        for (const char* prefix : kStonePrefixes) names.push_back(std::string(prefix) + p.suffix);
    }
    names.push_back("KARANAKATEN");
    names.push_back("PG_NAME");
    for (int i = 1; i <= 4; ++i) {
        names.push_back("ICO_MAN" + std::to_string(i));
        names.push_back("ICO_COM" + std::to_string(i));
    }
    return names;
}

// Mean absolute difference per channel (alpha included) of two same-sized pictures.
double mean_difference(const QImage& a, const QImage& b)
{
    const QImage x = a.convertToFormat(QImage::Format_ARGB32);
    const QImage y = b.convertToFormat(QImage::Format_ARGB32);
    double sum = 0;
    for (int j = 0; j < x.height(); ++j)
        for (int i = 0; i < x.width(); ++i) {
            const QRgb p = x.pixel(i, j), q = y.pixel(i, j);
            sum += std::abs(qRed(p) - qRed(q)) + std::abs(qGreen(p) - qGreen(q)) + std::abs(qBlue(p) - qBlue(q)) +
                   std::abs(qAlpha(p) - qAlpha(q));
        }
    return sum / (4.0 * x.width() * x.height());
}

// Share of the aligned scale x scale blocks that are one colour: 1 for an
// enlarged copy of the small picture.
double uniform_blocks(const QImage& img, int scale)
{
    int uniform = 0, blocks = 0;
    for (int by = 0; by + scale <= img.height(); by += scale)
        for (int bx = 0; bx + scale <= img.width(); bx += scale) {
            bool same = true;
            for (int j = 0; j < scale && same; ++j)
                for (int i = 0; i < scale && same; ++i) same = img.pixel(bx + i, by + j) == img.pixel(bx, by);
            uniform += same;
            ++blocks;
        }
    return double(uniform) / blocks;
}

class LargerSets : public ::testing::TestWithParam<int> {};

// Every picture exists in the set at its size times the scale, shows the
// same design (brought down to the small size it is close to the small
// picture) and is drawn at its own resolution (not a blown-up copy). The
// computer icons are drawn in whole layout pixels by design and only need
// to match.
TEST_P(LargerSets, EveryPictureIsTheSameDesignDrawnAtItsResolution)
{
    const int scale = GetParam();
    for (const std::string& name : allNames()) {
        const QImage small = load(name);
        const QImage large = load(name, scale);
        ASSERT_FALSE(large.isNull()) << name << " at " << scale << "x is missing or unreadable";
        ASSERT_EQ(large.size(), small.size() * scale) << name;
        EXPECT_EQ(large.hasAlphaChannel(), small.hasAlphaChannel()) << name;
        const QImage down = large.convertToFormat(QImage::Format_ARGB32_Premultiplied)
                                .scaled(small.size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        EXPECT_LT(mean_difference(down, small), 10.0) << name << " at " << scale << "x";
        if (name.rfind("ICO_COM", 0) != 0) {
            EXPECT_LT(uniform_blocks(large, scale), 0.9) << name << " at " << scale << "x";
        }
    }
}

// The grid line is one layout pixel wide at every scale: the device rows and
// columns 10s .. 11s-1 of the cell. It reaches the picture edge exactly where
// the grid continues, like in the small set; stones keep those line ends.
TEST_P(LargerSets, GridBandReachesTheEdgeWhereTheGridContinues)
{
    const int scale = GetParam();
    const int from = 10 * scale, to = 11 * scale, side = 21 * scale;
    for (const Position& p : kPositions) {
        const std::string empty = std::string("KARA") + p.suffix;
        const QImage img = load(empty, scale);
        ASSERT_EQ(img.size(), QSize(side, side)) << empty;
        for (int w = from; w < to; ++w) {
            // Along the band: dark on the arms that continue, wood on the others.
            for (int i = 0; i < side; ++i) {
                const bool onArmAlongX = i < from ? p.left : i >= to ? p.right : true;
                const bool onArmAlongY = i < from ? p.up : i >= to ? p.down : true;
                EXPECT_EQ(is_dark(img.pixelColor(i, w)), onArmAlongX) << where(empty, i, w);
                EXPECT_EQ(is_dark(img.pixelColor(w, i)), onArmAlongY) << where(empty, w, i);
            }
        }
        // Off the band the cell is wood.
        for (int y = 0; y < side; ++y)
            for (int x = 0; x < side; ++x)
                if ((x < from || x >= to) && (y < from || y >= to)) {
                    ASSERT_TRUE(is_wood(img.pixelColor(x, y))) << where(empty, x, y) << " at " << scale << "x";
                }

        for (const char* prefix : kStonePrefixes) {
            const std::string name = std::string(prefix) + p.suffix;
            const QImage stone = load(name, scale);
            for (const Arm& a : arms(p))
                for (int w = from; w < to; ++w) {
                    const int x = a.dx ? (a.dx < 0 ? 0 : side - 1) : w;
                    const int y = a.dy ? (a.dy < 0 ? 0 : side - 1) : w;
                    EXPECT_EQ(is_dark(stone.pixelColor(x, y)), a.continues) << where(name, x, y) << " line end";
                }
        }
    }
    // The star dot stays inside the five layout pixels around the crossing.
    const QImage star = load("KARANAKATEN", scale);
    const QImage plain = load("KARANAKA", scale);
    EXPECT_LT(star.pixelColor(from - scale, from - scale).lightness(), 128);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            if (x < 8 * scale || x >= 13 * scale || y < 8 * scale || y >= 13 * scale) {
                ASSERT_EQ(star.pixel(x, y), plain.pixel(x, y)) << where("KARANAKATEN", x, y);
            }
}

INSTANTIATE_TEST_SUITE_P(TwoAndThreeTimes, LargerSets, ::testing::Values(2, 3),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "x"; });

// ---------------------------------------------------------------------------
// Cells drawn at run time, for ratios between the sets.

// The code the game draws cells with is the code that drew the committed
// sets: at one, two and three times it gives every cell picture back, pixel
// for pixel (PNG is lossless).
TEST(CellArt, DrawsEveryCommittedCellPicturePixelForPixel)
{
    namespace art = quintora::art;
    std::vector<std::string> names{"KARANAKATEN"};
    for (const Position& p : kPositions) {
        names.push_back(std::string("KARA") + p.suffix);
        for (const char* prefix : kStonePrefixes) names.push_back(std::string(prefix) + p.suffix);
    }
    for (const int scale : {1, 2, 3})
        for (const std::string& name : names) {
            const auto picture = art::cell_picture(name);
            ASSERT_TRUE(picture.has_value()) << name;
            const QImage drawn = art::draw_cell(*picture, art::Placement::whole(scale));
            EXPECT_EQ(drawn, load(name, scale).convertToFormat(QImage::Format_RGB32)) << name << " at " << scale << "x";
        }
    for (const char* other : {"PG_NAME", "ICO_MAN1", "KARA", "NAKA", "KUROKARA", "AKANAKAX", ""})
        EXPECT_FALSE(art::cell_picture(other).has_value()) << other;
}

// Between the sets: for the cells of the first four columns and rows of the
// board (where the ratio's placements on the device repeat from), each grid
// line is a band of the ratio rounded, in whole device pixels, solid black
// from edge to edge where the grid continues, over the device pixels its
// layout pixel covers, with wood all around it.
TEST(CellArt, BetweenTheSetsEveryGridLineIsSolidAndWhereTheLayoutPutsIt)
{
    namespace art = quintora::art;
    for (const double ratio : {1.25, 1.5, 1.75, 2.5}) {
        const int band = static_cast<int>(std::lround(ratio));
        for (int cx = 0; cx < 4; ++cx)
            for (int cy = 0; cy < 4; ++cy) {
                const int x0 = 74 + 21 * cx, y0 = 51 + 21 * cy;
                const art::Placement at = art::Placement::at(ratio, x0, y0);
                const QImage img = art::draw_cell(*art::cell_picture("KARANAKA"), at);
                const std::string name = "KARANAKA at " + std::to_string(ratio) + " on cell " +
                                         std::to_string(cx) + "," + std::to_string(cy);
                // The picture covers the cell's layout rectangle rounded to device pixels.
                const long left = std::lround(x0 * ratio), top = std::lround(y0 * ratio);
                ASSERT_EQ(img.width(), std::lround((x0 + 21) * ratio) - left) << name;
                ASSERT_EQ(img.height(), std::lround((y0 + 21) * ratio) - top) << name;
                // The columns (rows) that are black from edge to edge.
                std::vector<int> columns, rows;
                for (int x = 0; x < img.width(); ++x) {
                    bool black = true;
                    for (int y = 0; y < img.height(); ++y) black = black && img.pixel(x, y) == qRgb(0, 0, 0);
                    if (black) columns.push_back(x);
                }
                for (int y = 0; y < img.height(); ++y) {
                    bool black = true;
                    for (int x = 0; x < img.width(); ++x) black = black && img.pixel(x, y) == qRgb(0, 0, 0);
                    if (black) rows.push_back(y);
                }
                ASSERT_EQ(int(columns.size()), band) << name;
                ASSERT_EQ(int(rows.size()), band) << name;
                EXPECT_EQ(columns.back() - columns.front() + 1, band) << name;
                EXPECT_EQ(rows.back() - rows.front() + 1, band) << name;
                // Centred on layout pixel 10 of the cell, to half a device pixel.
                EXPECT_LE(std::abs(left + columns.front() + band / 2.0 - (x0 + 10.5) * ratio), 0.5) << name;
                EXPECT_LE(std::abs(top + rows.front() + band / 2.0 - (y0 + 10.5) * ratio), 0.5) << name;
                for (int y = 0; y < img.height(); ++y)
                    for (int x = 0; x < img.width(); ++x) {
                        const bool on_line = (x >= columns.front() && x <= columns.back()) ||
                                             (y >= rows.front() && y <= rows.back());
                        if (!on_line) {
                            ASSERT_TRUE(is_wood(img.pixelColor(x, y))) << where(name, x, y);
                        }
                    }
            }
    }
}

// Between the sets a stone is as round as at the sets, centred on the
// crossing of its lines, with the lines' ends still solid where the grid
// continues out of the cell.
TEST(CellArt, BetweenTheSetsStonesAreRoundAndKeepTheLineEnds)
{
    namespace art = quintora::art;
    for (const double ratio : {1.25, 1.5, 1.75}) {
        for (int c = 0; c < 4; ++c) {
            const art::Placement at = art::Placement::at(ratio, 74 + 21 * c, 51 + 21 * c);
            const QImage board = art::draw_cell(*art::cell_picture("KARAUEHIDARI"), at);
            const QImage stone = art::draw_cell(*art::cell_picture("SIROUEHIDARI"), at);
            const std::string name = "SIROUEHIDARI at " + std::to_string(ratio) + " on cell " + std::to_string(c);
            // The stone: pixels far bluer than wood, line or shadow.
            int x0 = stone.width(), x1 = -1, y0 = stone.height(), y1 = -1;
            for (int y = 0; y < stone.height(); ++y)
                for (int x = 0; x < stone.width(); ++x)
                    if (qBlue(stone.pixel(x, y)) > 160) {
                        x0 = std::min(x0, x), x1 = std::max(x1, x), y0 = std::min(y0, y), y1 = std::max(y1, y);
                    }
            ASSERT_GE(x1, 0) << name;
            EXPECT_EQ(x1 - x0, y1 - y0) << name << " is not round";
            EXPECT_NEAR(x1 - x0 + 1, 2 * 9.4 * ratio, 2.0) << name;
            // Its middle on the middle of the lines' bands.
            int line_x = -1, line_y = -1;
            for (int i = 0; i < board.width() && line_x < 0; ++i)
                if (board.pixel(i, board.height() - 1) == qRgb(0, 0, 0)) line_x = i;
            for (int i = 0; i < board.height() && line_y < 0; ++i)
                if (board.pixel(board.width() - 1, i) == qRgb(0, 0, 0)) line_y = i;
            const double band = std::lround(ratio) / 2.0;
            EXPECT_NEAR((x0 + x1 + 1) / 2.0, line_x + band, 0.5) << name;
            EXPECT_NEAR((y0 + y1 + 1) / 2.0, line_y + band, 0.5) << name;
            // The line ends at the right and bottom edges stay dark (the
            // stone's rim may just reach into the last pixel); the corners
            // show the board as it is.
            EXPECT_TRUE(is_dark(stone.pixelColor(stone.width() - 1, line_y))) << name;
            EXPECT_TRUE(is_dark(stone.pixelColor(line_x, stone.height() - 1))) << name;
            EXPECT_EQ(stone.pixel(0, 0), board.pixel(0, 0)) << name;
            EXPECT_FALSE(is_dark(stone.pixelColor(0, line_y))) << name << " has no line to its left";
        }
    }
}

}  // namespace
