// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything that can change a game, as one small value: a press on a cell,
// a menu command, Esc, and the answer to a box. The window and the page turn
// their events into these; a game's journal is the ordered list of them.
//
// The menus are one table here too, so that the desktop's menu bar and the
// page's are built from the same rows: captions, order, nesting, check marks.

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "ports/marks.h"
#include "state/cell.h"

namespace quintora {

enum class CommandKind : std::uint8_t {
    press,  // a press on the board: a cell of the field, or off it
    // The setup commands of 対局.
    JYUNBAN_1,
    JYUNBAN_2,
    JYUNBAN_3,
    JYUNBAN_4,
    PLAY_TOIMEN,
    PLAY_TONARI,
    PLAY_4,
    // 局面.
    SAISYO,
    MODORU,
    SUSUMU,
    // ｵﾌﾟｼｮﾝ.
    TEJYUN,
    AICON,
    BGM,
    // 強さ, inside ｵﾌﾟｼｮﾝ: 入門, 標準, 上級, 名人.
    NYUMON,
    HYOJUN,
    JYOKYU,
    MEIJIN,
    SONOTA,   // the about box
    SYURYOU,  // 終了
    escape,
    // Answers to a box: OK to a box with one button, Yes or No to the question.
    ok,
    yes,
    no,
    // The computer plays the colours of a seat set (black 1, blue 2, white
    // 4, red 8) from now on: in a room, those of a machine that left.
    computer,
};
inline constexpr int command_kind_count = int(CommandKind::computer) + 1;

struct Command {
    CommandKind kind = CommandKind::press;
    // A press's cell; (0, 0) for a press off the field.
    std::int8_t x = 0;
    std::int8_t y = 0;

    static constexpr Command of(CommandKind k) { return Command{k, 0, 0}; }
    static constexpr Command computer_takes(int seats) {
        return Command{CommandKind::computer, std::int8_t(seats & 15), 0};
    }
    static constexpr Command press_at(std::optional<Cell> cell) {
        if (!cell || !cell->on_field()) return Command{CommandKind::press, 0, 0};
        return Command{CommandKind::press, std::int8_t(cell->x), std::int8_t(cell->y)};
    }
    constexpr bool is_answer() const {
        return kind == CommandKind::ok || kind == CommandKind::yes || kind == CommandKind::no;
    }
    constexpr std::optional<Cell> cell() const {
        const Cell c{x, y};
        if (kind != CommandKind::press || !c.on_field()) return std::nullopt;
        return c;
    }
    friend constexpr bool operator==(Command, Command) = default;
};

// The cell under a press at (x, y) twips of the client area; nothing off the
// field (NaN and infinities included).
std::optional<Cell> cell_under(double x, double y);

// The text form of a command, one word, "press X Y" ("press -" off the
// field) or "computer S" (a seat set 1..15): the journal's line, the
// network's word.
std::string command_text(Command c);
// The command a text names, or nothing for anything else: exact words, no
// spaces around, numbers 1..19 without signs or leading zeros.
std::optional<Command> parse_command(std::string_view text);

// --- the menu bar -----------------------------------------------------------

enum class MenuRow : std::uint8_t {
    menu,       // a menu of the bar; the rows after it down to its `end` are its items
    submenu,    // a menu inside a menu, closed by an `end` as well
    end,        // closes the innermost open menu or submenu
    item,       // a command
    check,      // a command with a check mark beside it
    separator,  // a line between items
    action,     // a command right on the bar
};

struct MenuEntry {
    MenuRow row;
    const char* id = "";       // the object name tests and tools find it by
    const char* caption = "";  // byte for byte as shown
    CommandKind command = CommandKind::press;  // items, checks and actions
    Mark mark = Mark::TEJYUN;                  // checks only
};

std::span<const MenuEntry> menu_table();
// The row of the menu table for a command; nothing for a press, Esc and answers.
const MenuEntry* menu_entry(CommandKind kind);

}  // namespace quintora
