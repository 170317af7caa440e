// SPDX-License-Identifier: GPL-3.0-or-later
// One computer turn, from the thinking notice to the next colour.
#include <algorithm>
#include <memory>

#include "ai/strength.h"
#include "game/game.h"
#include "position/position.h"

namespace quintora {

std::optional<i16> Game::com_ban(i16& turn) {
    GameState& s = *s_;
    const std::optional<Colour> colour = Colour::from_code(turn);
    if (!colour) return std::nullopt;  // no colour to move: nothing to play

    view_.描画_文字列(22, 11, "思考中", palette_white, 12);
    view_.refresh();
    p_.pause.wait(0.5);
    if (before_search) before_search(turn);
    std::optional<Cell> cell;
    if (s.strength == strength_expert || s.strength == strength_master) {
        // The search works on copies: nothing it reads can change under it.
        struct Copies {
            Board board, near_flag, five_stop;
            CentreBonus centre_bonus;
        };
        auto in = std::make_unique<Copies>();
        std::copy(&s.board[0][0], &s.board[0][0] + board_size * board_size, &in->board[0][0]);
        std::copy(&s.near_flag[0][0], &s.near_flag[0][0] + board_size * board_size, &in->near_flag[0][0]);
        std::copy(&s.five_stop[0][0], &s.five_stop[0][0] + board_size * board_size, &in->five_stop[0][0]);
        std::copy(&s.centre_bonus[0][0], &s.centre_bonus[0][0] + board_size * board_size, &in->centre_bonus[0][0]);
        const i16 strength = s.strength;
        thinking_->run([&in, &cell, turn, strength] {
            cell = choose_cell(in->board, {in->near_flag, in->five_stop, in->centre_bonus}, turn, strength);
        });
    } else {
        cell = choose_cell(s.board, {s.near_flag, s.five_stop, s.centre_bonus}, turn, s.strength);
    }
    view_.描画_四角形(22, 11, 1000, 300, board_colour);

    if (!cell) {
        // No candidate cell is left (a full board): the game ends in a draw.
        view_.refresh();
        p_.dialogs.message("引き分け", "判定");
        s.game_mode = no_game;
        return std::nullopt;
    }

    if (commit_stone(*cell, *colour, by_computer)) return std::nullopt;
    note_five_stops(s, *cell, *colour);
    pass_turn(turn, *colour);
    return s.player_kind[turn];
}

}  // namespace quintora
