// SPDX-License-Identifier: GPL-3.0-or-later
// The setup commands of the 対局 menu and the seat rotation that lets the
// computer colours move until a person's colour is to move.
//
// All seven do the same thing in three situations, and differ only in the
// details the table below holds:
// - no game yet: black is to move; some show black's icon, the turn text or
//   a box, and where a computer holds black it plays at once;
// - the colour the person takes is already to move: a box says so;
// - a game is running: the colours change hands and the computers move.
#include "game/game.h"
#include "state/modes.h"

namespace quintora {

struct SetupCommand {
    i16 mode;
    struct {
        bool icon;
        bool turn_text;
        const char* box = nullptr;  // with its caption; none when null
        const char* caption = nullptr;
        bool computer_moves;
        bool rotate;
    } fresh;
    // The colour the person takes, announced when it is already to move
    // (cell_empty: no such announcement), and whether its icon is redrawn.
    struct {
        i16 colour = cell_empty;
        bool icon = false;
        const char* box = nullptr;
    } held;
    struct {
        bool icon;
        bool rotate;
    } running;
};

namespace {
// One row per game mode, in the order of the modes (1..7).
constexpr SetupCommand setups[mode_count] = {
    // JYUNBAN_1
    {.mode = mode_solo_black,
     .fresh = {.icon = true, .turn_text = true, .box = "黒の番です", .caption = "", .computer_moves = false, .rotate = false},
     .held = {},
     .running = {.icon = true, .rotate = true}},
    // JYUNBAN_2
    {.mode = mode_solo_blue,
     .fresh = {.icon = true, .turn_text = false, .computer_moves = true, .rotate = true},
     .held = {.colour = colour_blue, .icon = false, .box = "青の番です"},
     .running = {.icon = false, .rotate = true}},
    // JYUNBAN_3
    {.mode = mode_solo_white,
     .fresh = {.icon = false, .turn_text = false, .computer_moves = true, .rotate = true},
     .held = {.colour = colour_white, .icon = false, .box = "白の番です"},
     .running = {.icon = false, .rotate = true}},
    // JYUNBAN_4
    {.mode = mode_solo_red,
     .fresh = {.icon = true, .turn_text = false, .computer_moves = true, .rotate = true},
     .held = {.colour = colour_red, .icon = true, .box = "赤の番です"},
     .running = {.icon = false, .rotate = true}},
    // PLAY_TOIMEN
    {.mode = mode_pair_facing,
     .fresh = {.icon = true, .turn_text = false, .box = "下の番です", .caption = " ", .computer_moves = false, .rotate = false},
     .held = {},
     .running = {.icon = false, .rotate = true}},
    // PLAY_TONARI
    {.mode = mode_pair_side,
     .fresh = {.icon = true, .turn_text = false, .computer_moves = true, .rotate = true},
     .held = {},
     .running = {.icon = true, .rotate = true}},
    // PLAY_4
    {.mode = mode_four,
     .fresh = {.icon = true, .turn_text = false, .box = "黒の番です", .caption = "", .computer_moves = false, .rotate = false},
     .held = {},
     .running = {.icon = true, .rotate = false}},
};
}  // namespace

void Game::run_setup(const SetupCommand& command) {
    GameState& s = *s_;
    for (const Colour c : Colour::all()) {
        s.player_kind[c.code()] = mode_player_kinds[command.mode - 1][c];
        if (computer_seats_ & (1 << c.index())) s.player_kind[c.code()] = player_computer;
    }
    s.game_mode = command.mode;

    if (s.to_move == no_game) {
        const auto& f = command.fresh;
        s.to_move = colour_black;
        if (f.icon) view_.描画_打手(s.to_move);
        if (f.turn_text) view_.描画_手番(s.to_move);
        if (f.box) p_.dialogs.message(f.box, f.caption);
        if (f.computer_moves) com_ban(s.to_move);
        if (f.rotate) 対局_回転(s.to_move);
    } else if (s.to_move == command.held.colour) {
        if (command.held.icon) view_.描画_打手(s.to_move);
        p_.dialogs.message(command.held.box, " ");
        対局_回転(s.to_move);
    } else {
        if (command.running.icon) view_.描画_打手(s.to_move);
        if (command.running.rotate) 対局_回転(s.to_move);
    }
    // Colours handed to the computer play in every mode, the four people's too.
    if (computer_seats_ != 0) 対局_回転(s.to_move);
}

void Game::hand_to_computer(int seats) {
    computer_seats_ |= seats & 15;
    GameState& s = *s_;
    if (s.game_mode == no_game) return;
    for (const Colour c : Colour::all())
        if (computer_seats_ & (1 << c.index())) s.player_kind[c.code()] = player_computer;
    対局_回転(s.to_move);
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

void Game::on_JYUNBAN_1() { run_setup(setups[mode_solo_black - 1]); }
void Game::on_JYUNBAN_2() { run_setup(setups[mode_solo_blue - 1]); }
void Game::on_JYUNBAN_3() { run_setup(setups[mode_solo_white - 1]); }
void Game::on_JYUNBAN_4() { run_setup(setups[mode_solo_red - 1]); }
void Game::on_PLAY_TOIMEN() { run_setup(setups[mode_pair_facing - 1]); }
void Game::on_PLAY_TONARI() { run_setup(setups[mode_pair_side - 1]); }
void Game::on_PLAY_4() { run_setup(setups[mode_four - 1]); }

}  // namespace quintora
