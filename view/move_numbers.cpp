// SPDX-License-Identifier: GPL-3.0-or-later
#include "view/view.h"

namespace quintora {

namespace {
struct NumberStyle {
    double points;
    double right;
    double down;
};
NumberStyle style_for(int n) {
    if (n < 10) return {12, 20, 20};
    if (n < 100) return {10, 5, 50};
    return {7, 0, 65};
}
}  // namespace

void View::描画_手順番号(int x, int y, int n, int palette) {
    const NumberStyle st = style_for(n);
    c_.draw_text(twips_x(x) + st.right, twips_y(y) + st.down, number_text(n), palette, st.points);
}

void View::描画_全手順番号(int newest) {
    if (newest < 1) return;
    // Newest to oldest: a cell taken twice in the record (after a step back
    // and a new line of play) shows the highest ordinal recorded for it.
    bool done[board_size][board_size]{};
    const int nx = s_.move_x[newest];
    const int ny = s_.move_y[newest];
    for (int i = newest - 1; i >= 0; --i) {
        const int xi = s_.move_x[i];
        const int yi = s_.move_y[i];
        if (!on_field(xi, yi)) continue;
        if (s_.board[xi][yi] == cell_empty || done[xi][yi]) continue;
        done[xi][yi] = true;
        if (xi == nx && yi == ny) continue;  // the newest stone keeps its mark
        描画_手順番号(xi, yi, i + 1, digit_palette(s_.move_colour[i]));
    }
}

}  // namespace quintora
