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
// The cells and stones are drawn by art/cell_art.cpp, which the game also
// uses to draw them for ratios between these sets.
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

#include "art/cell_art.h"
#include "app_icon.h"

namespace {

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

    namespace art = quintora::art;
    for (const int scale : {1, 2, 3}) {
        const art::Placement at = art::Placement::whole(scale);
        for (const art::Position& pos : art::positions) {
            const QImage board = art::board_cell(pos.lines, false, at);
            put(board, QByteArray("KARA") + pos.suffix, scale);
            for (const art::StoneLook* look : art::stone_looks)
                put(art::stone_cell(board, *look, at), QByteArray(art::stone_prefix(*look)) + pos.suffix, scale);
        }
        put(art::board_cell({true, true, true, true}, true, at), "KARANAKATEN", scale);
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
