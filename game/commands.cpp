// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/commands.h"

#include <array>
#include <charconv>
#include <cmath>

#include "view/geometry.h"

namespace quintora {

namespace {

constexpr MenuEntry menus[] = {
    {MenuRow::menu, "TAIKYOKU", "対局"},
    {MenuRow::submenu, "PLAY_1", "1_PLAY"},
    {MenuRow::item, "JYUNBAN_1", "黒", CommandKind::JYUNBAN_1},
    {MenuRow::item, "JYUNBAN_2", "青", CommandKind::JYUNBAN_2},
    {MenuRow::item, "JYUNBAN_3", "白", CommandKind::JYUNBAN_3},
    {MenuRow::item, "JYUNBAN_4", "赤", CommandKind::JYUNBAN_4},
    {MenuRow::end},
    {MenuRow::submenu, "PLAY_2", "2_PLAY"},
    {MenuRow::item, "PLAY_TOIMEN", "黒　×　白", CommandKind::PLAY_TOIMEN},
    {MenuRow::item, "PLAY_TONARI", "青　×　赤", CommandKind::PLAY_TONARI},
    {MenuRow::end},
    {MenuRow::item, "PLAY_4", "4_PLAY", CommandKind::PLAY_4},
    {MenuRow::end},
    {MenuRow::menu, "KYOKUMEN", "局面"},
    {MenuRow::item, "SAISYO", "最初", CommandKind::SAISYO},
    {MenuRow::item, "MODORU", "戻", CommandKind::MODORU},
    {MenuRow::item, "SUSUMU", "進", CommandKind::SUSUMU},
    {MenuRow::end},
    {MenuRow::menu, "OPTION", "ｵﾌﾟｼｮﾝ"},
    {MenuRow::check, "TEJYUN", "手順番号表示", CommandKind::TEJYUN, Mark::TEJYUN},
    {MenuRow::check, "AICON", "ｱｲｺﾝ表示", CommandKind::AICON, Mark::AICON},
    {MenuRow::check, "BGM", "BGM", CommandKind::BGM, Mark::BGM},
    {MenuRow::submenu, "TUYOSA", "強さ"},
    {MenuRow::check, "NYUMON", "入門", CommandKind::NYUMON, Mark::NYUMON},
    {MenuRow::check, "HYOJUN", "標準", CommandKind::HYOJUN, Mark::HYOJUN},
    {MenuRow::check, "JYOKYU", "上級", CommandKind::JYOKYU, Mark::JYOKYU},
    {MenuRow::check, "MEIJIN", "名人", CommandKind::MEIJIN, Mark::MEIJIN},
    {MenuRow::end},
    {MenuRow::end},
    {MenuRow::action, "SONOTA", "その他", CommandKind::SONOTA},
    {MenuRow::action, "SYURYOU", "終了", CommandKind::SYURYOU},
};

// The words of the commands that are no menu item.
constexpr std::string_view press_word = "press";
constexpr std::string_view escape_word = "esc";
constexpr std::string_view answer_words[] = {"ok", "yes", "no"};
constexpr std::string_view computer_word = "computer";

std::optional<int> field_number(std::string_view s) {
    if (s.empty() || s.size() > 2 || s[0] == '0') return std::nullopt;
    int n = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), n);
    if (ec != std::errc{} || end != s.data() + s.size() || n < 1 || n > field_last) return std::nullopt;
    return n;
}

}  // namespace

std::span<const MenuEntry> menu_table() { return menus; }

const MenuEntry* menu_entry(CommandKind kind) {
    for (const MenuEntry& e : menus)
        if ((e.row == MenuRow::item || e.row == MenuRow::check || e.row == MenuRow::action) && e.command == kind)
            return &e;
    return nullptr;
}

std::optional<Cell> cell_under(double x, double y) {
    const double cx = std::floor((x - grid_origin_x) / cell_width);
    const double cy = std::floor((y - grid_origin_y) / cell_height);
    if (!(cx >= 0 && cx < board_size && cy >= 0 && cy < board_size)) return std::nullopt;  // also NaN
    const Cell cell{int(cx), int(cy)};
    if (!cell.on_field()) return std::nullopt;
    return cell;
}

std::string command_text(Command c) {
    switch (c.kind) {
        case CommandKind::press:
            if (const auto cell = c.cell())
                return std::string(press_word) + " " + std::to_string(cell->x) + " " + std::to_string(cell->y);
            return std::string(press_word) + " -";
        case CommandKind::escape: return std::string(escape_word);
        case CommandKind::ok: return std::string(answer_words[0]);
        case CommandKind::yes: return std::string(answer_words[1]);
        case CommandKind::no: return std::string(answer_words[2]);
        case CommandKind::computer: return std::string(computer_word) + " " + std::to_string(c.x);
        default: return menu_entry(c.kind)->id;
    }
}

std::optional<Command> parse_command(std::string_view text) {
    if (text.substr(0, press_word.size() + 1) == std::string(press_word) + " ") {
        const std::string_view rest = text.substr(press_word.size() + 1);
        if (rest == "-") return Command::press_at(std::nullopt);
        const auto space = rest.find(' ');
        if (space == std::string_view::npos) return std::nullopt;
        const auto x = field_number(rest.substr(0, space));
        const auto y = field_number(rest.substr(space + 1));
        if (!x || !y) return std::nullopt;
        return Command::press_at(Cell{*x, *y});
    }
    if (text.substr(0, computer_word.size() + 1) == std::string(computer_word) + " ") {
        const std::string_view rest = text.substr(computer_word.size() + 1);
        if (rest == "0") return Command::computer_takes(0);
        const auto seats = field_number(rest);  // 1..19 without leading zeros
        if (!seats || *seats > 15) return std::nullopt;
        return Command::computer_takes(*seats);
    }
    if (text == escape_word) return Command::of(CommandKind::escape);
    if (text == answer_words[0]) return Command::of(CommandKind::ok);
    if (text == answer_words[1]) return Command::of(CommandKind::yes);
    if (text == answer_words[2]) return Command::of(CommandKind::no);
    for (const MenuEntry& e : menus)
        if ((e.row == MenuRow::item || e.row == MenuRow::check || e.row == MenuRow::action) && text == e.id)
            return Command::of(e.command);
    return std::nullopt;
}

}  // namespace quintora
