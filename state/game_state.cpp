// SPDX-License-Identifier: GPL-3.0-or-later
#include "state/game_state.h"

#include "state/colour.h"

namespace quintora {

namespace {
void copy_field(const Board& from, Board& to) {
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) to[i][j] = from[i][j];
}
}  // namespace

void 調査_保存(GameState& s, int m) {
    if (m < 0 || m >= history_steps) return;  // the record has room for every possible game
    copy_field(s.board, s.board_history[m]);
}

std::optional<i16> 調査_次手番(i16 c) {
    if (auto colour = Colour::from_code(c)) return colour->next().code();
    return std::nullopt;
}

void 設定_中央得点(GameState& s) {
    for (int x = 1; x <= field_last; ++x)
        for (int y = 1; y <= field_last; ++y) s.centre_bonus[x][y] = (x > 8 && x < 13 && y > 8 && y < 13) ? 0.1 : 0.0;
}

}  // namespace quintora
