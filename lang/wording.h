// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's texts as the window and the page draw them in the player's
// language: each one translated, and a number beside the board that the
// next word takes inside its translation (" 12 " "手目" as "Move 12") held
// back until that word comes. In Japanese every text passes as it is.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quintora::lang {

class Wording {
public:
    struct Text {
        double x, y;
        std::string shown;
        bool translated;
        int palette;
        double points;
    };
    // What to draw now for the game's text at (x, y): nothing (a number held
    // back), the text, or the number held and then the text. `beside`: the
    // text stands right of the board; `row_left`: where a number and its
    // word drawn as one start on their row.
    std::vector<Text> text(double x, double y, std::string_view source, int palette, double points, bool beside,
                           double row_left);
    // Before any other drawing: the number held back, as it is.
    std::optional<Text> let_go();

private:
    std::optional<Text> held_;
};

}  // namespace quintora::lang
