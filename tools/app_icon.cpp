// SPDX-License-Identifier: GPL-3.0-or-later
// The application icon, drawn with QPainter only, so the same drawing code
// gives the PNG sizes and (through QSvgGenerator) the scalable SVG.
//
// Two designs: from 48 pixels up a corner of the board with a diagonal five
// of black and one stone each of blue, white and red; below that four big
// stones, one of each colour in the order they move (clockwise from black),
// on a plain cross of grid lines. The colours are those of the game's own
// stone pictures, so the icon looks like the board the game shows.

#include "app_icon.h"

#include <QColor>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QSvgGenerator>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace app_icon {
namespace {

struct StoneLook {
    QColor body;       // the lit face
    QColor shade;      // the rim turned away from the light
    QColor highlight;  // the glint at the upper left
    double glint;      // how strongly the glint shows
};

// The same four looks as the stones of the board pictures.
const StoneLook kBlack{QColor(18, 18, 18), QColor(0, 0, 0), QColor(175, 175, 175), 0.85};
const StoneLook kBlue{QColor(0, 0, 255), QColor(0, 0, 150), QColor(110, 255, 255), 0.9};
const StoneLook kWhite{QColor(255, 255, 255), QColor(178, 178, 172), QColor(255, 255, 255), 0.0};
const StoneLook kRed{QColor(255, 0, 0), QColor(160, 0, 0), QColor(255, 185, 200), 0.9};

// The board's light and dark wood, the ends of the board pictures' range.
const QColor kWoodLight(239, 220, 129);
const QColor kWoodDark(223, 204, 113);
// The stone shadow of the board pictures: the wood under a stone's lower right.
const QColor kStoneShadow(174, 171, 18);

QColor mix(const QColor& a, const QColor& b, double t)
{
    return QColor::fromRgbF(float(a.redF() + (b.redF() - a.redF()) * t),
                            float(a.greenF() + (b.greenF() - a.greenF()) * t),
                            float(a.blueF() + (b.blueF() - a.blueF()) * t));
}

// A stone of radius r centred on c, lit from the upper left like the stones
// of the board: plain body colour over most of the face, the shade colour
// only towards the lower right rim, a soft glint near the upper left.
void stone(QPainter& p, QPointF c, double r, const StoneLook& look)
{
    p.setPen(Qt::NoPen);
    p.setBrush(kStoneShadow);
    p.drawEllipse(c + QPointF(0.1 * r, 0.1 * r), r, r);

    QRadialGradient g(c, r, c + QPointF(-0.42 * r, -0.5 * r));
    g.setColorAt(0.0, mix(look.body, look.highlight, look.glint));
    g.setColorAt(0.28, look.body);
    g.setColorAt(0.72, look.body);
    g.setColorAt(1.0, look.shade);
    p.setBrush(g);
    p.drawEllipse(c, r, r);
}

// The board: its top face of light wood over a darker band, the board's
// front edge, as if seen a little from above.
void board(QPainter& p, const QRectF& face, double thickness, double corner)
{
    p.setPen(Qt::NoPen);
    const QRectF side = face.translated(0, thickness);
    QLinearGradient edge(side.topLeft(), side.bottomLeft());
    edge.setColorAt(0.0, QColor(176, 138, 58));
    edge.setColorAt(1.0, QColor(128, 96, 36));
    p.setBrush(edge);
    p.drawRoundedRect(side, corner, corner);

    QLinearGradient wood(face.topLeft(), face.bottomRight());
    wood.setColorAt(0.0, kWoodLight);
    wood.setColorAt(1.0, kWoodDark);
    p.setBrush(wood);
    p.drawRoundedRect(face, corner, corner);
}

// From 48 pixels up, drawn in a 256 x 256 design space.
void detailed(QPainter& p)
{
    const QRectF face(12, 12, 232, 220);
    board(p, face, 12, 16);

    // A few long, faint fibres, as in the board pictures' wood.
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(QColor(190, 160, 72, 80), 2.5, Qt::SolidLine, Qt::RoundCap));
    const double fibres[][2] = {{30, 5}, {107, -4}, {150, 6}, {221, -3}};
    for (const auto& f : fibres) {
        QPainterPath fibre(QPointF(22, f[0]));
        fibre.cubicTo(QPointF(80, f[0] + 2 * f[1]), QPointF(160, f[0] - 2 * f[1]), QPointF(234, f[0] + f[1]));
        p.drawPath(fibre);
    }

