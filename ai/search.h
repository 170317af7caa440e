// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <optional>

#include "ai/scoring.h"
#include "state/cell.h"

namespace quintora {

// The cell the computer playing `colour` chooses: every candidate cell is
// scored on a working copy of the board recoded for that colour (own stones
// player_computer, all others player_human), and the best one wins. Nothing
// when no candidate cell is empty.
std::optional<Cell> com置場所取得(const Board& board, const ScoreTables& t, i16 colour);

}  // namespace quintora
