// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes through the room's readers, what a stranger or a member
// can put on a room's topics: the sealed envelope (under a fixed room key)
// and every message's strict reader. Whatever a reader takes must read back
// the same from the text written for it, so that a machine that relays it
// says what it heard.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "net/protocol.h"
#include "net/sealed.h"
#include "sodium/sodium_crypto.h"

using namespace quintora;
using namespace quintora::net;

namespace {

std::string text_of(const ToOrderer& m) {
    return std::visit([](const auto& v) { return message_text(v); }, m);
}
template <class T>
std::string text_of(const T& m) {
    return message_text(m);
}

template <class Parse>
void round_trip(std::string_view text, Parse parse) {
    const auto m = parse(text);
    if (!m) return;
    const auto again = parse(text_of(*m));
    if (!again || text_of(*again) != text_of(*m)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static sodium::SodiumCrypto crypto;
    static const RoomKeys room = room_keys(crypto, "fuzz");
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    if (const auto opened = open_message(crypto, room, text)) {
        if (!valid_name(opened->sender)) std::abort();
        (void)signed_by(crypto, room, "step", *opened, Bytes(32, '\0'));
    }
    round_trip(text, parse_to_orderer);
    round_trip(text, parse_step);
    round_trip(text, parse_journal_message);
    round_trip(text, parse_seats);
    round_trip(text, parse_orderer);
    return 0;
}
