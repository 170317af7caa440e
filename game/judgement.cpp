// SPDX-License-Identifier: GPL-3.0-or-later
// The end of a won game: the blink of the five, the announcement and the
// question of a new game.
#include "game/game.h"
#include "rules/five.h"

namespace quintora {

void Game::描画_5並点滅(i16 colour, int x, int y) {
    const auto cells = five_cells(s_->board, colour, Cell{x, y});
    if (!cells) return;  // nothing to blink; never used that way
    for (int n = 0; n < 5; ++n) {
        for (const Cell& c : *cells) view_.描画_桝(c.x, c.y);
        view_.refresh();
        p_.pause.wait(0.2);
        for (const Cell& c : *cells) {
            view_.描画_駒(c.x, c.y, colour);
            if (c == Cell{x, y}) view_.描画_打駒印(x, y, mark_colour);
        }
        view_.refresh();
        p_.pause.wait(0.2);
    }
}

void Game::対局_判定(i16 c) {
    GameState& s = *s_;
    if (p_.marks.checked(Mark::TEJYUN)) view_.描画_全手順番号(s.move_number - 1);
    module1_.play(s.snd_game_end);
    if (const auto winner = Colour::from_code(c))
        p_.dialogs.message("　" + std::string(winner->kanji()) + "の勝ち！！", "");
    if (p_.dialogs.ask_yes_no("続けますか？", "再ゲーム"))
        初期設定();
    else
        終了();
}

}  // namespace quintora
