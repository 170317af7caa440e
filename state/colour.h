// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A colour of the players as a value: it holds one of the colour_count
// colours and nothing else, so it indexes a per-colour map without a range
// check. The game state keeps its colour codes as int16 (cell_empty, no_game
// and the computer's recoded stones share that storage); a Colour is made
// from a code where the game needs a colour for sure.

#include <array>
#include <optional>
#include <string_view>
#include <utility>

#include "state/constants.h"

namespace quintora {

class Colour {
public:
    // Nothing for cell_empty, no_game or any other code.
    static constexpr std::optional<Colour> from_code(int code) {
        if (!is_colour(code)) return std::nullopt;
        return Colour(i16(code));
    }
    // Every colour in the order of play: black, blue, white, red.
    static constexpr std::array<Colour, colour_count> all() {
        return []<std::size_t... i>(std::index_sequence<i...>) {
            return std::array<Colour, colour_count>{Colour(i16(colour_black + int(i)))...};
        }(std::make_index_sequence<colour_count>{});
    }

    constexpr i16 code() const { return code_; }
    constexpr int index() const { return code_ - colour_black; }  // 0 .. colour_count - 1
    // The colour that moves after this one; after the last comes the first.
    // The only place the turn order is written.
    constexpr Colour next() const { return Colour(i16(colour_black + (index() + 1) % colour_count)); }
    // "黒", "青", "白" or "赤", as the boxes and the turn text name it.
    constexpr std::string_view kanji() const;

    friend constexpr bool operator==(Colour, Colour) = default;

private:
    constexpr explicit Colour(i16 code) : code_(code) {}
    i16 code_;
};

// One value per colour, indexed by Colour.
template <class T>
struct ColourMap {
    std::array<T, colour_count> values;
    constexpr T& operator[](Colour c) { return values[std::size_t(c.index())]; }
    constexpr const T& operator[](Colour c) const { return values[std::size_t(c.index())]; }
};

inline constexpr ColourMap<std::string_view> colour_kanji{{"黒", "青", "白", "赤"}};

constexpr std::string_view Colour::kanji() const { return colour_kanji[*this]; }

}  // namespace quintora
