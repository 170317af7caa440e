// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a screen reader says of the board, the same words on the desktop and
// in the page. The words are the game's own (Japanese); the front end hands
// in its catalog's lookup (lang::tr) to put each in the player's language.

#include <string>
#include <string_view>
#include <vector>

#include "state/cell.h"
#include "state/game_state.h"

namespace quintora {

using Translate = std::string (*)(std::string_view source, std::string_view context);

// A cell and what is on it: "K10 黒", "K11 空".
std::string cell_reading(const GameState& s, Cell c, Translate tr);

// The stones put down since the last call, each whose and where ("黒 K10"),
// the computers' included; after a walk back through the history, the ones
// put down again from there.
class StoneReader {
public:
    std::vector<std::string> since(const GameState& s, Translate tr);
    // Once, when the game goes (最初 clears the board and ends it): how to
    // start another. Empty otherwise.
    std::string ended(const GameState& s, Translate tr);

private:
    int read_ = 0;
    bool in_game_ = false;
};

}  // namespace quintora
