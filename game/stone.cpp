// SPDX-License-Identifier: GPL-3.0-or-later
// Putting a stone down, for a person and for a computer alike: painting,
// sound, the move record, the candidate area, the history step, and the
// test for a five that ends the game.
#include "ai/scoring.h"
#include "game/game.h"
#include "rules/five.h"

namespace quintora {

void Game::number_previous_stone() {
    const GameState& s = *s_;
    if (!p_.marks.checked(Mark::TEJYUN) || s.move_number <= 0) return;
    view_.描画_手順番号(s.last_x, s.last_y, s.move_number, digit_palette(s.last_colour));
}

void Game::pass_turn(i16& turn, Colour mover) {
    turn = mover.next().code();
    view_.描画_手番(turn);
}

bool Game::commit_stone(Cell cell, Colour colour, const StoneManner& manner) {
    GameState& s = *s_;
    const i16 c = colour.code();
    if (manner.board_first) s.board[cell.x][cell.y] = c;

    // The previous stone loses its mark, the new one is painted and marked.
    if (s.last_x > 0 && s.board[s.last_x][s.last_y] != cell_empty) view_.描画_駒(s.last_x, s.last_y, s.last_colour);
    view_.描画_駒(cell.x, cell.y, c);
    if (manner.pause_before_sound > 0) p_.pause.wait(manner.pause_before_sound);
    if (manner.sound_before_mark) module1_.play(s.snd_stone);
    view_.描画_打駒印(cell.x, cell.y, mark_colour);
    if (!manner.sound_before_mark) module1_.play(s.snd_stone);
    if (manner.pause_after_mark > 0) {
        view_.refresh();
        p_.pause.wait(manner.pause_after_mark);
    }
    number_previous_stone();

    s.last_x = i16(cell.x);
    s.last_y = i16(cell.y);
    s.last_colour = c;
    s.move_x[s.move_number] = i16(cell.x);
    s.move_y[s.move_number] = i16(cell.y);
    s.move_colour[s.move_number] = c;
    view_.描画_手数(s.move_number + 1);
    if (!manner.board_first) s.board[cell.x][cell.y] = c;
    隣接範囲フラグセット(s.near_flag, cell.x, cell.y);
    s.move_number++;
    調査_保存(s, s.move_number);
    s.max_move_number = s.move_number;

    if (調査_5並び(s.board, c, cell.x, cell.y) == flag_no) return false;
    描画_5並点滅(c, cell.x, cell.y);
    対局_判定(c);
    s.game_mode = no_game;
    return true;
}

}  // namespace quintora
