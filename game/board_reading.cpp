// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/board_reading.h"

#include "game/board_cursor.h"
#include "state/colour.h"

namespace quintora {

std::string cell_reading(const GameState& s, Cell c, Translate tr) {
    const auto colour = Colour::from_code(s.board[c.x][c.y]);
    return cell_name(c) + " " + tr(colour ? colour->kanji() : "空", {});
}

std::vector<std::string> StoneReader::since(const GameState& s, Translate tr) {
    std::vector<std::string> stones;
    if (s.move_number < read_) read_ = s.move_number;
    for (; read_ < s.move_number; ++read_) {
        const auto colour = Colour::from_code(s.move_colour[read_]);
        if (colour) stones.push_back(tr(colour->kanji(), {}) + " " + cell_name({s.move_x[read_], s.move_y[read_]}));
    }
    return stones;
}

std::string StoneReader::ended(const GameState& s, Translate tr) {
    const bool was = in_game_;
    in_game_ = s.game_mode != no_game;
    return was && !in_game_ ? tr("「対局」で始めて下さい", {}) : std::string();
}

}  // namespace quintora
