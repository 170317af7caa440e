// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window for screen readers (Qt's accessibility, AT-SPI on Linux): the
// board as a table of 361 cells named by column letter, row number and
// content ("K10 黒", "K11 空"), the keyboard cursor's cell focused; the turn
// text, the move count, 思考中 and the last stone played as labels whose
// changes are sent as name changes.

#include <QAccessibleWidget>
#include <array>
#include <functional>
#include <optional>
#include <string>

#include "state/cell.h"

namespace quintora {

class QtCanvas;

// What the accessible board reads: the window fills it in.
struct BoardReading {
    // A cell as the screen reader says it ("K10 黒", "K11 空").
    std::function<std::string(Cell)> cell;
    std::function<std::optional<Cell>()> cursor;
};

// The labels beside the board.
enum class StatusLabel { turn, count, thinking, last_stone };
inline constexpr int status_label_count = 4;

// Makes the canvas's accessible interface the one below (a factory Qt asks
// for every widget); call once, before the window is shown.
void install_board_accessibility();
// The reading the canvas's interface uses.
void set_board_reading(QtCanvas* canvas, BoardReading reading);
// Tell the screen reader: the cursor went to another cell, a label changed.
void notify_cursor(QtCanvas* canvas);
void notify_label(QtCanvas* canvas, StatusLabel label, const std::string& text);
// Says `text` through the object that has the focus (the cursor's cell, or
// the board): its description changes, which Orca reads out for the object
// it follows; it ignores name changes of labels and cells.
void announce(QtCanvas* canvas, const std::string& text);

}  // namespace quintora
