// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/view.h"

#include <array>

#include "state/colour.h"

namespace quintora {

std::string number_text(long n) {
    std::string text(1, ' ');
    text += std::to_string(n);
    text += ' ';
    return text;
}

namespace {

enum class Spot { UEHIDARI, SITAHIDARI, HIDARINAKA, UEMIGI, SITAMIGI, MIGINAKA, UENAKA, SITANAKA, NAKA };

// The corner and edge tests shared by empty cells and stones.
Spot spot_of(int x, int y) {
    if (x == 1) return y == 1 ? Spot::UEHIDARI : y == field_last ? Spot::SITAHIDARI : Spot::HIDARINAKA;
    if (x == field_last) return y == 1 ? Spot::UEMIGI : y == field_last ? Spot::SITAMIGI : Spot::MIGINAKA;
    return y == 1 ? Spot::UENAKA : y == field_last ? Spot::SITANAKA : Spot::NAKA;
}

bool star_line(int v) { return v == 5 || v == 10 || v == 15; }

using SpotNames = std::array<std::string_view, 9>;

// Picture names by spot: the empty cell, and a stone of each colour.
constexpr SpotNames empty_names = {"KARAUEHIDARI", "KARASITAHIDARI", "KARAHIDARINAKA", "KARAUEMIGI", "KARASITAMIGI",
                                   "KARAMIGINAKA", "KARAUENAKA", "KARASITANAKA", "KARANAKA"};
constexpr ColourMap<SpotNames> stone_names{{{
    {"KUROUEHIDARI", "KUROSITAHIDARI", "KUROHIDARINAKA", "KUROUEMIGI", "KUROSITAMIGI", "KUROMIGINAKA",
     "KUROUENAKA", "KUROSITANAKA", "KURONAKA"},
    {"AOUEHIDARI", "AOSITAHIDARI", "AOHIDARINAKA", "AOUEMIGI", "AOSITAMIGI", "AOMIGINAKA", "AOUENAKA",
     "AOSITANAKA", "AONAKA"},
    {"SIROUEHIDARI", "SIROSITAHIDARI", "SIROHIDARINAKA", "SIROUEMIGI", "SIROSITAMIGI", "SIROMIGINAKA",
     "SIROUENAKA", "SIROSITANAKA", "SIRONAKA"},
    {"AKAUEHIDARI", "AKASITAHIDARI", "AKAHIDARINAKA", "AKAUEMIGI", "AKASITAMIGI", "AKAMIGINAKA", "AKAUENAKA",
     "AKASITANAKA", "AKANAKA"},
}}};

}  // namespace

std::string_view 空桝の絵(int x, int y) {
    if (x != 1 && x != field_last && star_line(x) && star_line(y)) return "KARANAKATEN";
    return empty_names[int(spot_of(x, y))];
}

std::string_view 駒の絵(int x, int y, int colour) {
    const auto c = Colour::from_code(colour);
    if (!c) return {};
    return stone_names[*c][int(spot_of(x, y))];
}

void View::描画_四角形(double x, double y, double width, double height, int palette) {
    c_.fill_rect(twips_x(x), twips_y(y), width, height, palette);
}

void View::描画_文字列(double x, double y, std::string_view text, int palette, double points) {
    c_.draw_text(twips_x(x), twips_y(y), text, palette, points);
}

void View::描画_文字列(double x, double y, long number, int palette, double points) {
    描画_文字列(x, y, number_text(number), palette, points);
}

void View::描画_桝(int x, int y) { c_.draw_picture(空桝の絵(x, y), twips_x(x), twips_y(y)); }

void View::描画_駒(int x, int y, int colour) {
    const std::string_view name = 駒の絵(x, y, colour);
    if (!name.empty()) c_.draw_picture(name, twips_x(x), twips_y(y));
}

void View::描画_打駒印(int x, int y, int palette) {
    // Centred 150 twips into the cell, a touch up and left of its exact centre.
    c_.fill_circle(twips_x(x) + 150, twips_y(y) + 150, 50, palette);
}

void View::描画_盤() {
    for (int x = 1; x <= field_last; ++x)
        for (int y = 1; y <= field_last; ++y) {
            const int v = s_.board[x][y];
            if (is_colour(v))
                描画_駒(x, y, v);
            else if (v == cell_empty)
                描画_桝(x, y);
        }
}

void View::描画_背景() { c_.fill_rect(0, 0, 9850, 8300, board_colour); }

void View::描画_題名() { c_.draw_picture("PG_NAME", twips_x(21), twips_y(0.5)); }

void View::描画_枠() {
    描画_文字列(1.4, 0.1, column_labels_, palette_white, 10);
    for (int i = 1; i <= field_last; ++i) 描画_文字列(0, i + 0.1, long(i), palette_white, 9);
}

}  // namespace quintora
