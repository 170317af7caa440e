// SPDX-License-Identifier: GPL-3.0-or-later
#include "position/position.h"

#include "ai/scoring.h"
#include "rules/five.h"

namespace quintora {

namespace {
void board_of_step(GameState& s, int t) {
    for (int x = 1; x <= field_last; ++x)
        for (int y = 1; y <= field_last; ++y) s.board[x][y] = s.board_history[t][x][y];
}
}  // namespace

void reset_position(GameState& s) {
    s.max_move_number = 0;
    s.move_number = 0;
    初期化_五止座標(s.five_stop);
    for (int x = 1; x <= field_last; ++x)
        for (int y = 1; y <= field_last; ++y) {
            s.near_flag[x][y] = flag_no;
            s.board[x][y] = cell_empty;
        }
    s.near_flag[10][10] = flag_yes;
    設定_中央得点(s);
    調査_保存(s, s.move_number);
}

bool play_stone(GameState& s, Cell cell, Colour colour) {
    const i16 c = colour.code();
    s.last_x = i16(cell.x);
    s.last_y = i16(cell.y);
    s.last_colour = c;
    s.move_x[s.move_number] = i16(cell.x);
    s.move_y[s.move_number] = i16(cell.y);
    s.move_colour[s.move_number] = c;
    s.board[cell.x][cell.y] = c;
    隣接範囲フラグセット(s.near_flag, cell.x, cell.y);
    s.move_number++;
    調査_保存(s, s.move_number);
    s.max_move_number = s.move_number;
    return 調査_5並び(s.board, c, cell.x, cell.y) == flag_yes;
}

void note_five_stops(GameState& s, Cell cell, Colour colour) {
    設定_五止座標(s.board, s.five_stop, colour.code(), cell.x, cell.y);
}

void take_back_stone(GameState& s) {
    s.move_number--;
    s.to_move = s.move_colour[s.move_number];
    初期化_五止座標(s.five_stop);
    board_of_step(s, s.move_number);
    if (s.move_number > 0) {
        const int k = s.move_number - 1;
        s.last_x = s.move_x[k];
        s.last_y = s.move_y[k];
        s.last_colour = s.move_colour[k];
    }
}

void step_forward(GameState& s) {
    if (auto next = 調査_次手番(s.to_move)) s.to_move = *next;
    if (s.move_number > 0) {
        s.last_x = s.move_x[s.move_number];
        s.last_y = s.move_y[s.move_number];
        s.last_colour = s.move_colour[s.move_number];
    }
    s.move_number++;
    board_of_step(s, s.move_number);
}

}  // namespace quintora
