// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The fixed board the screen-scale tests draw: a fresh window, four people
// (4_PLAY), icons and move numbers ticked, then 109 presses in reading order
// over columns A..S (1..18) of rows 1..6 and the first cell of row 7. With
// rows 18 cells wide the colours along every line cycle, so no colour ever
// has two neighbours and nobody makes five; 109 stones give one-, two- and
// three-digit numbers, and blue (a person) is to move, with its icon shown.

#include <QImage>
#include <QPoint>

#include "app/qt_form1.h"

namespace quintora::testing {

inline constexpr int scenario_stones = 109;

void play_scenario(Form1& form);

// A press point at the centre of cell (x, y), in the canvas's layout pixels.
QPoint cell_centre(int x, int y);

// The canvas as the window shows it: the surface with the icon above it.
QImage shown(Form1& form);

}  // namespace quintora::testing
