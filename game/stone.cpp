// SPDX-License-Identifier: GPL-3.0-or-later
// Putting a stone down, for a person and for a computer alike: the position
// takes it, the screen and the speakers show it, and a five ends the game.
#include "game/game.h"
#include "position/position.h"

namespace quintora {

void Game::pass_turn(i16& turn, Colour mover) {
    turn = mover.next().code();
    view_.描画_手番(turn);
}

bool Game::commit_stone(Cell cell, Colour colour, const StoneManner& manner) {
    GameState& s = *s_;
    // The stone before, as the screen shows it. A person's stone is on the
    // board before the screen looks, so on the cell of a stone a reset took
    // away it finds a stone there.
    const PreviousStone previous{
        .at = Cell{s.last_x, s.last_y},
        .colour = s.last_colour,
        .on_board = s.last_x > 0 && (s.board[s.last_x][s.last_y] != cell_empty ||
                                     (manner.board_first && Cell{s.last_x, s.last_y} == cell)),
        .stones = s.move_number,
    };
    const bool five = play_stone(s, cell, colour);
    show_stone(cell, colour, manner, previous);
    if (!five) return false;
    描画_5並点滅(colour.code(), cell.x, cell.y);
    対局_判定(colour.code());
    s.game_mode = no_game;
    return true;
}

void Game::show_stone(Cell cell, Colour colour, const StoneManner& manner, const PreviousStone& previous) {
    const i16 c = colour.code();
    // The stone before loses its mark; the new one is painted and marked.
    if (previous.on_board) view_.描画_駒(previous.at.x, previous.at.y, previous.colour);
    view_.描画_駒(cell.x, cell.y, c);
    if (manner.pause_before_sound > 0) p_.pause.wait(manner.pause_before_sound);
    if (manner.sound_before_mark) module1_.play(s_->snd_stone);
    view_.描画_打駒印(cell.x, cell.y, mark_colour);
    if (!manner.sound_before_mark) module1_.play(s_->snd_stone);
    if (manner.pause_after_mark > 0) {
        view_.refresh();
        p_.pause.wait(manner.pause_after_mark);
    }
    // The stone before gets its number when numbers are shown.
    if (p_.marks.checked(Mark::TEJYUN) && previous.stones > 0)
        view_.描画_手順番号(previous.at.x, previous.at.y, previous.stones, digit_palette(previous.colour));
    view_.描画_手数(previous.stones + 1);
}

}  // namespace quintora
