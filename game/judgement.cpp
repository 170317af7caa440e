// The end of a won game: the announcement and the question of a new game.
#include "game/game.h"

namespace quintora {

void Game::対局_判定(i16 c) {
    GameState& s = *s_;
    if (p_.marks.checked(Mark::TEJYUN)) view_.描画_全手順番号(s.move_number - 1);
    p_.sound.dsPlay(s.snd_game_end);
    if (c == colour_black)
        p_.dialogs.message("　黒の勝ち！！", "");
    else if (c == colour_blue)
        p_.dialogs.message("　青の勝ち！！", "");
    else if (c == colour_white)
        p_.dialogs.message("　白の勝ち！！", "");
    else if (c == colour_red)
        p_.dialogs.message("　赤の勝ち！！", "");
    if (p_.dialogs.askYesNo("続けますか？", "再ゲーム"))
        初期設定();
    else
        終了();
}

}  // namespace quintora
