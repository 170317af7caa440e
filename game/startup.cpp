// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up, the reset for a new game, the about box and the way out.
#include <cstdlib>

#include "game/game.h"
#include "position/position.h"

namespace quintora {

namespace {
// Lines of the about box, one carriage return between lines.
constexpr std::string_view about_text =
    "QuintoraⅠ\r"
    "\r"
    "Version 1.0\r"
    "\r"
    "Home page\r"
    "https://quintora.example.org/\r"
    "\r"
    "e-mail\r"
    "quintora@example.org";
}  // namespace

void Game::起動(std::int32_t window) {
    GameState& s = *s_;
    module1_.初期化_サウンド(window);
    s.snd_other = module1_.読込_サウンド("その他.wav", 3);
    s.snd_forbidden = module1_.読込_サウンド("禁止.wav", 3);
    s.snd_stone = module1_.読込_サウンド("石打音.wav", 3);
    s.snd_game_end = module1_.読込_サウンド("終局.wav", 3);
    s.snd_bgm = module1_.読込_サウンド("BGM.wav", 1);
    module1_.play_looping(s.snd_bgm);
    p_.marks.set_checked(Mark::BGM, true);

    s.to_move = no_game;
    s.resume_pending = flag_no;
    view_.描画_背景();
    s.last_x = 0;
    s.last_y = 0;
    p_.marks.set_checked(Mark::TEJYUN, false);
    show_strength();
    s.game_mode = no_game;
    view_.描画_枠();
    初期設定();
    view_.描画_盤();
    view_.描画_題名();
    view_.refresh();
}

void Game::初期設定() {
    GameState& s = *s_;
    view_.消去_全手番アイコン();
    s.to_move = no_game;
    s.game_mode = no_game;
    view_.描画_四角形(21.5, 5, 2200, 300, board_colour);
    view_.描画_四角形(21, 6, 1800, 2600, board_colour);
    for (int x = 1; x <= field_last; ++x)
        for (int y = 1; y <= field_last; ++y)
            if (s.board[x][y] != cell_empty) view_.描画_桝(x, y);
    reset_position(s);
    options_.読込_環境設定ファイル();
    options_.読込_環境設定データ();
}

void Game::on_SAISYO() { 初期設定(); }

void Game::終了処理() {
    GameState& s = *s_;
    module1_.free(s.snd_other);
    module1_.free(s.snd_forbidden);
    module1_.free(s.snd_stone);
    module1_.free(s.snd_game_end);
    module1_.free(s.snd_bgm);
    module1_.終了_サウンド();
}

void Game::終了() {
    終了処理();
    p_.exit.end_process(0);
    std::abort();  // an exit that came back would leave a half-freed program
}

void Game::on_key(int character) {
    if (character == 27) 終了();
}

void Game::on_about() {
    module1_.play(s_->snd_other);
    p_.dialogs.about(about_text);
}

}  // namespace quintora
