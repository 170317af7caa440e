// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A position's fingerprint: 64 bits over everything a player can see and
// everything that decides the next move. Two machines that show the same game
// have the same signature; one stone, mark or option apart, they differ.

#include <cstdint>

#include "ports/marks.h"
#include "state/game_state.h"

namespace quintora {

// `computer_seats`: the colours handed to the computer in a room.
std::uint64_t position_signature(const GameState& s, const Marks& marks, int computer_seats = 0);
// The same without the marks: what every machine of a room shares.
std::uint64_t shared_position_signature(const GameState& s, int computer_seats = 0);

// FNV-1a, 64 bits: small, exact on every machine, and good enough to tell
// positions apart (no adversary chooses them to collide).
class Fnv1a {
public:
    void add(const void* bytes, std::size_t size);
    template <typename T>
    void add_value(T v) {
        add(&v, sizeof v);
    }
    std::uint64_t value() const { return h_; }

private:
    std::uint64_t h_ = 0xcbf29ce484222325ULL;
};

}  // namespace quintora
