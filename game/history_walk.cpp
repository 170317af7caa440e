// SPDX-License-Identifier: GPL-3.0-or-later
// Walking through the stored positions of the game: 戻 and 進.
#include "game/history_walk.h"

#include "position/position.h"

namespace quintora {

// Paints the cells that differ between history steps `from` and `to`; a
// stone that appears gets the last-stone mark when `mark_appearing`.
void HistoryWalk::redraw_between(int from, int to, bool mark_appearing) {
    const GameState& s = s_;
    for (int i = 1; i <= field_last; ++i)
        for (int j = 1; j <= field_last; ++j) {
            const i16 v = s.board_history[to][i][j];
            if (v == s.board_history[from][i][j]) continue;
            if (v == cell_empty) {
                view_.描画_桝(i, j);
            } else {
                view_.描画_駒(i, j, v);
                if (mark_appearing) view_.描画_打駒印(i, j, mark_colour);
            }
        }
}

void HistoryWalk::on_MODORU() {
    GameState& s = s_;
    // The game mode is left as it is: a step back keeps the game running in
    // its own mode, with its own people and computers.
    s.resume_pending = flag_yes;
    if (s.move_number == 0) {
        sound_.play(s.snd_forbidden);
        p_.dialogs.message("戻れません", "戻る");
        return;
    }
    take_back_stone(s);
    redraw_between(s.move_number + 1, s.move_number, false);
    if (s.move_number > 0) {
        view_.描画_駒(s.last_x, s.last_y, s.last_colour);
        view_.描画_打駒印(s.last_x, s.last_y, mark_colour);
    }
    view_.描画_手数(s.move_number);
    sound_.play(s.snd_stone);
    if (p_.marks.checked(Mark::TEJYUN)) view_.描画_全手順番号(s.move_number - 1);
    view_.描画_手番(s.to_move);
}

void HistoryWalk::on_SUSUMU() {
    GameState& s = s_;
    s.resume_pending = flag_yes;
    if (s.move_number >= s.max_move_number) {
        sound_.play(s.snd_forbidden);
        p_.dialogs.message("進めません", "進む");
        return;
    }
    step_forward(s);
    // The stone that was last loses its mark.
    if (s.move_number > 1) {
        const int k = s.move_number - 2;
        view_.描画_駒(s.move_x[k], s.move_y[k], s.move_colour[k]);
    }
    view_.描画_手数(s.move_number);
    sound_.play(s.snd_stone);
    redraw_between(s.move_number - 1, s.move_number, true);
    if (p_.marks.checked(Mark::TEJYUN)) view_.描画_全手順番号(s.move_number - 1);
    view_.描画_手番(s.to_move);
}

}  // namespace quintora
