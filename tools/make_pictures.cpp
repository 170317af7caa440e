// SPDX-License-Identifier: GPL-3.0-or-later
// Draws every picture the game shows (cells, stones, the title lettering and
// the turn icons) and writes them as PNG files into the directory given on
// the command line:
//
//     make_pictures OUTDIR [ICONDIR]
//
// With ICONDIR it also draws the application icon into ICONDIR/hicolor/
// (see app_icon.cpp).
//
// Each picture is drawn three times, for screens of one, two and three device
// pixels per layout pixel: NAME.png, NAME@2x.png and NAME@3x.png. The larger
// ones are the same design drawn at that resolution (noise, stones, lettering
// and icons are computed per device pixel), not enlarged copies, so the board
// stays crisp on high-density screens.
//
// The output is fully determined by this code and the IPA P Mincho font: no
// clock, no system random source. Running it twice gives the same files, so
// regenerated artwork only shows up in a diff when the drawing code changed.

#include <QColor>
#include <QDir>
#include <QFont>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QImage>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QString>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>

#include "app_icon.h"

namespace {

constexpr int kCell = 21;  // one board cell, in pixels
constexpr int kMid = 10;   // row and column of the grid lines inside a cell
constexpr double kPi = 3.14159265358979323846;

// ---------------------------------------------------------------------------
// Noise. Everything random comes from this integer hash, so the pictures are
// the same on every run.

std::uint32_t hash3(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
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

double unitHash(std::uint32_t x, std::uint32_t y, std::uint32_t seed)
{
    return (hash3(x, y, seed) >> 8) * (1.0 / 16777216.0);
}

double smooth(double t) { return t * t * (3.0 - 2.0 * t); }

// Value noise whose lattice wraps around after `nodes` steps across one cell,
// so the noise of the right edge continues into the left edge of the next
// copy of the same picture (and likewise bottom into top).
double tileNoise(double x, double y, int nodes, std::uint32_t seed)
{
    const double u = x * nodes / kCell;
    const double v = y * nodes / kCell;
    const int i0 = static_cast<int>(std::floor(u));
    const int j0 = static_cast<int>(std::floor(v));
    const double fu = smooth(u - i0);
    const double fv = smooth(v - j0);
    auto node = [&](int i, int j) {
        return unitHash(static_cast<std::uint32_t>(((i % nodes) + nodes) % nodes),
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

// Tone of the wood at a device pixel of a picture drawn at `scale`: 0 is the
// darker end of the board colour, 1 the lighter end. The smooth parts are
// functions of the position in layout pixels, so they look alike at every
// scale; the fine grain is per device pixel.
double woodTone(int px, int py, int scale)
{
    const double x = (px + 0.5) / scale;
    const double y = (py + 0.5) / scale;
    double t = 0.62;
    t += 0.22 * (tileNoise(x, y, 3, 11) - 0.5);
    t += 0.18 * (tileNoise(x, y, 7, 23) - 0.5);
    t += 0.12 * (unitHash(static_cast<std::uint32_t>(px), static_cast<std::uint32_t>(py), 37) - 0.5);
    for (const Streak& s : kStreaks) {
        const double centre = s.y + s.amplitude * std::sin(2.0 * kPi * (x / kCell + s.phase));
        const double d = (y - centre) / 0.9;
        // Long fibres fade in and out along their length a little.
        const double along = 0.75 + 0.25 * std::sin(2.0 * kPi * (x / kCell + s.phase * 2.0));
        t -= s.strength * along * std::exp(-d * d);
    }
    return std::clamp(t, 0.0, 1.0);
}

QColor woodColour(int px, int py, int scale)
{
    // From RGB(223,204,113) to RGB(239,220,129): the same 16 steps on every
    // channel, so the hue of the board stays put and only its lightness moves.
    const int step = static_cast<int>(std::lround(woodTone(px, py, scale) * 16.0));
    return QColor(223 + step, 204 + step, 113 + step);
}

// ---------------------------------------------------------------------------
// Cell pictures.

// Which way the grid continues out of a cell.
struct Lines {
    bool left, right, up, down;
};

struct Position {
    const char* suffix;
    Lines lines;
};

// The nine places a cell can have on the board; the stone pictures use the
// same nine, the empty board adds the star point.
constexpr std::array<Position, 9> kPositions{{
    {"UEHIDARI", {false, true, false, true}},
    {"UENAKA", {true, true, false, true}},
    {"UEMIGI", {true, false, false, true}},
    {"HIDARINAKA", {false, true, true, true}},
    {"NAKA", {true, true, true, true}},
    {"MIGINAKA", {true, false, true, true}},
    {"SITAHIDARI", {false, true, true, false}},
    {"SITANAKA", {true, true, true, false}},
    {"SITAMIGI", {true, false, true, false}},
}};

// A star dot for pictures drawn at two or three times the size: the square of
// five layout pixels with its corners rounded (radius 1.5), which is what the
// one-pixel corners of the small dot suggest. Coverage is sampled 8 x 8 per
// pixel and darkens the wood in proportion.
void roundedDot(QImage& img, int scale)
{
    constexpr int kSub = 8;
    const double centre = (kMid + 0.5) * scale;
    const double half = 2.5 * scale, radius = 1.5 * scale;
    for (int y = kMid * scale - 2 * scale; y < (kMid + 3) * scale; ++y) {
        for (int x = kMid * scale - 2 * scale; x < (kMid + 3) * scale; ++x) {
            int inside = 0;
            for (int j = 0; j < kSub; ++j)
                for (int i = 0; i < kSub; ++i) {
                    // Distance past the straight part of the rounded square.
                    const double u = std::max(0.0, std::abs(x + (i + 0.5) / kSub - centre) - (half - radius));
                    const double v = std::max(0.0, std::abs(y + (j + 0.5) / kSub - centre) - (half - radius));
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

QImage boardCell(const Lines& lines, bool starPoint, int scale)
{
    const int side = kCell * scale;
    QImage img(side, side, QImage::Format_RGB32);
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x)
            img.setPixelColor(x, y, woodColour(x, y, scale));

    // The grid line is one layout pixel wide at every scale: device rows and
    // columns kMid * scale .. (kMid + 1) * scale - 1, centred in the cell.
    const QColor black(0, 0, 0);
    const int lineFrom = kMid * scale, lineTo = (kMid + 1) * scale;
    for (int w = lineFrom; w < lineTo; ++w) {
        for (int c = lineFrom; c < lineTo; ++c) img.setPixelColor(c, w, black);
        for (int i = 0; i < lineFrom; ++i) {
            if (lines.left) img.setPixelColor(i, w, black);
            if (lines.up) img.setPixelColor(w, i, black);
        }
        for (int i = lineTo; i < side; ++i) {
            if (lines.right) img.setPixelColor(i, w, black);
            if (lines.down) img.setPixelColor(w, i, black);
        }
    }

    if (starPoint && scale > 1) roundedDot(img, scale);
    if (starPoint && scale == 1) {
        // A 5 x 5 dot; its corner pixels are only partly dark, which makes
        // it read as round instead of as a little square.
        for (int y = kMid - 2; y <= kMid + 2; ++y) {
            for (int x = kMid - 2; x <= kMid + 2; ++x) {
                const bool corner = std::abs(x - kMid) == 2 && std::abs(y - kMid) == 2;
                const QColor wood = img.pixelColor(x, y);
                img.setPixelColor(x, y, corner ? QColor(wood.red() * 2 / 5, wood.green() * 2 / 5,
                                                        wood.blue() * 2 / 5)
                                               : black);
            }
        }
    }
    return img;
}

// ---------------------------------------------------------------------------
// Stones.

struct Rgb {
    double r, g, b;
};

Rgb mix(const Rgb& a, const Rgb& b, double t)
{
    return {a.r + (b.r - a.r) * t, a.g + (b.g - a.g) * t, a.b + (b.b - a.b) * t};
}

struct StoneLook {
    const char* prefix;
    Rgb body;       // colour of the lit face
    Rgb shade;      // colour of the side turned away from the light
    Rgb highlight;  // colour of the glint at the upper left
    double glint;   // how strongly the glint shows
};

constexpr std::array<StoneLook, 4> kStones{{
    {"KURO", {18, 18, 18}, {0, 0, 0}, {175, 175, 175}, 0.85},
    {"SIRO", {255, 255, 255}, {178, 178, 172}, {255, 255, 255}, 0.0},
    {"AO", {0, 0, 255}, {0, 0, 150}, {110, 255, 255}, 0.9},
    {"AKA", {255, 0, 0}, {160, 0, 0}, {255, 185, 200}, 0.9},
}};

constexpr double kStoneX = kMid + 0.5;  // centre of the cell, in pixel units
constexpr double kStoneY = kMid + 0.5;
constexpr double kStoneRadius = 9.4;
constexpr double kShadowOffset = 0.9;
const Rgb kShadow{164, 164, 0};  // dark olive, the board in the stone's shade

Rgb stoneSurface(const StoneLook& look, double sx, double sy)
{
    // Treat the stone as a sphere cap lit from the upper left and front.
    const double nx = (sx - kStoneX) / kStoneRadius;
    const double ny = (sy - kStoneY) / kStoneRadius;
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

// `board` is the empty cell drawn at `scale`; the stone is computed per
// device pixel from positions in layout pixels.
QImage stoneCell(const QImage& board, const StoneLook& look, int scale)
{
    constexpr int kSub = 8;  // samples per pixel side for the anti-aliasing
    const int side = kCell * scale;
    QImage img = board.copy();
    for (int py = 0; py < side; ++py) {
        for (int px = 0; px < side; ++px) {
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
                    const double sx = (px + (i + 0.5) / kSub) / scale;
                    const double sy = (py + (j + 0.5) / kSub) / scale;
                    const double dx = sx - kStoneX, dy = sy - kStoneY;
                    const double ex = dx - kShadowOffset, ey = dy - kShadowOffset;
                    Rgb s;
                    if (dx * dx + dy * dy <= kStoneRadius * kStoneRadius)
                        s = stoneSurface(look, sx, sy);
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

// ---------------------------------------------------------------------------
// Title lettering.

QString titleFontFamily()
{
    // Load the font file itself first: the family name alone could resolve
    // to another installed Mincho and change the lettering.
    const int id = QFontDatabase::addApplicationFont(
        QStringLiteral("/usr/share/fonts/opentype/ipafont-mincho/ipamp.ttf"));
    if (id >= 0) {
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (!families.isEmpty()) return families.first();
    }
    if (QFontDatabase::families().contains(QStringLiteral("IPAPMincho")))
        return QStringLiteral("IPAPMincho");
    return {};
}

QImage titlePicture(const QString& family, int scale)
{
    const int width = 147, height = 34;
    QImage img(width * scale, height * scale, QImage::Format_RGB32);
    img.fill(QColor(0, 128, 0));  // the window's green, so the picture has no visible box

    QFont font(family);
    font.setPixelSize(40);
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setStyleStrategy(QFont::PreferOutline);
    font.setKerning(true);

    // The numeral is a full-width glyph with wide side bearings; set it
    // after the name at about a letter gap instead of its own advance.
    QPainterPath text;
    text.addText(0, 0, font, QStringLiteral("Quintora"));
    QPainterPath numeral;
    numeral.addText(0, 0, font, QString(QChar(0x2160)));
    text.addPath(numeral.translated(text.boundingRect().right() - numeral.boundingRect().left() + 9.0, 0));
    // Fit the lettering into the picture with room for outline and shadow.
    const QRectF box = text.boundingRect();
    const double fitScale = std::min((width - 8) / box.width(), (height - 7) / box.height());
    QTransform fit;
    fit.translate((width - box.width() * fitScale) / 2.0 - 1.0, (height - box.height() * fitScale) / 2.0 - 1.0);
    fit.scale(fitScale, fitScale);
    fit.translate(-box.left(), -box.top());
    text = fit.map(text);

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    // The lettering is outlines: drawn through the scale it is as sharp as
    // the device pixels allow.
    if (scale > 1) p.scale(scale, scale);

    // Drop shadow, towards the lower right like the stones'.
    p.setPen(QPen(QColor(0, 50, 0), 2.6, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(QColor(0, 50, 0));
    p.drawPath(text.translated(1.6, 1.6));

    // Dark outline, drawn wide so that half of it shows outside the letters
    // and the thin Mincho strokes gain some body.
    p.setPen(QPen(QColor(70, 35, 0), 2.4, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(text);

    // Gold fill, bright at the top and deep at the bottom.
    const QRectF tb = text.boundingRect();
    QLinearGradient gold(0, tb.top(), 0, tb.bottom());
    gold.setColorAt(0.0, QColor(255, 250, 205));
    gold.setColorAt(0.45, QColor(250, 210, 80));
    gold.setColorAt(0.55, QColor(225, 165, 30));
    gold.setColorAt(1.0, QColor(165, 95, 10));
    p.setPen(QPen(QBrush(gold), 0.7, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(gold);
    p.drawPath(text);
    p.end();
    return img;
}

// ---------------------------------------------------------------------------
// Turn icons.

struct IconLook {
    QColor colour;
    QColor shade;    // darker part of the computer (screen, stand)
    QColor outline;  // edge of the person, so light colours stand out on green
};

QImage personIcon(const IconLook& look, int scale)
{
    QImage img(32 * scale, 32 * scale, QImage::Format_ARGB32);
    img.fill(Qt::transparent);

    QPainterPath head;
    head.addEllipse(QPointF(16.0, 9.0), 5.6, 5.6);
    // Shoulders and chest: a rounded block cut off flat at the bottom.
    QPainterPath body;
    body.moveTo(4.5, 30.5);
    body.lineTo(4.5, 24.0);
    body.cubicTo(4.5, 18.0, 9.0, 16.2, 16.0, 16.2);
    body.cubicTo(23.0, 16.2, 27.5, 18.0, 27.5, 24.0);
    body.lineTo(27.5, 30.5);
    body.closeSubpath();

    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (scale > 1) p.scale(scale, scale);
    for (const QPainterPath* part : {&head, &body}) {
        p.setPen(QPen(look.outline, 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
        p.setBrush(look.colour);
        p.drawPath(*part);
        // Fill again without pen: the outline only shows outside the shape.
        p.setPen(Qt::NoPen);
        p.drawPath(*part);
    }
    p.end();
    return img;
}

// Fills the inclusive rectangle (x0, y0)..(x1, y1) of layout pixels, each of
// them scale x scale device pixels.
void box(QImage& img, int x0, int y0, int x1, int y1, const QColor& c, int scale)
{
    for (int y = y0 * scale; y < (y1 + 1) * scale; ++y)
        for (int x = x0 * scale; x < (x1 + 1) * scale; ++x) img.setPixelColor(x, y, c);
}

// A rectangle of colour c with a black border one layout pixel wide.
void framed(QImage& img, int x0, int y0, int x1, int y1, const QColor& c, int scale)
{
    box(img, x0, y0, x1, y1, Qt::black, scale);
    box(img, x0 + 1, y0 + 1, x1 - 1, y1 - 1, c, scale);
}

// Rounds the corner of the layout pixel (x, y): at one device pixel per layout
// pixel the pixel is simply left out; drawn larger, the corner becomes a
// quarter circle of one layout pixel, centred on the pixel's inner corner
// (towards (inX, inY), each +1 or -1), with an anti-aliased edge.
void roundCorner(QImage& img, int x, int y, int inX, int inY, int scale)
{
    if (scale == 1) {
        img.setPixelColor(x, y, Qt::transparent);
        return;
    }
    constexpr int kSub = 8;
    const double cx = (inX > 0 ? x + 1 : x) * scale, cy = (inY > 0 ? y + 1 : y) * scale;
    for (int py = y * scale; py < (y + 1) * scale; ++py)
        for (int px = x * scale; px < (x + 1) * scale; ++px) {
            int inside = 0;
            for (int j = 0; j < kSub; ++j)
                for (int i = 0; i < kSub; ++i) {
                    const double dx = px + (i + 0.5) / kSub - cx, dy = py + (j + 0.5) / kSub - cy;
                    if (dx * dx + dy * dy <= double(scale) * scale) ++inside;
                }
            QColor c = img.pixelColor(px, py);
            c.setAlpha(c.alpha() * inside / (kSub * kSub));
            img.setPixelColor(px, py, c);
        }
}

QImage computerIcon(const IconLook& look, int scale)
{
    QImage img(32 * scale, 32 * scale, QImage::Format_ARGB32);
    img.fill(Qt::transparent);
    const QColor black(0, 0, 0);
    const QColor glare = QColor::fromRgbF(std::min(1.0, look.shade.redF() + 0.35),
                                          std::min(1.0, look.shade.greenF() + 0.35),
                                          std::min(1.0, look.shade.blueF() + 0.35));

    // Monitor: case, screen, a glare line on the screen, a power light.
    framed(img, 3, 2, 28, 20, look.colour, scale);
    roundCorner(img, 3, 2, 1, 1, scale);  // rounded outer corners
    roundCorner(img, 28, 2, -1, 1, scale);
    roundCorner(img, 3, 20, 1, -1, scale);
    roundCorner(img, 28, 20, -1, -1, scale);
    framed(img, 6, 4, 25, 16, look.shade, scale);
    box(img, 8, 6, 12, 6, glare, scale);
    box(img, 8, 7, 8, 8, glare, scale);
    box(img, 25, 18, 26, 18, black, scale);
    // Stand: neck and foot, in the darker shade.
    framed(img, 13, 20, 18, 23, look.shade, scale);
    framed(img, 9, 22, 22, 24, look.colour, scale);
    // Keyboard with two rows of keys.
    framed(img, 2, 26, 29, 30, look.colour, scale);
    for (int x = 4; x <= 26; x += 3) {
        box(img, x, 27, x + 1, 27, look.shade, scale);
        box(img, x + 1, 29, x + 2, 29, look.shade, scale);
    }
    return img;
}

// The name of a picture's file at a scale: NAME.png, NAME@2x.png, NAME@3x.png.
QString fileName(const char* name, int scale)
{
    return QString::fromLatin1(name) + (scale == 1 ? QString() : QStringLiteral("@%1x").arg(scale)) +
           QStringLiteral(".png");
}

bool save(const QImage& img, const QDir& dir, const char* name, int scale)
{
    const QString path = dir.filePath(fileName(name, scale));
    if (!img.save(path, "PNG")) {
        std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: make_pictures OUTDIR [ICONDIR]\n");
        return 2;
    }
    // Text needs a GUI application for its font database, but no screen.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);

    QDir dir(QString::fromLocal8Bit(argv[1]));
    if (!dir.exists() && !QDir().mkpath(dir.path())) {
        std::fprintf(stderr, "make_pictures: cannot create %s\n", argv[1]);
        return 1;
    }

    const QString family = titleFontFamily();
    if (family.isEmpty()) {
        std::fprintf(stderr, "make_pictures: font IPA P Mincho not found (package fonts-ipafont-mincho)\n");
        return 1;
    }

    const std::array<IconLook, 4> people{{
        {QColor(0, 0, 0), QColor(0, 0, 0), QColor(0, 0, 0)},
        {QColor(0, 255, 255), QColor(0, 128, 128), QColor(0, 40, 40)},
        {QColor(255, 255, 255), QColor(192, 192, 192), QColor(40, 40, 40)},
        {QColor(255, 0, 0), QColor(128, 0, 0), QColor(90, 0, 0)},
    }};
    const std::array<IconLook, 4> computers{{
        {QColor(192, 192, 192), QColor(112, 112, 112), QColor(0, 0, 0)},
        {QColor(0, 0, 255), QColor(0, 0, 128), QColor(0, 0, 0)},
        {QColor(255, 255, 255), QColor(176, 176, 176), QColor(0, 0, 0)},
        {QColor(255, 0, 0), QColor(128, 0, 0), QColor(0, 0, 0)},
    }};

    bool ok = true;
    int written = 0;
    auto put = [&](const QImage& img, const QByteArray& name, int scale = 1) {
        ok = save(img, dir, name.constData(), scale) && ok;
        ++written;
    };

    for (const int scale : {1, 2, 3}) {
        for (const Position& pos : kPositions) {
            const QImage board = boardCell(pos.lines, false, scale);
            put(board, QByteArray("KARA") + pos.suffix, scale);
            for (const StoneLook& look : kStones)
                put(stoneCell(board, look, scale), QByteArray(look.prefix) + pos.suffix, scale);
        }
        put(boardCell({true, true, true, true}, true, scale), "KARANAKATEN", scale);
        put(titlePicture(family, scale), "PG_NAME", scale);
        for (int i = 0; i < 4; ++i) {
            put(personIcon(people[i], scale), "ICO_MAN" + QByteArray::number(i + 1), scale);
            put(computerIcon(computers[i], scale), "ICO_COM" + QByteArray::number(i + 1), scale);
        }
    }

    if (argc == 3)
        ok = app_icon::writeAll(QDir(QString::fromLocal8Bit(argv[2])), QStringLiteral(QUINTORA_APP_ID)) && ok;

    if (!ok) return 1;
    std::printf("make_pictures: wrote %d pictures to %s\n", written, qPrintable(dir.path()));
    return 0;
}
