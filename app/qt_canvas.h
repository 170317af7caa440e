#pragma once
// The window's painted surface: an off-screen image that the widget shows,
// so whatever is painted stays when the window is covered and uncovered.

#include <QFont>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QWidget>
#include <functional>

#include "view/canvas.h"

namespace quintora {

class QtCanvas : public QWidget, public Canvas {
public:
    // The client area: wide enough for the status texts right of the board.
    static constexpr int width_px = 657;
    static constexpr int height_px = 500;

    explicit QtCanvas(QWidget* parent = nullptr);

    void fillRect(double x, double y, double width, double height, int palette) override;
    void drawPicture(std::string_view name, double x, double y) override;
    void drawText(double x, double y, std::string_view utf8, int palette, double points) override;
    void fillCircle(double cx, double cy, double radius, int palette) override;
    void showIcon(IconKind kind, int colour, double left, double top) override;
    void hideIcon(IconKind kind, int colour) override;
    void refresh() override;

    const QImage& surface() const { return surface_; }
    QString fontFamily() const { return family_; }
    // The press handler receives twips of the client area.
    std::function<void(double, double)> onPress;

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    const QImage& picture(std::string_view name);
    // Asks for the part of the window showing `r` (pixels) to be painted.
    void changed(const QRectF& r);
    QLabel* icon(IconKind kind, int colour) { return icons_[kind == IconKind::man ? 0 : 1][colour - 1]; }

    QImage surface_;
    QHash<QString, QImage> pictures_;
    QLabel* icons_[2][4]{};
    QString family_;
};

}  // namespace quintora