    // Five lines each way, running off the face: a corner of a larger board.
    constexpr double first = 44, step = 42;
    p.setPen(QPen(QColor(0, 0, 0), 3.2, Qt::SolidLine, Qt::FlatCap));
    for (int i = 0; i < 5; ++i) {
        const double at = first + step * i;
        p.drawLine(QPointF(face.left() + 1.5, at), QPointF(face.right() - 1.5, at));
        p.drawLine(QPointF(at, face.top() + 1.5), QPointF(at, face.bottom() - 1.5));
    }

    auto point = [&](int col, int row) { return QPointF(first + step * col, first + step * row); };
    const double r = 19.5;
    // The winning five, rising from the lower left, and one stone of each of
    // the other colours where they tried to stop it.
    for (int i = 0; i < 5; ++i) stone(p, point(i, 4 - i), r, kBlack);
    stone(p, point(1, 1), r, kBlue);
    stone(p, point(3, 2), r, kWhite);
    stone(p, point(2, 3), r, kRed);
}

// Up to 32 pixels, drawn in pixels so that the lines fall on whole pixels.
void small(QPainter& p, int size)
{
    const double s = size;
    const double thickness = std::max(1.0, std::round(s / 16));
    const QRectF face(0, 0, s, s - thickness);
    board(p, face, thickness, s / 8);

    const double a = std::floor(s * 0.29) + 0.5;  // the two grid lines, on pixel centres
    const double b = s - a;
    p.setPen(QPen(QColor(0, 0, 0), 1.0, Qt::SolidLine, Qt::FlatCap));
    for (double at : {a, b}) {
        p.drawLine(QPointF(0.5, at), QPointF(s - 0.5, at));
        p.drawLine(QPointF(at, 0.5), QPointF(at, s - thickness - 0.5));
    }
    const double r = s * 0.19;
    stone(p, {a, a}, r, kBlack);
    stone(p, {b, a}, r, kBlue);
    stone(p, {b, b}, r, kWhite);
    stone(p, {a, b}, r, kRed);
}

}  // namespace

QImage draw(int size)
{
    QImage img(size, size, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing, true);
    if (size >= 48) {
        p.scale(size / 256.0, size / 256.0);
        detailed(p);
    } else {
        small(p, size);
    }
    p.end();
    return img.convertToFormat(QImage::Format_ARGB32);
}

bool writeAll(const QDir& themeDir, const QString& name)
{
    bool ok = true;
    auto folder = [&](const QString& sub) {
        const QString path = themeDir.filePath(QStringLiteral("hicolor/") + sub + QStringLiteral("/apps"));
        if (!QDir().mkpath(path)) {
            std::fprintf(stderr, "make_pictures: cannot create %s\n", qPrintable(path));
            ok = false;
        }
        return QDir(path);
    };
    for (int size : kSizes) {
        const QString sub = QStringLiteral("%1x%1").arg(size);
        const QString file = folder(sub).filePath(name + QStringLiteral(".png"));
        if (!draw(size).save(file, "PNG")) {
            std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(file));
            ok = false;
        }
    }

    QSvgGenerator svg;
    svg.setFileName(folder(QStringLiteral("scalable")).filePath(name + QStringLiteral(".svg")));
    svg.setSize(QSize(256, 256));
    svg.setResolution(96);  // so that the size reads as 256 CSS pixels
    svg.setViewBox(QRect(0, 0, 256, 256));
    svg.setTitle(QStringLiteral("Quintora"));
    svg.setDescription(QStringLiteral("Stones of four colours on a wooden board"));
    QPainter p;
    if (!p.begin(&svg)) {
        std::fprintf(stderr, "make_pictures: cannot write %s\n", qPrintable(svg.fileName()));
        return false;
    }
    p.setRenderHint(QPainter::Antialiasing, true);
    detailed(p);
    p.end();
    return ok;
}

}  // namespace app_icon
