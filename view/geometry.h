// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where things are on the painted surface: twips (1440 per inch, 15 per
// pixel at 96 dpi) of the client area, and cell coordinates turned into them
// as (800 + 315x, 450 + 315y).

namespace quintora {

inline constexpr int cell_width = 315;
inline constexpr int cell_height = 315;
inline constexpr int grid_origin_x = 800;
inline constexpr int grid_origin_y = 450;
inline constexpr double twips_per_pixel = 15.0;

// The client area in layout pixels: the board and the status texts right of
// it. The desktop's window and the page (its build reads these two lines)
// are this size.
inline constexpr int client_width_px = 657;
inline constexpr int client_height_px = 500;

inline constexpr double twips_x(double x) { return grid_origin_x + x * cell_width; }
inline constexpr double twips_y(double y) { return grid_origin_y + y * cell_height; }

}  // namespace quintora
