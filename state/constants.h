#pragma once
// The fixed values of the game: colour codes, yes/no flags, player kinds,
// game modes, palette indices and the board geometry in twips.

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

// Indices into the classic 16-colour palette.
inline constexpr i16 palette_black = 0;
inline constexpr i16 board_colour = 2;
inline constexpr i16 mark_colour = 11;
inline constexpr i16 palette_white = 15;

// Board geometry in twips (1440 per inch, 15 per pixel at 96 dpi).
inline constexpr i16 cell_width = 315;
inline constexpr i16 cell_height = 315;
inline constexpr i16 grid_origin_x = 800;
inline constexpr i16 grid_origin_y = 450;
inline constexpr double twips_per_pixel = 15.0;

// Table sizes: index 0 of either axis is never part of the field.
inline constexpr int board_size = 20;
inline constexpr int field_last = 19;
inline constexpr int history_steps = 501;

constexpr bool is_colour(int c) { return c >= colour_black && c <= colour_red; }
constexpr bool on_field(int x, int y) { return x >= 1 && x <= field_last && y >= 1 && y <= field_last; }

// player_kind of black, blue, white and red for each game mode (index mode - 1).
inline constexpr i16 mode_player_kinds[7][4] = {
    {player_human, player_computer, player_computer, player_computer},  // mode_solo_black
    {player_computer, player_human, player_computer, player_computer},  // mode_solo_blue
    {player_computer, player_computer, player_human, player_computer},  // mode_solo_white
    {player_computer, player_computer, player_computer, player_human},  // mode_solo_red
    {player_human, player_computer, player_human, player_computer},     // mode_pair_facing
    {player_computer, player_human, player_computer, player_human},     // mode_pair_side
    {player_human, player_human, player_human, player_human},           // mode_four
};

}  // namespace quintora
