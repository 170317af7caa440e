// A person's press on the board: a refusal, the computers' turn, the
// confirmation after walking through the history, or a stone.
#include <cmath>

#include "ai/scoring.h"
#include "game/game.h"
#include "rules/five.h"
#include "rules/placement.h"

namespace quintora {

void Game::number_previous_stone() {
    const GameState& s = *s_;
    if (!p_.marks.checked(Mark::TEJYUN) || s.move_number <= 0) return;
    const int colour = s.last_colour == colour_black ? palette_white : palette_black;
    view_.描画_手順番号(s.last_x, s.last_y, s.move_number, colour);
}

void Game::on_board_press(double x, double y) {
    GameState& s = *s_;

    if (s.game_mode == no_game) {
        p_.sound.dsPlay(s.snd_forbidden);
        p_.dialogs.message("「対局」で始めて下さい", "開始");
        return;
    }

    if (s.game_mode != mode_four && is_colour(s.to_move) && s.player_kind[s.to_move] == player_computer) {
        while (com_ban(s.to_move) == player_computer) {
        }
        return;
    }

    if (s.resume_pending == flag_yes) {
        p_.dialogs.message("OKですか？", "再開");
        s.resume_pending = flag_no;
        if (s.to_move == colour_black)
            p_.dialogs.message("黒の番です", "再開");
        else if (s.to_move == colour_white)
            p_.dialogs.message("白の番です", "再開");
        else if (s.to_move == colour_blue)
            p_.dialogs.message("青の番です", "再開");
        else if (s.to_move == colour_red)
            p_.dialogs.message("赤の番です", "再開");
        return;
    }

    const double cx = std::floor((x - grid_origin_x) / cell_width);
    const double cy = std::floor((y - grid_origin_y) / cell_height);
    if (!(cx >= 1 && cx <= field_last && cy >= 1 && cy <= field_last)) return;  // off the field: silently
    const int col = int(cx);
    const int row = int(cy);

    退避_碁盤(s);
    if (調査_置けるか(s, col, row) == flag_no) {
        p_.sound.dsPlay(s.snd_forbidden);
        戻し_碁盤(s);
        return;
    }
    戻し_碁盤(s);
    s.board[col][row] = s.to_move;

    if (s.last_x > 0 && s.board[s.last_x][s.last_y] != cell_empty) view_.描画_駒(s.last_x, s.last_y, s.last_colour);
    view_.描画_駒(col, row, s.to_move);
    view_.描画_打駒印(col, row, mark_colour);
    p_.sound.dsPlay(s.snd_stone);
    number_previous_stone();
    s.last_x = i16(col);
    s.last_y = i16(row);
    s.last_colour = s.to_move;
    s.move_x[s.move_number] = i16(col);
    s.move_y[s.move_number] = i16(row);
    s.move_colour[s.move_number] = s.to_move;
    view_.描画_手数(s.move_number + 1);
    隣接範囲フラグセット(s, col, row);
    s.move_number++;
    調査_保存(s, s.move_number);
    s.max_move_number = s.move_number;

    if (調査_5並び(s, s.to_move, col, row) == flag_yes) {
        描画_5並点滅(s.to_move, col, row);
        対局_判定(s.to_move);
        s.ended_game_mode = s.game_mode;
        s.game_mode = no_game;
        return;
    }

    if (s.game_mode == mode_four) {
        s.to_move = *調査_次手番(s.to_move);
        view_.描画_手番(s.to_move);
        return;
    }

    設定_五止座標(s, s.to_move, col, row);
    s.to_move = *調査_次手番(s.to_move);
    view_.描画_手番(s.to_move);
    while (com_ban(s.to_move) == player_computer) {
    }
}

}  // namespace quintora
