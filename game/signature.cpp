// SPDX-License-Identifier: GPL-3.0-or-later
#include "game/signature.h"

#include <algorithm>

namespace quintora {

void Fnv1a::add(const void* bytes, std::size_t size) {
    const auto* b = static_cast<const unsigned char*>(bytes);
    for (std::size_t i = 0; i < size; ++i) {
        h_ ^= b[i];
        h_ *= 0x100000001b3ULL;
    }
}

namespace {

void add_position(Fnv1a& h, const GameState& s, int computer_seats) {
    // Integers only, each at its own width: the same bytes on every machine
    // of one byte order. The centre bonus is a constant table, the sound
    // handles are this machine's own: neither is part of a position.
    h.add(s.board, sizeof s.board);
    const int stored = std::clamp<int>(s.max_move_number, 0, history_steps - 1);
    for (int m = 0; m <= stored; ++m) h.add(s.board_history[m], sizeof s.board_history[m]);
    h.add(s.move_x, sizeof(i16) * std::size_t(stored));
    h.add(s.move_y, sizeof(i16) * std::size_t(stored));
    h.add(s.move_colour, sizeof(i16) * std::size_t(stored));
    for (const i16 v : {s.move_number, s.max_move_number, s.to_move, s.game_mode, s.resume_pending, s.last_x,
                        s.last_y, s.last_colour})
        h.add_value(v);
    h.add(s.player_kind, sizeof s.player_kind);
    h.add(s.near_flag, sizeof s.near_flag);
    h.add(s.five_stop, sizeof s.five_stop);
    // Only a room hands colours to the computer: a game alone hashes as it always did.
    if (computer_seats != 0) h.add_value(std::uint8_t(computer_seats));
}

}  // namespace

std::uint64_t shared_position_signature(const GameState& s, int computer_seats) {
    Fnv1a h;
    add_position(h, s, computer_seats);
    return h.value();
}

std::uint64_t position_signature(const GameState& s, const Marks& marks, int computer_seats) {
    Fnv1a h;
    add_position(h, s, computer_seats);
    for (const Mark m : {Mark::TEJYUN, Mark::AICON, Mark::BGM}) h.add_value(std::uint8_t(marks.checked(m)));
    // The strength decides the computer's next stones. 標準 adds nothing, so
    // a game at 標準 keeps the signature it always had.
    if (s.strength != strength_standard) h.add_value(s.strength);
    return h.value();
}

}  // namespace quintora
