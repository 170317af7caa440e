// SPDX-License-Identifier: GPL-3.0-or-later
// A person's press on the board: a refusal, the computers' turn, the
// confirmation after walking through the history, or a stone.
#include <cmath>

#include "game/game.h"
#include "rules/five.h"
#include "rules/placement.h"

namespace quintora {

namespace {
// The cell under a press at (x, y) twips; nothing off the field.
std::optional<Cell> cell_at(double x, double y) {
    const double cx = std::floor((x - grid_origin_x) / cell_width);
    const double cy = std::floor((y - grid_origin_y) / cell_height);
    if (!(cx >= 0 && cx < board_size && cy >= 0 && cy < board_size)) return std::nullopt;  // also NaN
    const Cell cell{int(cx), int(cy)};
    if (!cell.on_field()) return std::nullopt;
    return cell;
}
}  // namespace

void Game::on_board_press(double x, double y) {
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

    const std::optional<Cell> cell = cell_at(x, y);
    if (!cell) return;  // off the field: silently
    if (調査_置けるか(s.board, cell->x, cell->y) == flag_no) {
        module1_.play(s.snd_forbidden);
        return;
    }
    if (commit_stone(*cell, *to_move, by_person)) return;

    if (s.game_mode == mode_four) {
        pass_turn(s.to_move, *to_move);
        return;
    }
    設定_五止座標(s.board, s.five_stop, s.to_move, cell->x, cell->y);
    pass_turn(s.to_move, *to_move);
    while (com_ban(s.to_move) == player_computer) {
    }
}

}  // namespace quintora
