// SPDX-License-Identifier: GPL-3.0-or-later
// A person's press on the board: a refusal, the computers' turn, the
// confirmation after walking through the history, or a stone.
#include "game/game.h"
#include "position/position.h"
#include "rules/placement.h"

namespace quintora {

void Game::on_board_press(double x, double y) { apply(Command::press_at(cell_under(x, y))); }

void Game::on_cell_press(std::optional<Cell> cell) {
    GameState& s = *s_;

    if (s.game_mode == no_game) {
        module1_.play(s.snd_forbidden);
        p_.dialogs.message("「対局」で始めて下さい", "開始");
        return;
    }
    const std::optional<Colour> to_move = Colour::from_code(s.to_move);
    if (!to_move) return;  // a game runs only with a colour to move

    if (s.game_mode != mode_four && s.player_kind[s.to_move] == player_computer) {
        while (com_ban(s.to_move) == player_computer) {
        }
        return;
    }

    if (s.resume_pending == flag_yes) {
        p_.dialogs.message("OKですか？", "再開");
        s.resume_pending = flag_no;
        p_.dialogs.message(std::string(to_move->kanji()) + "の番です", "再開");
        return;
    }

    if (!cell) return;  // off the field: silently
    if (調査_置けるか(s.board, cell->x, cell->y) == flag_no) {
        module1_.play(s.snd_forbidden);
        return;
    }
    if (commit_stone(*cell, *to_move, by_person)) return;

    if (four_people_skip_five_stops(s)) {
        pass_turn(s.to_move, *to_move);
        // Colours a room handed to the computer move here too.
        if (computer_seats_ != 0) 対局_回転(s.to_move);
        return;
    }
    note_five_stops(s, *cell, *to_move);
    pass_turn(s.to_move, *to_move);
    while (com_ban(s.to_move) == player_computer) {
    }
}

}  // namespace quintora
