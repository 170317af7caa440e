// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/board_cursor.h"

#include <algorithm>
#include <string_view>

namespace quintora {

std::optional<Command> BoardCursor::key(BoardKey k) {
    if (!shown_) {
        shown_ = true;
        return std::nullopt;
    }
    const auto clamp = [](int v) { return std::clamp(v, 1, field_last); };
    switch (k) {
        case BoardKey::left: cell_.x = clamp(cell_.x - 1); break;
        case BoardKey::right: cell_.x = clamp(cell_.x + 1); break;
        case BoardKey::up: cell_.y = clamp(cell_.y - 1); break;
        case BoardKey::down: cell_.y = clamp(cell_.y + 1); break;
        case BoardKey::home: cell_.x = 1; break;
        case BoardKey::end: cell_.x = field_last; break;
        case BoardKey::page_up: cell_.y = 1; break;
        case BoardKey::page_down: cell_.y = field_last; break;
        case BoardKey::play: return Command::press_at(cell_);
    }
    return std::nullopt;
}

std::string cell_name(Cell c) {
    static constexpr std::string_view letters = "ABCDEFGHJKLMNOPQRST";
    if (!c.on_field()) return {};
    // Appended, not std::string + std::string&&: GCC 12 warns of an
    // overlapping copy there (-Wrestrict) where there is none.
    std::string name(1, letters[std::size_t(c.x - 1)]);
    name += std::to_string(c.y);
    return name;
}

}  // namespace quintora
