// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/view.h"

#include "state/colour.h"

namespace quintora {

namespace {
// Beside the board, each overlapping its edge by 15 twips: black's below,
// blue's left, white's above, red's right (still left of the turn text).
constexpr ColourMap<IconPlace> icon_places{{{{3600, 6735}, {650, 3200}, {3600, 300}, {7085, 3200}}}};
}  // namespace

void View::描画_手番(int colour) {
    描画_四角形(21.5, 5, 2200, 300, board_colour);
    描画_打手(colour);
    if (const auto c = Colour::from_code(colour)) 描画_文字列(21.5, 5, c->kanji(), palette_white, 12);
    描画_文字列(22.5, 5, "の番です", palette_white, 12);
}

void View::描画_打手(int colour) {
    消去_全手番アイコン();
    if (!marks_.checked(Mark::AICON)) return;
    const auto c = Colour::from_code(colour);
    if (!c) return;  // player_kind is only read for a colour
    const i16 kind = s_.player_kind[c->code()];
    IconKind icon;
    if (kind == player_computer)
        icon = IconKind::com;
    else if (kind == player_human)
        icon = IconKind::man;
    else
        return;  // before any setup nobody holds the colour
    const IconPlace p = icon_places[*c];
    c_.show_icon(icon, c->code(), p.left, p.top);
}

void View::消去_全手番アイコン() {
    for (const Colour c : Colour::all()) {
        c_.hide_icon(IconKind::man, c.code());
        c_.hide_icon(IconKind::com, c.code());
    }
}

void View::描画_手数(int count) {
    描画_四角形(21.5, 9, 1000, 300, board_colour);
    const double x = count < 10 ? 22 : count < 100 ? 21.8 : 21.5;
    描画_文字列(x, 9, long(count), palette_white, 11);
    描画_文字列(23, 9, "手目", palette_white, 11);
}

}  // namespace quintora
