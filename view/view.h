// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the game paints: cells, stones, the last-stone mark, texts beside the
// board, the turn icons and the move numbers. Positions are cell
// coordinates (real numbers) turned into twips as (800 + 315x, 450 + 315y).

#include <string>
#include <string_view>

#include "ports/canvas.h"
#include "ports/marks.h"
#include "state/game_state.h"
#include "view/geometry.h"
#include "view/palette.h"

namespace quintora {


// A number as the window draws it: one blank before (the sign's place), one after.
std::string number_text(long n);

// The column letters A to T without I, fitted to the window's own face.
inline constexpr std::string_view column_labels_for_window_face =
    "A   B   C   D   E   F   G   H   J    K   L   M   N   O   P   Q   R    S   T";
// The same for the IPA P Mincho face: one blank less between R and S.
inline constexpr std::string_view column_labels_for_ipa_face =
    "A   B   C   D   E   F   G   H   J    K   L   M   N   O   P   Q   R   S   T";

// Names of the picture set.
std::string_view 空桝の絵(int x, int y);
// Empty view when `colour` is no stone colour.
std::string_view 駒の絵(int x, int y, int colour);

// Where the icon of a colour stands, twips of its top-left corner.
struct IconPlace {
    double left;
    double top;
};

class View {
public:
    View(Canvas& canvas, const GameState& state, const Marks& marks) : c_(canvas), s_(state), marks_(marks) {}

    // Board and cells.
    void 描画_四角形(double x, double y, double width, double height, int palette);
    void 描画_文字列(double x, double y, std::string_view text, int palette, double points);
    void 描画_文字列(double x, double y, long number, int palette, double points);
    void 描画_桝(int x, int y);
    void 描画_駒(int x, int y, int colour);
    void 描画_打駒印(int x, int y, int palette);
    void 描画_盤();
    void 描画_枠();  // the coordinate labels
    void 描画_背景();  // the whole window in the board's green
    void 描画_題名();  // the program's name right of the board
    // Shows at once everything painted so far.
    void refresh() { c_.refresh(); }
    // The column letters are one string whose blanks are fitted to a face;
    // the window sets the string that fits the face it really uses.
    void use_column_labels(std::string labels) { column_labels_ = std::move(labels); }
    const std::string& column_labels() const { return column_labels_; }

    // Beside the board.
    void 描画_手番(int colour);
    void 描画_打手(int colour);
    void 消去_全手番アイコン();
    void 描画_手数(int count);

    // Move numbers.
    void 描画_手順番号(int x, int y, int n, int palette);
    void 描画_全手順番号(int newest);

private:
    Canvas& c_;
    const GameState& s_;
    const Marks& marks_;
    std::string column_labels_{column_labels_for_window_face};
};

}  // namespace quintora
