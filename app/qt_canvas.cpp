// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_canvas.h"

#include <QApplication>
#include <QEvent>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>
#include <QPixmap>
#include <cmath>
#include <utility>

#include "view/geometry.h"
#include <string>


#include "state/constants.h"
#include "view/palette.h"
#include "lang/language.h"

namespace quintora {

namespace {
QColor qcolour(int palette) { return QColor::fromRgb(palette_rgb(palette)); }
double px(double twips) { return twips / twips_per_pixel; }

QString qstring(std::string_view s) { return QString::fromUtf8(s.data(), qsizetype(s.size())); }

std::string icon_name(int kind, int colour) { return (kind == 0 ? "ICO_MAN" : "ICO_COM") + std::to_string(colour); }

// The surface's device pixel ratio, put aside while pictures are copied in
// device pixels, and restored afterwards.
class DevicePixels {
public:
    explicit DevicePixels(QImage& image) : image_(image), ratio_(image.devicePixelRatio()) {
        image_.setDevicePixelRatio(1.0);
    }
    ~DevicePixels() { image_.setDevicePixelRatio(ratio_); }

private:
    QImage& image_;
    double ratio_;
};
}  // namespace

int QtCanvas::picture_set_for(double ratio) {
    // A hair of tolerance: a ratio computed as 2.0000000001 is still 2.
    return std::clamp(int(std::ceil(ratio - 1e-6)), 1, 3);
}

bool QtCanvas::has_picture_set(double ratio) { return std::abs(ratio - picture_set_for(ratio)) <= 1e-6; }

QtCanvas::QtCanvas(QWidget* parent) : QWidget(parent), family_(board_face_family()) {
    setFixedSize(width_px, height_px);
    setAttribute(Qt::WA_OpaquePaintEvent);
    for (int k = 0; k < 2; ++k)
        for (int c = colour_black; c < colour_black + colour_count; ++c) {
            auto* label = new QLabel(this);
            label->setFixedSize(32, 32);
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            label->hide();
            icons_[k][c - colour_black] = label;
        }
    follow_ratio();
}

void QtCanvas::follow_ratio() {
    const double ratio = devicePixelRatioF();
    if (ratio == ratio_) return;
    ratio_ = ratio;
    for (Picture& p : pictures_) {
        p.scaled.clear();
        p.placed.clear();
    }
    surface_ = QImage();  // made again, at the new ratio, when next painted or shown
    set_icon_pixmaps();
    update();
}

// The surface is made on first use, which at start-up comes after the sounds
// are loaded: its megabyte and more never adds to the moment when the music
// is held twice, once as read and once as the sound library's copy.
QImage& QtCanvas::target() {
    if (surface_.isNull()) {
        surface_ = QImage(int(std::ceil(width_px * ratio_)), int(std::ceil(height_px * ratio_)), QImage::Format_RGB32);
        surface_.setDevicePixelRatio(ratio_);
        surface_.fill(qcolour(board_colour));
        record_.replay([this](const PaintOp& op) { paint(op); });
    }
    return surface_;
}

int QtCanvas::picture_id(std::string_view name) {
    const auto [it, added] = picture_ids_.try_emplace(std::string(name), int(pictures_.size()));
    if (added) pictures_.push_back({qstring(name), art::cell_picture(name), {}, {}, {}});
    return it->second;
}

const QImage& QtCanvas::drawn(int id, int set) {
    Picture& p = pictures_[std::size_t(id)];
    QImage& image = p.drawn[set - 1];
    if (image.isNull()) {
        const QString suffix = set == 1 ? QString() : QStringLiteral("@%1x").arg(set);
        image = QImage(QStringLiteral(":/pictures/") + p.name + suffix + QStringLiteral(".png"));
        // Qt reads the ratio from the @2x in the name; here pictures are
        // handled in device pixels and placed by device_rect().
        image.setDevicePixelRatio(1.0);
    }
    return image;
}

const QImage& QtCanvas::picture(int id, QSize device) {
    const QImage& image = drawn(id, picture_set_for(ratio_));
    if (image.size() == device || image.isNull()) return image;
    QHash<quint64, QImage>& scaled = pictures_[std::size_t(id)].scaled;
    const quint64 key = (quint64(quint32(device.width())) << 32) | quint32(device.height());
    auto it = scaled.find(key);
    if (it == scaled.end())
        it = scaled.insert(key, image.scaled(device, Qt::IgnoreAspectRatio, Qt::SmoothTransformation));
    return *it;
}

const QImage& QtCanvas::placed_picture(int id, const QRect& logical, const QRect& device) {
    Picture& p = pictures_[std::size_t(id)];
    if (!p.cell || has_picture_set(ratio_)) return picture(id, device.size());
    // Scaling a larger set down would spread each grid line over two or three
    // device pixels of grey; drawn for the ratio, it is solid black.
    const art::Placement at = art::Placement::at(ratio_, logical.left(), logical.top());
    const auto offset = [](double o) { return quint64(std::lround((o + 1.0) * 4096.0)) & 0xffff; };
    const quint64 key = offset(at.ox) << 48 | offset(at.oy) << 32 | quint64(at.width & 0xffff) << 16 |
                        quint64(at.height & 0xffff);
    auto it = p.placed.find(key);
    if (it == p.placed.end()) it = p.placed.insert(key, art::draw_cell(*p.cell, at));
    return *it;
}

// Both edges of a rectangle are rounded to device pixels on their own, so
// pictures side by side in layout pixels stay side by side on the device at
// any ratio: no gap and no overlap between neighbouring cells.
QRect QtCanvas::device_rect(const QRect& logical) const {
    const auto at = [this](int v) { return int(std::lround(v * ratio_)); };
    return QRect(QPoint(at(logical.left()), at(logical.top())),
                 QPoint(at(logical.left() + logical.width()) - 1, at(logical.top() + logical.height()) - 1));
}

void QtCanvas::set_icon_pixmaps() {
    const int side = int(std::lround(32 * ratio_));
    for (int k = 0; k < 2; ++k)
        for (int c = colour_black; c < colour_black + colour_count; ++c) {
            QPixmap pixmap = QPixmap::fromImage(picture(picture_id(icon_name(k, c)), QSize(side, side)));
            pixmap.setDevicePixelRatio(ratio_);
            icons_[k][c - colour_black]->setPixmap(pixmap);
        }
}

void QtCanvas::paint(const PaintOp& op) {
    QImage& surface = target();
    switch (op.kind) {
        case PaintOp::Kind::rect: {
            QPainter p(&surface);
            p.fillRect(QRectF(px(op.x), px(op.y), px(op.w), px(op.h)), qcolour(op.palette));
            break;
        }
        case PaintOp::Kind::picture: {
            const QRect logical = op.bounds.toRect();
            const QRect device = device_rect(logical);
            const QImage& image = placed_picture(op.picture, logical, device);
            DevicePixels in_device_pixels(surface);
            QPainter p(&surface);
            p.drawImage(device.topLeft(), image);
            break;
        }
        case PaintOp::Kind::text: {
            QPainter p(&surface);
            QFont font(family_);
            font.setPixelSize(qRound(op.points * 4.0 / 3.0));  // points at 96 dpi, whatever the screen says
            p.setFont(font);
            p.setPen(qcolour(op.palette));
            const QFontMetricsF m(font, &surface);
            p.drawText(QPointF(px(op.x), px(op.y) + m.ascent()), op.name);
            break;
        }
        case PaintOp::Kind::circle: {
            QPainter p(&surface);
            p.setRenderHint(QPainter::Antialiasing);
            p.setPen(Qt::NoPen);
            p.setBrush(qcolour(op.palette));
            p.drawEllipse(QPointF(px(op.x), px(op.y)), px(op.w), px(op.w));
            break;
        }
    }
}

// Painting goes to the surface at once; the window shows it when the event
// loop next runs (the handler that painted has returned) or at refresh(),
// whichever comes first. Without this a person's stone, drawn in a handler
// that ends without refresh(), stayed off the screen until something else
// repainted the window.
void QtCanvas::changed(const QRectF& r) { update(r.toAlignedRect().adjusted(-1, -1, 1, 1)); }

namespace {
// Right of the board's last column: where the status texts stand.
constexpr double status_left = 800 + 315 * 21;
int board_row(double y) { return int(std::lround((y - 450) / 315)); }
}  // namespace

void QtCanvas::status_changed(int row) {
    if (!on_status_text) return;
    std::string line;
    for (const auto& [x, text] : status_[row]) {
        std::string t = text;
        while (!t.empty() && t.front() == ' ') t.erase(t.begin());
        while (!t.empty() && t.back() == ' ') t.pop_back();
        if (t.empty()) continue;
        // "Black" "to move" want a blank between them; "黒" "の番です" none.
        if (!line.empty() && static_cast<unsigned char>(line.back()) < 0x80 &&
            static_cast<unsigned char>(t.front()) < 0x80)
            line += ' ';
        line += t;
    }
    on_status_text(row, line);
}

void QtCanvas::fill_rect(double x, double y, double width, double height, int palette) {
    let_go();
    QRectF r(px(x), px(y), px(width), px(height));
    // A text after the box on its line no longer follows what it erased.
    if (line_end_.y >= y && line_end_.y < y + height && line_end_.x > x) line_end_ = {-1, 0};
    // An erase box beside the board takes the texts inside it away, the
    // whole of a translation that reaches out of it too.
    if (x + width > status_left) {
        for (auto& [row, texts] : status_) {
            const double ty = 450 + 315.0 * row;
            if (ty < y || ty >= y + height) continue;
            const auto before = texts.size();
            std::erase_if(texts, [&](const auto& t) { return t.first >= x && t.first < x + width; });
            if (texts.size() != before) status_changed(row);
        }
        for (auto& [row, inks] : ink_) {
            const double ty = 450 + 315.0 * row;
            if (ty < y || ty >= y + height) continue;
            std::erase_if(inks, [&](const auto& t) {
                if (t.first < x || t.first >= x + width) return false;
                r = r.united(t.second);
                return true;
            });
        }
    }
    PaintOp op{PaintOp::Kind::rect, x, y, width, height, palette};
    if (r != QRectF(px(x), px(y), px(width), px(height))) {
        op.x = r.x() * twips_per_pixel;
        op.y = r.y() * twips_per_pixel;
        op.w = r.width() * twips_per_pixel;
        op.h = r.height() * twips_per_pixel;
    }
    op.bounds = r;
    op.cover = r;
    paint(op);
    record_.add(std::move(op));
    changed(r);
}

void QtCanvas::draw_picture(std::string_view name, double x, double y) {
    let_go();
    PaintOp op{PaintOp::Kind::picture, x, y};
    op.picture = picture_id(name);
    // Pictures stand at whole layout pixels, at their layout size.
    const int set = picture_set_for(ratio_);
    const QImage& image = drawn(op.picture, set);
    op.bounds = QRectF(QPoint(qRound(px(x)), qRound(px(y))), image.size() / set);
    if (!image.hasAlphaChannel()) op.cover = op.bounds;
    paint(op);
    const QRectF r = op.bounds;
    record_.add(std::move(op));
    changed(r);
}

void QtCanvas::let_go() {
    if (const auto held = wording_.let_go()) draw_shown(*held);
}

void QtCanvas::draw_text(double x, double y, std::string_view utf8, int palette, double points) {
    // The game's words in the player's language; " 12 " "手目" as "Move 12",
    // from where the count's row starts.
    for (const lang::Wording::Text& t : wording_.text(x, y, utf8, palette, points, x >= status_left, twips_x(21.5)))
        draw_shown(t);
}

void QtCanvas::draw_shown(const lang::Wording::Text& t) {
    double x = t.x;
    const double y = t.y;
    const std::string& shown = t.shown;
    const int palette = t.palette;
    const double points = t.points;
    // A translation is longer than the Japanese it replaces: one that would
    // run into the text before it on its line ("Black" "to move") follows it
    // instead.
    QFont font(family_);
    font.setPixelSize(qRound(points * 4.0 / 3.0));
    const QFontMetricsF m(font, &target());
    if (t.translated && line_end_.y == y)
        x = std::max(x, line_end_.x + m.horizontalAdvance(QLatin1Char(' ')) * twips_per_pixel);
    PaintOp op{PaintOp::Kind::text, x, y, 0, 0, palette, points};
    op.name = QString::fromStdString(shown);
    const QPointF origin(px(x), px(y) + m.ascent());
    line_end_ = {y, x + m.horizontalAdvance(op.name) * twips_per_pixel};
    if (x >= status_left) {
        status_[board_row(y)][x] = shown;
        status_changed(board_row(y));
    }
    // The ink: a text inside an erase box is gone when the box is painted.
    op.bounds = m.tightBoundingRect(op.name).translated(origin);
    const QRectF r = m.boundingRect(op.name).translated(origin);
    if (t.translated && x >= status_left) ink_[board_row(y)][x] = r.united(op.bounds);
    paint(op);
    record_.add(std::move(op));
    changed(r);
}

void QtCanvas::fill_circle(double cx, double cy, double radius, int palette) {
    let_go();
    PaintOp op{PaintOp::Kind::circle, cx, cy, radius, 0, palette};
    const QRectF r(px(cx - radius), px(cy - radius), px(2 * radius), px(2 * radius));
    op.bounds = r;
    paint(op);
    record_.add(std::move(op));
    changed(r);
}

void QtCanvas::show_icon(IconKind kind, int colour, double left, double top) {
    let_go();
    if (!is_colour(colour)) return;
    QLabel* l = icon(kind, colour);
    l->move(qRound(px(left)), qRound(px(top)));
    l->show();
}

void QtCanvas::hide_icon(IconKind kind, int colour) {
    let_go();
    if (!is_colour(colour)) return;
    icon(kind, colour)->hide();
}

void QtCanvas::refresh() {
    let_go();
    repaint();
    if (on_refresh) on_refresh();
}

bool QtCanvas::event(QEvent* e) {
    // The window went to another screen, whose ratio may differ.
    if (e->type() == QEvent::ScreenChangeInternal) follow_ratio();
    return QWidget::event(e);
}

void QtCanvas::paintEvent(QPaintEvent*) {
    // Also catches a ratio that changed on the same screen.
    follow_ratio();
    QPainter p(this);
    p.drawImage(0, 0, target());
    if (cursor_) {
        // Two pixels wide, five long, in the corners: a stone fills the
        // cell's circle, so the brackets leave its colour and the mark alone.
        const QRect r = cursor_rect(*cursor_);
        constexpr int thick = 2, arm = 5;
        const QColor ink(255, 0, 255);
        for (const QPoint corner : {r.topLeft(), r.topRight(), r.bottomLeft(), r.bottomRight()}) {
            const int x = corner.x() == r.left() ? r.left() : r.right() + 1 - arm;
            const int y = corner.y() == r.top() ? r.top() : r.bottom() + 1 - arm;
            const int hx = corner.x() == r.left() ? r.left() : r.right() + 1 - thick;
            const int vy = corner.y() == r.top() ? r.top() : r.bottom() + 1 - thick;
            p.fillRect(QRect(x, vy, arm, thick), ink);
            p.fillRect(QRect(hx, y, thick, arm), ink);
        }
    }
}

QRect QtCanvas::cursor_rect(Cell cell) {
    return QRect(qRound(px(twips_x(cell.x))), qRound(px(twips_y(cell.y))), qRound(px(cell_width)),
                 qRound(px(cell_height)));
}

void QtCanvas::show_cursor(std::optional<Cell> cell) {
    if (cell == cursor_) return;
    if (cursor_) update(cursor_rect(*cursor_));
    cursor_ = cell;
    if (cursor_) update(cursor_rect(*cursor_));
}

void QtCanvas::mousePressEvent(QMouseEvent* e) {
    if (on_press) on_press(e->position().x() * twips_per_pixel, e->position().y() * twips_per_pixel);
}

}  // namespace quintora
