// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "state/game_state.h"

namespace quintora {

// A stone may go on any empty cell: no pattern of stones is forbidden.
// The range test is that of the table (0..19); the caller keeps to the field.
i16 調査_置けるか(const Board& board, int x, int y);

}  // namespace quintora
