// The setup commands of the 対局 menu and the seat rotation that lets the
// computer colours move until a person's colour is to move.
#include "game/game.h"

namespace quintora {

void Game::set_mode(i16 mode) {
    for (int c = 0; c < 4; ++c) s_->player_kind[c + 1] = mode_player_kinds[mode - 1][c];
    s_->game_mode = mode;
}

void Game::対局_回転(i16& c) {
    for (;;) {
        // The game-mode test comes first: a computer's win answered with Yes,
        // or the draw exit, leaves no game and maybe no colour to index with.
        if (s_->game_mode == no_game || !is_colour(c) || s_->player_kind[c] == player_human) return;
        view_.描画_打手(c);
        com_ban(s_->to_move);
        view_.描画_打手(c);
    }
}

void Game::on_JYUNBAN_1() {
    GameState& s = *s_;
    set_mode(mode_solo_black);
    if (s.to_move == no_game) {
        s.to_move = colour_black;
        view_.描画_打手(s.to_move);
        view_.描画_手番(s.to_move);
        p_.dialogs.message("黒の番です", "");
    } else {
        view_.描画_打手(s.to_move);
        対局_回転(s.to_move);
    }
}

void Game::on_JYUNBAN_2() {
    GameState& s = *s_;
    set_mode(mode_solo_blue);
    if (s.to_move == colour_blue) {
        p_.dialogs.message("青の番です", " ");
    } else if (s.to_move == no_game) {
        s.to_move = colour_black;
        view_.描画_打手(s.to_move);
        com_ban(s.to_move);
    }
    対局_回転(s.to_move);
}

void Game::on_JYUNBAN_3() {
    GameState& s = *s_;
    set_mode(mode_solo_white);
    if (s.to_move == colour_white) {
        p_.dialogs.message("白の番です", " ");
    } else if (s.to_move == no_game) {
        s.to_move = colour_black;
        com_ban(s.to_move);
    }
    対局_回転(s.to_move);
}

void Game::on_JYUNBAN_4() {
    GameState& s = *s_;
    set_mode(mode_solo_red);
    if (s.to_move == colour_red) {
        view_.描画_打手(s.to_move);
        p_.dialogs.message("赤の番です", " ");
    } else if (s.to_move == no_game) {
        s.to_move = colour_black;
        view_.描画_打手(s.to_move);
        com_ban(s.to_move);
    }
    対局_回転(s.to_move);
}

void Game::on_PLAY_TOIMEN() {
    GameState& s = *s_;
    set_mode(mode_pair_facing);
    if (s.to_move == no_game) {
        s.to_move = colour_black;
        view_.描画_打手(s.to_move);
        p_.dialogs.message("下の番です", " ");
    } else {
        対局_回転(s.to_move);
    }
}

void Game::on_PLAY_TONARI() {
    GameState& s = *s_;
    set_mode(mode_pair_side);
    if (s.to_move == no_game) {
        s.to_move = colour_black;
        view_.描画_打手(s.to_move);
        com_ban(s.to_move);
        対局_回転(s.to_move);
    } else {
        view_.描画_打手(s.to_move);
        対局_回転(s.to_move);
    }
}

void Game::on_PLAY_4() {
    GameState& s = *s_;
    set_mode(mode_four);
    if (s.to_move == no_game) {
        s.to_move = colour_black;
        view_.描画_打手(s.to_move);
        p_.dialogs.message("黒の番です", "");
    } else {
        view_.描画_打手(s.to_move);
    }
}

}  // namespace quintora
