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

}  // namespace quintora::testing
