// One computer turn, from the thinking notice to the next colour.
#include "ai/scoring.h"
#include "ai/search.h"
#include "game/game.h"
#include "rules/five.h"

namespace quintora {

std::optional<i16> Game::com_ban(i16& turn) {
    GameState& s = *s_;
    view_.描画_文字列(22, 11, "思考中", palette_white, 12);
    p_.canvas.refresh();
    p_.pause.wait(0.5);

    int x = 0;
    int y = 0;
    退避_碁盤(s);
    const bool found = com置場所取得(s, turn, x, y);
    戻し_碁盤(s);
    view_.描画_四角形(22, 11, 1000, 300, board_colour);

    if (!found) {
        // No candidate cell is left (a full board): the game ends in a draw.
        p_.canvas.refresh();
        p_.dialogs.message("引き分け", "判定");
        s.game_mode = no_game;
        return std::nullopt;
    }

    if (s.last_x > 0 && s.board[s.last_x][s.last_y] != cell_empty) view_.描画_駒(s.last_x, s.last_y, s.last_colour);
    view_.描画_駒(x, y, turn);
    p_.pause.wait(0.5);
    p_.sound.dsPlay(s.snd_stone);
    view_.描画_打駒印(x, y, mark_colour);
    p_.canvas.refresh();
    p_.pause.wait(0.2);
    number_previous_stone();
    s.last_x = i16(x);
    s.last_y = i16(y);
    s.last_colour = turn;
    s.move_x[s.move_number] = i16(x);
    s.move_y[s.move_number] = i16(y);
    s.move_colour[s.move_number] = turn;
    view_.描画_手数(s.move_number + 1);
    s.board[x][y] = turn;
    隣接範囲フラグセット(s, x, y);
    s.move_number++;
    調査_保存(s, s.move_number);
    s.max_move_number = s.move_number;

    if (調査_5並び(s, turn, x, y) == flag_yes) {
        描画_5並点滅(turn, x, y);
        対局_判定(turn);
        s.ended_game_mode = s.game_mode;
        s.game_mode = no_game;
        return std::nullopt;
    }

    設定_五止座標(s, turn, x, y);
    turn = *調査_次手番(turn);
    const i16 next = s.player_kind[turn];
    view_.描画_手番(turn);
    return next;
}

}  // namespace quintora
