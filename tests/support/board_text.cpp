// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/board_text.h"

#include <stdexcept>
#include <string>

namespace quintora::testing {

void put_board(Board& board, std::string_view text) {
    int x = 1;
    int y = 1;
    for (char c : text) {
        if (c == '\n') {
            x = 1;
            ++y;
            continue;
        }
        if (c == ' ') continue;  // lines may be indented
        if (!on_field(x, y)) throw std::invalid_argument("board text leaves the field");
        i16 v = 0;
        switch (c) {
            case '.': v = cell_empty; break;
            case 'b': v = colour_black; break;
            case 'u': v = colour_blue; break;
            case 'w': v = colour_white; break;
            case 'r': v = colour_red; break;
            case 'o': v = player_computer; break;
            case 'x': v = player_human; break;
            default: throw std::invalid_argument(std::string("unknown cell '") + c + "'");
        }
        board[x][y] = v;
        ++x;
    }
}

std::string broken_invariant(const GameState& s) {
    if (s.move_number < 0 || s.move_number > s.max_move_number || s.max_move_number > 361) return "move bounds";
    for (int i = 0; i < board_size; ++i) {
        if (s.board[0][i] || s.board[i][0] || s.near_flag[0][i] || s.near_flag[i][0] || s.five_stop[0][i] ||
            s.five_stop[i][0])
            return "row or column 0 written";
    }
    for (int x = 1; x <= field_last; ++x)
        for (int y = 1; y <= field_last; ++y) {
            if (s.board_history[s.move_number][x][y] != s.board[x][y]) return "history step differs from the board";
            if (s.board[x][y] < 0 || s.board[x][y] > 4) return "board holds a value that is no colour";
        }
    for (int m = 0; m < s.max_move_number; ++m) {
        int diffs = 0;
        for (int x = 1; x <= field_last; ++x)
            for (int y = 1; y <= field_last; ++y)
                if (s.board_history[m][x][y] != s.board_history[m + 1][x][y]) {
                    ++diffs;
                    if (x != s.move_x[m] || y != s.move_y[m] || s.board_history[m + 1][x][y] != s.move_colour[m])
                        return "step " + std::to_string(m + 1) + " differs in a cell not recorded";
                }
        if (diffs != 1) return "step " + std::to_string(m + 1) + " differs in " + std::to_string(diffs) + " cells";
    }
    if (s.game_mode != no_game && !is_colour(s.to_move)) return "a game runs with no colour to move";
    if (s.game_mode != no_game && (s.game_mode < 1 || s.game_mode > 7)) return "unknown game mode";
    return {};
}

}  // namespace quintora::testing
