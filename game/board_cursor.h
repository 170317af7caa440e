// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The keyboard's cursor on the board, kept by the window and the page alike.
// It is no part of the game: moving it changes nothing, and playing the cell
// under it is the very command a press on that cell gives.

#include <optional>
#include <string>

#include "game/commands.h"
#include "state/cell.h"

namespace quintora {

enum class BoardKey {
    left,
    right,
    up,
    down,
    home,       // the row's first cell
    end,        // the row's last cell
    page_up,    // the column's top cell
    page_down,  // the column's bottom cell
    play,       // Return or Space
};

class BoardCursor {
public:
    // The cell the cursor is on; nothing until a key has been used (or after
    // a press with the mouse).
    std::optional<Cell> at() const { return shown_ ? std::optional<Cell>(cell_) : std::nullopt; }

    // The first key only shows the cursor where it was last (the centre at
    // first); later keys move it, stopping at the edges. Playing gives the
    // press on the cell under it.
    std::optional<Command> key(BoardKey k);
    // A press with the mouse: the cursor goes away and stays where it was.
    void hide() { shown_ = false; }

private:
    bool shown_ = false;
    Cell cell_{10, 10};
};

// A cell as the board's labels name it: column letter (A to T without I),
// row number; "K10".
std::string cell_name(Cell c);

}  // namespace quintora
