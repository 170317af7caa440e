// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A canvas that paints on one canvas and tells another of every call: the
// window's surface with a recording beside it.

#include "ports/canvas.h"

namespace quintora {

class CanvasTee : public Canvas {
public:
    CanvasTee(Canvas& first, Canvas& second) : a_(first), b_(second) {}
    void fill_rect(double x, double y, double w, double h, int c) override {
        a_.fill_rect(x, y, w, h, c);
        b_.fill_rect(x, y, w, h, c);
    }
    void draw_picture(std::string_view name, double x, double y) override {
        a_.draw_picture(name, x, y);
        b_.draw_picture(name, x, y);
    }
    void draw_text(double x, double y, std::string_view t, int c, double pt) override {
        a_.draw_text(x, y, t, c, pt);
        b_.draw_text(x, y, t, c, pt);
    }
    void fill_circle(double cx, double cy, double r, int c) override {
        a_.fill_circle(cx, cy, r, c);
        b_.fill_circle(cx, cy, r, c);
    }
    void show_icon(IconKind k, int colour, double left, double top) override {
        a_.show_icon(k, colour, left, top);
        b_.show_icon(k, colour, left, top);
    }
    void hide_icon(IconKind k, int colour) override {
        a_.hide_icon(k, colour);
        b_.hide_icon(k, colour);
    }
    void refresh() override {
        a_.refresh();
        b_.refresh();
    }

private:
    Canvas& a_;
    Canvas& b_;
};

}  // namespace quintora
