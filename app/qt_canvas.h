// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's painted surface: an off-screen image that the widget shows,
// so whatever is painted stays when the window is covered and uncovered.
// The image has the window's own resolution (its device pixel ratio), so on a
// high-density screen the board is drawn from pictures made for it: the
// committed sets at 1, 2 and 3 times, and cells drawn for the exact ratio at
// any other.

#include <QFont>
#include <QHash>
#include <QImage>
#include <QLabel>
#include <QStringList>
#include <QWidget>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "ports/canvas.h"
#include "state/cell.h"
#include "state/constants.h"
#include "art/cell_art.h"
#include "app/qt_fonts.h"
#include "view/geometry.h"
#include "app/qt_paint_record.h"
#include "lang/wording.h"

namespace quintora {


class QtCanvas : public QWidget, public Canvas {
public:
    // The client area in layout pixels.
    static constexpr int width_px = client_width_px;
    static constexpr int height_px = client_height_px;

    explicit QtCanvas(QWidget* parent = nullptr);

    void fill_rect(double x, double y, double width, double height, int palette) override;
    void draw_picture(std::string_view name, double x, double y) override;
    void draw_text(double x, double y, std::string_view utf8, int palette, double points) override;
    void fill_circle(double cx, double cy, double radius, int palette) override;
    void show_icon(IconKind kind, int colour, double left, double top) override;
    void hide_icon(IconKind kind, int colour) override;
    void refresh() override;

    // Device pixels; its devicePixelRatio() is the ratio it was painted for.
    const QImage& surface() { return target(); }
    QString font_family() const { return family_; }
    // How many drawing calls are kept to paint the surface again.
    std::size_t recorded_calls() const { return record_.size(); }
    // The press handler receives twips of the client area.
    std::function<void(double, double)> on_press;

    // The texts beside the board, by the board row they stand on (5: the
    // turn, 9: the move count, 11: 思考中), as shown; called when one
    // changes. And a call at every refresh.
    std::function<void(int row, const std::string& text)> on_status_text;
    std::function<void()> on_refresh;

    // The keyboard's cursor, drawn over the surface (never into it) as four
    // corner brackets: a cell's corners are outside its stone and its mark.
    void show_cursor(std::optional<Cell> cell);
    std::optional<Cell> cursor() const { return cursor_; }
    // The cursor's rectangle in layout pixels, for a cell of the field.
    static QRect cursor_rect(Cell cell);

    // The picture set drawn for a ratio: 1, 2 or 3 times the layout size.
    // At other ratios the board's cells are drawn for the ratio itself
    // (cell_art.h); the title and the icons come from the next larger set,
    // scaled down smoothly.
    static int picture_set_for(double ratio);
    // Whether the ratio is one the committed sets were drawn for.
    static bool has_picture_set(double ratio);

protected:
    bool event(QEvent* e) override;
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override;

private:
    // Drops the surface when the window's ratio is no longer the one it was
    // painted for; target() makes it anew and paints everything on it again.
    void follow_ratio();
    // The surface, made (and everything recorded painted on it) when missing.
    QImage& target();
    void paint(const PaintOp& op);
    // Pictures are numbered on first use; the number is what the record keeps.
    int picture_id(std::string_view name);
    // The picture as drawn for a set (1, 2 or 3 times), in device pixels.
    const QImage& drawn(int id, int set);
    // The picture covering `device` pixels, from the set for the current ratio.
    const QImage& picture(int id, QSize device);
    // The picture for the layout rectangle `logical`, covering `device`: a
    // cell drawn for the ratio where no set is drawn for it, else picture().
    const QImage& placed_picture(int id, const QRect& logical, const QRect& device);
    QRect device_rect(const QRect& logical) const;
    void set_icon_pixmaps();
    // Asks for the part of the window showing `r` (layout pixels) to be painted.
    void changed(const QRectF& r);
    QLabel* icon(IconKind kind, int colour) { return icons_[kind == IconKind::man ? 0 : 1][colour - colour_black]; }

    double ratio_ = 0;
    std::optional<Cell> cursor_;
    // The texts right of the board: row, then left edge in twips.
    std::map<int, std::map<double, std::string>> status_;
    void status_changed(int row);
    // Where the last text ended, twips: its line and its right edge.
    struct {
        double y = -1, x = 0;
    } line_end_;
    // The ink of each translated text right of the board, layout pixels, by
    // row and left edge: the box that erases the text (made for the
    // Japanese) erases all of it.
    std::map<int, std::map<double, QRectF>> ink_;
    lang::Wording wording_;
    void let_go();
    void draw_shown(const lang::Wording::Text& t);
    QImage surface_;
    PaintRecord record_;
    struct Picture {
        QString name;
        std::optional<art::CellPicture> cell;  // what a board cell's picture shows
        QImage drawn[3];
        QHash<quint64, QImage> scaled;  // by device width and height
        // Cells drawn for the current ratio, by where they fall on the device
        // pixels: a handful of placements repeat along the board.
        QHash<quint64, QImage> placed;
    };
    std::vector<Picture> pictures_;
    std::unordered_map<std::string, int> picture_ids_;
    QLabel* icons_[2][colour_count]{};
    QString family_;
};

}  // namespace quintora
