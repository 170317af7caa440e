#include "app/qt_canvas.h"

#include <QFontDatabase>
#include <QFontMetricsF>
#include <QMouseEvent>
#include <QPainter>

#include "state/constants.h"
#include "view/palette.h"

namespace quintora {

namespace {
QColor qcolour(int palette) { return QColor::fromRgb(palette_rgb(palette)); }
double px(double twips) { return twips / twips_per_pixel; }

// The window's face when it is installed, else the metric-compatible IPA face.
QString choose_family() {
    const QStringList families = QFontDatabase::families();
    for (const QString& f : {QStringLiteral("ＭＳ Ｐ明朝"), QStringLiteral("MS PMincho"), QStringLiteral("IPAPMincho"),
                             QStringLiteral("IPA P明朝")})
        if (families.contains(f)) return f;
    return QStringLiteral("serif");  // still draws every label and number
}
}  // namespace

QtCanvas::QtCanvas(QWidget* parent)
    : QWidget(parent), surface_(width_px, height_px, QImage::Format_RGB32), family_(choose_family()) {
    setFixedSize(width_px, height_px);
    setAttribute(Qt::WA_OpaquePaintEvent);
    surface_.fill(qcolour(board_colour));
    for (int k = 0; k < 2; ++k)
        for (int c = 1; c <= 4; ++c) {
            auto* label = new QLabel(this);
            const QString name = QStringLiteral(":/pictures/%1%2.png").arg(k == 0 ? "ICO_MAN" : "ICO_COM").arg(c);
            label->setPixmap(QPixmap(name));
            label->setFixedSize(32, 32);
            label->setAttribute(Qt::WA_TransparentForMouseEvents);
            label->hide();
            icons_[k][c - 1] = label;
        }
}

const QImage& QtCanvas::picture(std::string_view name) {
    const QString key = QString::fromUtf8(name.data(), qsizetype(name.size()));
    auto it = pictures_.find(key);
    if (it == pictures_.end()) it = pictures_.insert(key, QImage(QStringLiteral(":/pictures/") + key + ".png"));
    return *it;
}

// Painting goes to the surface at once; the window shows it when the event
// loop next runs (the handler that painted has returned) or at refresh(),
// whichever comes first. Without this a person's stone, drawn in a handler
// that ends without refresh(), stayed off the screen until something else
// repainted the window.
void QtCanvas::changed(const QRectF& r) { update(r.toAlignedRect().adjusted(-1, -1, 1, 1)); }

void QtCanvas::fillRect(double x, double y, double width, double height, int palette) {
    QPainter p(&surface_);
    const QRectF r(px(x), px(y), px(width), px(height));
    p.fillRect(r, qcolour(palette));
    changed(r);
}

void QtCanvas::drawPicture(std::string_view name, double x, double y) {
    QPainter p(&surface_);
    const QImage& image = picture(name);
    const QPoint at(qRound(px(x)), qRound(px(y)));
    p.drawImage(at, image);
    changed(QRectF(at, image.size()));
}

void QtCanvas::drawText(double x, double y, std::string_view utf8, int palette, double points) {
    QPainter p(&surface_);
    QFont font(family_);
    font.setPixelSize(qRound(points * 4.0 / 3.0));  // points at 96 dpi, whatever the screen says
    p.setFont(font);
    p.setPen(qcolour(palette));
    const QFontMetricsF m(font, &surface_);
    const QString text = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    const QPointF origin(px(x), px(y) + m.ascent());
    p.drawText(origin, text);
    changed(m.boundingRect(text).translated(origin));
}

void QtCanvas::fillCircle(double cx, double cy, double radius, int palette) {
    QPainter p(&surface_);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(qcolour(palette));
    p.drawEllipse(QPointF(px(cx), px(cy)), px(radius), px(radius));
    changed(QRectF(px(cx - radius), px(cy - radius), px(2 * radius), px(2 * radius)));
}

void QtCanvas::showIcon(IconKind kind, int colour, double left, double top) {
    if (colour < 1 || colour > 4) return;
    QLabel* l = icon(kind, colour);
    l->move(qRound(px(left)), qRound(px(top)));
    l->show();
}

void QtCanvas::hideIcon(IconKind kind, int colour) {
    if (colour < 1 || colour > 4) return;
    icon(kind, colour)->hide();
}

void QtCanvas::refresh() { repaint(); }

void QtCanvas::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.drawImage(0, 0, surface_);
}

void QtCanvas::mousePressEvent(QMouseEvent* e) {
    if (onPress) onPress(e->position().x() * twips_per_pixel, e->position().y() * twips_per_pixel);
}

}  // namespace quintora
