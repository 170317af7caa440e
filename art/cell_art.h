// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The board's cell pictures (wood, grid lines, star dot, stones) as drawing
// code. tools/make_pictures draws the committed sets for one, two and three
// device pixels per layout pixel with it; the canvas draws the cells for any
// other ratio with the same code at run time, so that between the committed
// sets every grid line is still one solid line of whole device pixels.
//
// Needs Qt Gui only (QImage, QColor), nothing of Qt SVG.

#include <QImage>

#include <optional>
#include <string_view>

namespace quintora::art {

constexpr int cell_side = 21;  // one board cell, in layout pixels
constexpr int cell_mid = 10;   // layout row and column of the grid lines inside a cell

// Which way the grid continues out of a cell.
struct Lines {
    bool left, right, up, down;
};

struct Position {
    const char* suffix;
    Lines lines;
};

// The nine places a cell can have on the board, in reading order; the stone
// pictures use the same nine, the empty board adds the star point.
extern const Position positions[9];

struct StoneLook;
// The four stones, in the order black, white, blue, red.
extern const StoneLook* const stone_looks[4];
// The name prefix of a stone's pictures: KURO, SIRO, AO or AKA.
const char* stone_prefix(const StoneLook& look);

// Where a cell picture falls on the device. The picture covers `width` x
// `height` device pixels; the cell's layout origin lies `ox` (`oy`) device
// pixels right of (below) the picture's first pixel column (row), which is
// 0 at whole ratios and within -0.5..0.5 otherwise: the picture's edges are
// the layout edges rounded to device pixels.
struct Placement {
    double ratio = 1;
    double ox = 0, oy = 0;
    int width = cell_side, height = cell_side;

    // The committed set for a whole ratio: 21 * scale pixels square.
    static Placement whole(int scale);
    // The cell whose layout rectangle starts at (x, y), with each edge
    // rounded to device pixels on its own (as the canvas places pictures).
    static Placement at(double ratio, int x, int y);

    // The grid line is the layout pixel row (column) cell_mid, drawn as one
    // line of line_width() whole device pixels, the ratio rounded, centred
    // where that layout pixel falls.
    int line_width() const;
    int line_left() const;
    int line_top() const;
};

// The empty cell, with or without the star dot.
QImage board_cell(const Lines& lines, bool star_point, const Placement& at);
// A stone over `board`, the empty cell of the same placement.
QImage stone_cell(const QImage& board, const StoneLook& look, const Placement& at);

// What a cell picture's name says: KARA, KURO, SIRO, AO or AKA followed by
// one of the nine positions, or KARANAKATEN.
struct CellPicture {
    Lines lines;
    bool star_point = false;
    const StoneLook* stone = nullptr;  // none for an empty cell
};
std::optional<CellPicture> cell_picture(std::string_view name);

// Draws the picture of that name for a placement.
QImage draw_cell(const CellPicture& picture, const Placement& at);

}  // namespace quintora::art
