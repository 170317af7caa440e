// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Every message of a room, signed by its sender and sealed with the room's
// key. The room's link carries a secret; from it come the room's id (the
// topics and the broker's user name: no room name on the wire) and the key
// of the secret boxes. A broker, or anyone subscribed to it, sees only the
// id and sealed bytes; a member who can open the boxes still cannot speak in
// another machine's name, since every message is signed.
//
// On the wire (text, so that every broker and client passes it as it is):
//   base64(nonce[24] || secretbox(signature[64] || "SENDER SEQ\n" || BODY))
// The signature covers the room's id, the kind of message (its topic) and
// the rest, so that a message is good only in its own room and topic.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "net/crypto.h"

namespace quintora::net {

struct RoomKeys {
    std::string id;  // 32 lowercase hex digits
    Bytes key;       // the secret boxes' key
};
RoomKeys room_keys(Crypto& crypto, std::string_view secret);

struct Opened {
    std::string sender;
    std::uint64_t seq = 0;
    Bytes signature;
    std::string body;
};

// The wire text of `body` from `sender`, its `seq`-th message.
std::string seal_message(Crypto& crypto, const RoomKeys& room, std::string_view kind, const std::string& sender,
                         std::uint64_t seq, const Bytes& secret_key, std::string_view body);
// What a wire text holds, when it was sealed with the room's key and not
// altered; its signature is not checked yet (the sender's key is looked up
// from what the text says).
std::optional<Opened> open_message(Crypto& crypto, const RoomKeys& room, std::string_view wire);
bool signed_by(Crypto& crypto, const RoomKeys& room, std::string_view kind, const Opened& opened,
               const Bytes& public_key);

// The largest wire text of a body of `body_size` bytes.
constexpr std::size_t wire_size(std::size_t body_size) { return (24 + 16 + 64 + 64 + body_size + 2) / 3 * 4; }

std::string hex_text(std::string_view bytes);
std::optional<Bytes> hex_bytes(std::string_view text);

}  // namespace quintora::net
