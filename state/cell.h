// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A cell of the board tables, (column, row). The tables run 0..19 on both
// axes; only 1..19 is the field.

#include "state/constants.h"

namespace quintora {

struct Cell {
    int x = 0;
    int y = 0;
    constexpr bool on_field() const { return quintora::on_field(x, y); }
    friend constexpr bool operator==(Cell, Cell) = default;
};

}  // namespace quintora
