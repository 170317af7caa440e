// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The painted surface as the game sees it. Positions and sizes are twips of
// the client area; colours are palette indices. Everything painted stays
// until something is painted over it. Only the eight turn icons are separate
// elements standing above the surface.

#include <string_view>

namespace quintora {

enum class IconKind { man, com };

class Canvas {
public:
    virtual ~Canvas() = default;
    // A filled rectangle, outline and interior in one colour.
    virtual void fill_rect(double x, double y, double width, double height, int palette) = 0;
    // A picture of the picture set at its own size, top-left corner at (x, y).
    virtual void draw_picture(std::string_view name, double x, double y) = 0;
    // Glyphs only, no background box; (x, y) is the top-left of the text line.
    virtual void draw_text(double x, double y, std::string_view utf8, int palette, double points) = 0;
    virtual void fill_circle(double cx, double cy, double radius, int palette) = 0;
    // Icon c (colour code 1..4) of a kind: moved to (left, top) and shown, or hidden.
    virtual void show_icon(IconKind kind, int colour, double left, double top) = 0;
    virtual void hide_icon(IconKind kind, int colour) = 0;
    // Makes everything painted so far visible at once.
    virtual void refresh() = 0;
};

}  // namespace quintora
