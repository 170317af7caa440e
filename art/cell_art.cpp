// SPDX-License-Identifier: GPL-3.0-or-later
#include "art/cell_art.h"

#include <QColor>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <string>

// Everything here is a function of the position in layout pixels, sampled at
// the device pixels of a placement. At the whole ratios 1, 2 and 3 the
// placement's offsets are zero and every expression reduces to the one the
// committed pictures were drawn with, bit for bit (pictures_test checks it),
// so moving this code out of the generator changed none of them.

namespace quintora::art {

namespace {

constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Noise. Everything random comes from this integer hash, so the pictures are
// the same on every run.

std::uint32_t hash3(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    std::uint32_t h = seed * 0x9E3779B9u;
    h ^= x * 0x85EBCA6Bu;
    h = (h << 13) | (h >> 19);
    h ^= y * 0xC2B2AE35u;
    h ^= h >> 16;
    h *= 0x7FEB352Du;
    h ^= h >> 15;
    h *= 0x846CA68Bu;
    h ^= h >> 16;
    return h;
}

double unit_hash(std::uint32_t x, std::uint32_t y, std::uint32_t seed) {
    return (hash3(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise whose lattice wraps around after `nodes` steps across one cell,
// so the noise of the right edge continues into the left edge of the next
// copy of the same picture (and likewise bottom into top).
double tile_noise(double x, double y, int nodes, std::uint32_t seed) {
    const double u = x * nodes / cell_side;
    const double v = y * nodes / cell_side;
    const int i0 = static_cast<int>(std::floor(u));
    const int j0 = static_cast<int>(std::floor(v));
    const double fu = smooth(u - i0);
    const double fv = smooth(v - j0);
    auto node = [&](int i, int j) {
        return unit_hash(static_cast<std::uint32_t>(((i % nodes) + nodes) % nodes),
                         static_cast<std::uint32_t>(((j % nodes) + nodes) % nodes), seed);
    };
    const double a = node(i0, j0) + (node(i0 + 1, j0) - node(i0, j0)) * fu;
    const double b = node(i0, j0 + 1) + (node(i0 + 1, j0 + 1) - node(i0, j0 + 1)) * fu;
    return a + (b - a) * fv;
}

// ---------------------------------------------------------------------------
// The wooden board.
//
// All 361 cells of the board show one of ten pictures, and most of them show
// the same one, so any striking feature in the wood would repeat 289 times in
// a regular lattice. The wood is therefore kept soft and low in contrast:
// wrapped noise for the mottling and a few faint wavy streaks whose waves
// have the cell width as period, so they run on unbroken from cell to cell
// like long fibres of the board.

struct Streak {
    double y;          // mean row of the fibre
    double amplitude;  // height of its wave
    double phase;      // where the wave starts, in turns
    double strength;   // darkening at its middle, in tone units
};

constexpr std::array<Streak, 4> kStreaks{{
    {2.6, 0.9, 0.10, 0.22},
    {7.3, 1.2, 0.55, 0.16},
    {13.8, 0.8, 0.80, 0.20},
    {17.9, 1.1, 0.30, 0.14},
}};

// Tone of the wood at a device pixel of a picture: 0 is the darker end of the
// board colour, 1 the lighter end. The smooth parts are functions of the
// position in layout pixels (counted from the cell's layout origin, so they
// run on across the cell's edges at any ratio), and look alike at every
// ratio; the fine grain is per device pixel.
double wood_tone(int px, int py, const Placement& at) {
    const double x = (px + 0.5 - at.ox) / at.ratio;
    const double y = (py + 0.5 - at.oy) / at.ratio;
    double t = 0.62;
    t += 0.22 * (tile_noise(x, y, 3, 11) - 0.5);
    t += 0.18 * (tile_noise(x, y, 7, 23) - 0.5);
    t += 0.12 * (unit_hash(static_cast<std::uint32_t>(px), static_cast<std::uint32_t>(py), 37) - 0.5);
    for (const Streak& s : kStreaks) {
        const double centre = s.y + s.amplitude * std::sin(2.0 * kPi * (x / cell_side + s.phase));
        const double d = (y - centre) / 0.9;
        // Long fibres fade in and out along their length a little.
        const double along = 0.75 + 0.25 * std::sin(2.0 * kPi * (x / cell_side + s.phase * 2.0));
        t -= s.strength * along * std::exp(-d * d);
    }
    return std::clamp(t, 0.0, 1.0);
}

QColor wood_colour(int px, int py, const Placement& at) {
    // From RGB(223,204,113) to RGB(239,220,129): the same 16 steps on every
    // channel, so the hue of the board stays put and only its lightness moves.
    const int step = static_cast<int>(std::lround(wood_tone(px, py, at) * 16.0));
    return QColor(223 + step, 204 + step, 113 + step);
}

// A star dot drawn larger than one device pixel per layout pixel: the square
// of five layout pixels with its corners rounded (radius 1.5), which is what
// the one-pixel corners of the small dot suggest, centred on the crossing of
// the grid lines. Coverage is sampled 8 x 8 per pixel and darkens the wood in
// proportion.
void rounded_dot(QImage& img, const Placement& at) {
    constexpr int kSub = 8;
    const double cx = at.line_left() + at.line_width() / 2.0;
    const double cy = at.line_top() + at.line_width() / 2.0;
    const double half = 2.5 * at.ratio, radius = 1.5 * at.ratio;
    const int x0 = std::max(0, static_cast<int>(std::floor(cx - half)));
    const int x1 = std::min(img.width(), static_cast<int>(std::ceil(cx + half)));
    const int y0 = std::max(0, static_cast<int>(std::floor(cy - half)));
    const int y1 = std::min(img.height(), static_cast<int>(std::ceil(cy + half)));
    for (int y = y0; y < y1; ++y) {
        for (int x = x0; x < x1; ++x) {
            int inside = 0;
            for (int j = 0; j < kSub; ++j)
                for (int i = 0; i < kSub; ++i) {
                    // Distance past the straight part of the rounded square.
                    const double u = std::max(0.0, std::abs(x + (i + 0.5) / kSub - cx) - (half - radius));
                    const double v = std::max(0.0, std::abs(y + (j + 0.5) / kSub - cy) - (half - radius));
                    if (u * u + v * v <= radius * radius) ++inside;
                }
            const double keep = 1.0 - static_cast<double>(inside) / (kSub * kSub);
            const QColor wood = img.pixelColor(x, y);
            img.setPixelColor(x, y, QColor(static_cast<int>(std::lround(wood.red() * keep)),
                                           static_cast<int>(std::lround(wood.green() * keep)),
                                           static_cast<int>(std::lround(wood.blue() * keep))));
        }
    }
}

// ---------------------------------------------------------------------------
// Stones.

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t) {
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

constexpr double kStoneRadius = 9.4;  // in layout pixels
constexpr double kShadowOffset = 0.9;
const Rgb kShadow{164, 164, 0};  // dark olive, the board in the stone's shade

// The stone's colour at a point (sx, sy) in layout pixels; its centre is at
// (cx, cy).
Rgb stone_surface(const StoneLook& look, double sx, double sy, double cx, double cy);

}  // namespace

struct StoneLook {
    const char* prefix;
    Rgb body;       // colour of the lit face
    Rgb shade;      // colour of the side turned away from the light
    Rgb highlight;  // colour of the glint at the upper left
    double glint;   // how strongly the glint shows
};

namespace {

constexpr StoneLook kKuro{"KURO", {18, 18, 18}, {0, 0, 0}, {175, 175, 175}, 0.85};
constexpr StoneLook kSiro{"SIRO", {255, 255, 255}, {178, 178, 172}, {255, 255, 255}, 0.0};
constexpr StoneLook kAo{"AO", {0, 0, 255}, {0, 0, 150}, {110, 255, 255}, 0.9};
constexpr StoneLook kAka{"AKA", {255, 0, 0}, {160, 0, 0}, {255, 185, 200}, 0.9};

Rgb stone_surface(const StoneLook& look, double sx, double sy, double cx, double cy) {
    // Treat the stone as a sphere cap lit from the upper left and front.
    const double nx = (sx - cx) / kStoneRadius;
    const double ny = (sy - cy) / kStoneRadius;
    const double nz = std::sqrt(std::max(0.0, 1.0 - nx * nx - ny * ny));

    const double lx = -0.48, ly = -0.58, lz = 0.66;  // unit light direction
    const double diffuse = std::max(0.0, nx * lx + ny * ly + nz * lz);
    // The lit face keeps the plain body colour over most of the stone; only
    // the lower right rim turns into the shade colour.
    const double lit = smooth(std::clamp((diffuse - 0.05) / 0.6, 0.0, 1.0));
    Rgb c = mix(look.shade, look.body, lit);

    // Glint: a soft spot where the surface faces the half vector.
    const double hx = -0.40, hy = -0.46, hz = 0.79;
    const double facing = std::max(0.0, nx * hx + ny * hy + nz * hz);
    const double glint = look.glint * std::pow(facing, 22.0);
    return mix(c, look.highlight, std::min(1.0, glint));
}

}  // namespace

const Position positions[9] = {
    {"UEHIDARI", {false, true, false, true}},
    {"UENAKA", {true, true, false, true}},
    {"UEMIGI", {true, false, false, true}},
    {"HIDARINAKA", {false, true, true, true}},
    {"NAKA", {true, true, true, true}},
    {"MIGINAKA", {true, false, true, true}},
    {"SITAHIDARI", {false, true, true, false}},
    {"SITANAKA", {true, true, true, false}},
    {"SITAMIGI", {true, false, true, false}},
};

const StoneLook* const stone_looks[4] = {&kKuro, &kSiro, &kAo, &kAka};

const char* stone_prefix(const StoneLook& look) { return look.prefix; }

Placement Placement::whole(int scale) {
    return {double(scale), 0.0, 0.0, cell_side * scale, cell_side * scale};
}

Placement Placement::at(double ratio, int x, int y) {
    const auto edge = [ratio](int v) { return std::lround(v * ratio); };
    return {ratio,
            x * ratio - double(edge(x)),
            y * ratio - double(edge(y)),
            int(edge(x + cell_side) - edge(x)),
            int(edge(y + cell_side) - edge(y))};
}

int Placement::line_width() const { return std::max(1, int(std::lround(ratio))); }

int Placement::line_left() const {
    return int(std::lround((cell_mid + 0.5) * ratio + ox - line_width() / 2.0));
}

int Placement::line_top() const {
    return int(std::lround((cell_mid + 0.5) * ratio + oy - line_width() / 2.0));
}

QImage board_cell(const Lines& lines, bool star_point, const Placement& at) {
    QImage img(at.width, at.height, QImage::Format_RGB32);
    for (int y = 0; y < at.height; ++y)
        for (int x = 0; x < at.width; ++x) img.setPixelColor(x, y, wood_colour(x, y, at));

    // The grid line is one layout pixel wide, the ratio rounded to whole
    // device pixels, so that it is solid black at any ratio.
    const QColor black(0, 0, 0);
    const int w = at.line_width();
    const int col = at.line_left(), row = at.line_top();
    for (int k = 0; k < w; ++k) {
        const int x = col + k, y = row + k;
        for (int i = 0; i < at.width; ++i)
            if ((i < col && lines.left) || (i >= col + w && lines.right) || (i >= col && i < col + w))
                img.setPixelColor(i, y, black);
        for (int i = 0; i < at.height; ++i)
            if ((i < row && lines.up) || (i >= row + w && lines.down) || (i >= row && i < row + w))
                img.setPixelColor(x, i, black);
    }

    if (star_point && at.ratio == 1.0) {
        // A 5 x 5 dot; its corner pixels are only partly dark, which makes
        // it read as round instead of as a little square.
        for (int y = cell_mid - 2; y <= cell_mid + 2; ++y) {
            for (int x = cell_mid - 2; x <= cell_mid + 2; ++x) {
                const bool corner = std::abs(x - cell_mid) == 2 && std::abs(y - cell_mid) == 2;
                const QColor wood = img.pixelColor(x, y);
                img.setPixelColor(x, y, corner ? QColor(wood.red() * 2 / 5, wood.green() * 2 / 5,
                                                        wood.blue() * 2 / 5)
                                               : black);
            }
        }
    } else if (star_point) {
        rounded_dot(img, at);
    }
    return img;
}

// The stone is computed per device pixel from positions in layout pixels,
// centred on the crossing of the grid lines.
QImage stone_cell(const QImage& board, const StoneLook& look, const Placement& at) {
    constexpr int kSub = 8;  // samples per pixel side for the anti-aliasing
    const double cx = (at.line_left() + at.line_width() / 2.0 - at.ox) / at.ratio;
    const double cy = (at.line_top() + at.line_width() / 2.0 - at.oy) / at.ratio;
    QImage img = board.copy();
    for (int py = 0; py < at.height; ++py) {
        for (int px = 0; px < at.width; ++px) {
            const QColor under = board.pixelColor(px, py);
            const Rgb ground{static_cast<double>(under.red()), static_cast<double>(under.green()),
                             static_cast<double>(under.blue())};
            // The shadow darkens what lies under it and never lightens it, so
            // a black grid line stays black where the shadow falls on it.
            const Rgb shaded{std::min(ground.r, kShadow.r), std::min(ground.g, kShadow.g),
                             std::min(ground.b, kShadow.b)};
            Rgb sum{0, 0, 0};
            for (int j = 0; j < kSub; ++j) {
                for (int i = 0; i < kSub; ++i) {
                    const double sx = (px + (i + 0.5) / kSub - at.ox) / at.ratio;
                    const double sy = (py + (j + 0.5) / kSub - at.oy) / at.ratio;
                    const double dx = sx - cx, dy = sy - cy;
                    const double ex = dx - kShadowOffset, ey = dy - kShadowOffset;
                    Rgb s;
                    if (dx * dx + dy * dy <= kStoneRadius * kStoneRadius)
                        s = stone_surface(look, sx, sy, cx, cy);
                    else if (ex * ex + ey * ey <= kStoneRadius * kStoneRadius)
                        s = mix(ground, shaded, 0.85);
                    else
                        s = ground;
                    sum.r += s.r;
                    sum.g += s.g;
                    sum.b += s.b;
                }
            }
            const double n = kSub * kSub;
            img.setPixelColor(px, py,
                              QColor(static_cast<int>(std::lround(sum.r / n)),
                                     static_cast<int>(std::lround(sum.g / n)),
                                     static_cast<int>(std::lround(sum.b / n))));
        }
    }
    return img;
}

std::optional<CellPicture> cell_picture(std::string_view name) {
    if (name == "KARANAKATEN") return CellPicture{{true, true, true, true}, true, nullptr};
    const auto starts = [&](std::string_view prefix) {
        return name.substr(0, prefix.size()) == prefix;
    };
    const StoneLook* stone = nullptr;
    std::string_view rest;
    if (starts("KARA")) {
        rest = name.substr(4);
    } else {
        for (const StoneLook* look : stone_looks)
            if (starts(look->prefix)) {
                stone = look;
                rest = name.substr(std::string_view(look->prefix).size());
            }
        if (!stone) return std::nullopt;
    }
    for (const Position& p : positions)
        if (rest == p.suffix) return CellPicture{p.lines, false, stone};
    return std::nullopt;
}

QImage draw_cell(const CellPicture& picture, const Placement& at) {
    QImage board = board_cell(picture.lines, picture.star_point, at);
    return picture.stone ? stone_cell(board, *picture.stone, at) : board;
}

}  // namespace quintora::art
