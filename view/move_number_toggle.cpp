// The TEJYUN command: move numbers on the stones, on or off.
#include "game/game.h"

namespace quintora {

void Game::on_TEJYUN() {
    GameState& s = *s_;
    if (p_.marks.checked(Mark::TEJYUN)) {
        p_.marks.setChecked(Mark::TEJYUN, false);
        // Repainting every stone plain takes away the numbers and the mark.
        for (int x = 1; x <= field_last; ++x)
            for (int y = 1; y <= field_last; ++y)
                if (s.board[x][y] != cell_empty) view_.描画_駒(x, y, s.board[x][y]);
    } else {
        p_.marks.setChecked(Mark::TEJYUN, true);
        view_.描画_全手順番号(s.move_number - 1);
    }
    if (s.move_number > 0) {
        const int k = s.move_number - 1;
        view_.描画_打駒印(s.move_x[k], s.move_y[k], mark_colour);
    }
}

}  // namespace quintora
