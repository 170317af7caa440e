// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed values of the game: colour codes, yes/no flags, player kinds,
// game modes, the length that wins and the table sizes. What the screen
// needs (geometry, palette) is the view's.

#include <cstdint>

namespace quintora {

using i16 = std::int16_t;

// Colour codes of a cell, a player and the turn.
inline constexpr i16 cell_empty = 0;
inline constexpr i16 colour_black = 1;
inline constexpr i16 colour_blue = 2;
inline constexpr i16 colour_white = 3;
inline constexpr i16 colour_red = 4;
inline constexpr i16 no_game = 9;
// How many colours play, and so how many seats there are.
inline constexpr int colour_count = 4;

// The length of line that wins: exactly this many, no more; a longer line
// wins too only where longer_line_wins says so.
inline constexpr int five_length = 5;
inline constexpr bool longer_line_wins = false;

// Whether a line of `run` stones of one colour wins.
constexpr bool is_winning_run(int run) { return run == five_length || (longer_line_wins && run > five_length); }

// Results of every test and contents of every flag table; integers, not bools.
inline constexpr i16 flag_yes = 1;
inline constexpr i16 flag_no = 0;

inline constexpr i16 player_human = 1;
inline constexpr i16 player_computer = -1;

// One game mode per setup command of the 対局 menu.
inline constexpr i16 mode_solo_black = 1;
inline constexpr i16 mode_solo_blue = 2;
inline constexpr i16 mode_solo_white = 3;
inline constexpr i16 mode_solo_red = 4;
inline constexpr i16 mode_pair_facing = 5;
inline constexpr i16 mode_pair_side = 6;
inline constexpr i16 mode_four = 7;

// How strong the computer plays. 標準 looks one move deep; 入門 picks among
// the moves 標準 finds good enough; 上級 and 名人 search ahead. Zero is 標準,
// so a state nobody set plays as the computer always did.
inline constexpr i16 strength_standard = 0;  // 標準
inline constexpr i16 strength_beginner = 1;  // 入門
inline constexpr i16 strength_expert = 2;    // 上級
inline constexpr i16 strength_master = 3;    // 名人
inline constexpr int strength_count = 4;

// Table sizes: index 0 of either axis is never part of the field.
inline constexpr int board_size = 20;
inline constexpr int field_last = 19;
inline constexpr int history_steps = 501;

constexpr bool is_colour(int c) { return c >= colour_black && c < colour_black + colour_count; }
constexpr bool on_field(int x, int y) { return x >= 1 && x <= field_last && y >= 1 && y <= field_last; }

}  // namespace quintora
