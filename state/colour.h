#pragma once
// A colour of the four players as a value: it holds black, blue, white or red
// and nothing else, so it can index a per-colour table without a range check.
// The game state keeps its colour codes as int16 (cell_empty, no_game and the
// computer's recoded stones share that storage); a Colour is made from a code
// where the game needs one of the four for sure.

#include <optional>
#include <string_view>

#include "state/constants.h"

namespace quintora {

class Colour {
public:
    // Nothing for cell_empty, no_game or any other code.
    static constexpr std::optional<Colour> from_code(int code) {
        if (!is_colour(code)) return std::nullopt;
        return Colour(i16(code));
    }
    static constexpr Colour black() { return Colour(colour_black); }
    static constexpr Colour blue() { return Colour(colour_blue); }
    static constexpr Colour white() { return Colour(colour_white); }
    static constexpr Colour red() { return Colour(colour_red); }

    constexpr i16 code() const { return code_; }
    constexpr int index() const { return code_ - colour_black; }  // 0..3
    // The colour that moves after this one: black, blue, white, red, black…
    constexpr Colour next() const { return Colour(code_ == colour_red ? colour_black : i16(code_ + 1)); }
    // "黒", "青", "白" or "赤", as the boxes and the turn text name it.
    constexpr std::string_view kanji() const {
        constexpr std::string_view names[4] = {"黒", "青", "白", "赤"};
        return names[index()];
    }

    friend constexpr bool operator==(Colour, Colour) = default;

private:
    constexpr explicit Colour(i16 code) : code_(code) {}
    i16 code_;
};

}  // namespace quintora
