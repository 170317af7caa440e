// The blink of a winning five.
#include "game/game.h"
#include "rules/line_scan.h"

namespace quintora {

void Game::描画_5並点滅(i16 colour, int x, int y) {
    const GameState& s = *s_;
    const int up = 調査_上(s, colour, x, y), down = 調査_下(s, colour, x, y);
    const int left = 調査_左(s, colour, x, y), right = 調査_右(s, colour, x, y);
    const int upleft = 調査_左上(s, colour, x, y), downright = 調査_右下(s, colour, x, y);
    const int downleft = 調査_左下(s, colour, x, y), upright = 調査_右上(s, colour, x, y);

    int cx[5]{};
    int cy[5]{};
    bool found = false;
    // A later line that is also exactly five overwrites the cells: when one
    // stone completes two fives, the last of them in this order blinks.
    if (up + down + 1 == 5) {
        for (int p = 0; p < 5; ++p) cx[p] = x, cy[p] = y - up + p;
        found = true;
    }
    if (left + right + 1 == 5) {
        for (int p = 0; p < 5; ++p) cx[p] = x - left + p, cy[p] = y;
        found = true;
    }
    if (upleft + downright + 1 == 5) {
        for (int p = 0; p < 5; ++p) cx[p] = x - upleft + p, cy[p] = y - upleft + p;
        found = true;
    }
    if (downleft + upright + 1 == 5) {
        for (int p = 0; p < 5; ++p) cx[p] = x - downleft + p, cy[p] = y + downleft - p;
        found = true;
    }
    if (!found) return;  // nothing to blink; never used that way

    for (int n = 0; n < 5; ++n) {
        for (int p = 0; p < 5; ++p) view_.描画_桝(cx[p], cy[p]);
        p_.canvas.refresh();
        p_.pause.wait(0.2);
        for (int p = 0; p < 5; ++p) {
            view_.描画_駒(cx[p], cy[p], colour);
            if (cx[p] == x && cy[p] == y) view_.描画_打駒印(x, y, mark_colour);
        }
        p_.canvas.refresh();
        p_.pause.wait(0.2);
    }
}

}  // namespace quintora
