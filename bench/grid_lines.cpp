// SPDX-License-Identifier: GPL-3.0-or-later
// Measures the grid lines of an empty board in a screenshot:
//
//     grid_lines SHOT.png RATIO
//
// For each of the 19 vertical and 19 horizontal lines it prints the line's
// darkest value (HSV value, the largest of R, G and B, of its darkest pixel
// across the line, taken at the palest place along it) and its width (device
// pixels across the line darker than the wood, at the widest place). A solid
// line has a darkest value near 0 and the ratio rounded as its width.
//
// The board is found by its wood; the first lines as the first column and
// row dark over most of it; the others where the layout puts them, 21 layout
// pixels apart. Each is measured between the first and the last line, away
// from the crossing lines and the star dots.

#include <QGuiApplication>
#include <QImage>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

int value(QRgb p) { return std::max({qRed(p), qGreen(p), qBlue(p)}); }

bool wood(QRgb p) {
    return qRed(p) >= 215 && qRed(p) <= 247 && qGreen(p) >= 196 && qGreen(p) <= 228 && qBlue(p) >= 105 &&
           qBlue(p) <= 137;
}

constexpr int ink = 200;  // the wood's value is 223 or more

struct Line {
    int darkest = 0;  // at the palest place along the line
    int width = 0;    // at the widest place
    int narrowest = 1 << 30;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: grid_lines SHOT.png RATIO\n");
        return 2;
    }
    const QImage shot = QImage(QString::fromLocal8Bit(argv[1])).convertToFormat(QImage::Format_RGB32);
    const double r = std::atof(argv[2]);
    if (shot.isNull() || r <= 0) {
        std::fprintf(stderr, "grid_lines: cannot read %s or ratio %s\n", argv[1], argv[2]);
        return 2;
    }
    // The board with its wooden margin: the rows and columns mostly of wood
    // (the title's gold and the labels have few such pixels).
    const auto wood_count = [&](bool column, int i) {
        int n = 0;
        const int length = column ? shot.height() : shot.width();
        for (int t = 0; t < length; ++t) n += wood(column ? shot.pixel(i, t) : shot.pixel(t, i));
        return n;
    };
    int left = -1, right = -1, top = -1, bottom = -1;
    for (int x = 0; x < shot.width(); ++x)
        if (wood_count(true, x) > 200 * r) (left < 0 ? left : right) = x;
    for (int y = 0; y < shot.height(); ++y)
        if (wood_count(false, y) > 200 * r) (top < 0 ? top : bottom) = y;
    if (left < 0 || top < 0) {
        std::fprintf(stderr, "grid_lines: no board in %s\n", argv[1]);
        return 1;
    }
    // The first grid line: the first column (row) dark over most of the board.
    const auto dark_share = [&](bool column, int i) {
        int n = 0;
        const int from = column ? top : left, to = column ? bottom : right;
        for (int t = from; t <= to; ++t) n += value(column ? shot.pixel(i, t) : shot.pixel(t, i)) < ink;
        return double(n) / (to - from + 1);
    };
    int x1 = left, y1 = top;
    while (x1 < right && dark_share(true, x1) < 0.6) ++x1;
    while (y1 < bottom && dark_share(false, y1) < 0.6) ++y1;
    std::printf("board with margin at %d,%d .. %d,%d; first lines at column %d, row %d\n", left, top, right, bottom,
                x1, y1);

    const double pitch = 21 * r;
    // Away from every line of the other direction and the star dots.
    const auto clear = [&](double along) {
        for (int k = 0; k < 19; ++k)
            if (std::abs(along - k * pitch) < 3 * r + 1) return false;
        return along > 0 && along < 18 * pitch;
    };
    const auto measure = [&](bool vertical, int k) {
        Line line;
        const double c = (vertical ? x1 : y1) + k * pitch + 0.5 * r;
        const int from = int(std::floor(c - 0.5 * r - 2)), to = int(std::ceil(c + 0.5 * r + 2));
        for (int t = 0; t < int(18 * pitch); ++t) {
            if (!clear(t)) continue;
            int darkest = 255, width = 0;
            for (int a = from; a <= to; ++a) {
                const QRgb p = vertical ? shot.pixel(a, y1 + t) : shot.pixel(x1 + t, a);
                darkest = std::min(darkest, value(p));
                width += value(p) < ink;
            }
            line.darkest = std::max(line.darkest, darkest);
            line.width = std::max(line.width, width);
            line.narrowest = std::min(line.narrowest, width);
        }
        return line;
    };

    const int rounded = std::max(1, int(std::lround(r)));
    int solid = 0;
    std::printf("line  vertical: darkest width (narrowest)   horizontal: darkest width (narrowest)\n");
    for (int k = 0; k < 19; ++k) {
        const Line v = measure(true, k), h = measure(false, k);
        std::printf("%4d  %17d %5d (%d) %27d %5d (%d)\n", k + 1, v.darkest, v.width, v.narrowest, h.darkest, h.width,
                    h.narrowest);
        solid += (v.darkest < 60 && v.width <= rounded && v.narrowest >= 1) +
                 (h.darkest < 60 && h.width <= rounded && h.narrowest >= 1);
    }
    std::printf("solid lines (darkest below 60, at most %d wide): %d of 38\n", rounded, solid);
    return solid == 38 ? 0 : 1;
}
