// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The room's messages on the wire, as plain text, and their strict readers.
// Every reader takes a whole message and gives either the one value it
// names or nothing: no spaces to spare, numbers without signs or leading
// zeros, every field checked, every message within its size.
//
// A room ROOM has four topics:
//   quintora/ROOM/cmd      the machines to the orderer: join, cmd, leave
//   quintora/ROOM/step     the orderer to all: each ordered step of the journal
//   quintora/ROOM/journal  the orderer, retained: the whole journal, now and then
//                          and whenever a machine joins
//   quintora/ROOM/seats    the orderer, retained: who holds each colour
//   quintora/ROOM/orderer  the orderer, retained: which machine orders
//   quintora/ROOM/gone     the broker: the will of a machine that vanished
//
//   join CLIENT TOKEN SEATS KEY     SEATS: colour indexes "0".."3" ascending, or "-";
//                                   KEY: its public signing key, 64 hex digits
//   here CLIENT                     a machine still there (every few seconds)
//   cmd CLIENT N TOKEN COMMAND      N counts up from 1 per client
//   leave CLIENT TOKEN
//   step FROM SIGNATURE ORDERER ORIGIN\n COMMAND\n...
//                                   FROM: the index of its first line; ORDERER: the
//                                   machine that ordered it; ORIGIN: whose command
//   journal SIGNATURE CLIENT EPOCH\n COMMAND\n...   CLIENT: the orderer that published it
//   seats H0 H1 H2 H3 K0 K1 K2 K3   a client, or "-" for a colour nobody holds, then
//                                   each holder's public key ("-" for none)
//   orderer CLIENT CHECK EPOCH LENGTH KEY
//                                   CHECK: 16 hex digits, token_check of its token;
//                                   EPOCH: how many times ordering passed on;
//                                   LENGTH: the steps of its journal
//   (gone carries a leave)

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "game/journal.h"

namespace quintora::net {

inline constexpr std::size_t max_command_message = 256;
inline constexpr std::size_t max_step_message = 4096;
// A journal of max_journal_commands commands of at most 12 bytes fits, sealed,
// within what the brokers take (1,100,000 bytes a message).
inline constexpr std::size_t max_journal_message = 800000;
inline constexpr std::size_t max_seats_message = 1024;
inline constexpr std::size_t max_journal_commands = 60000;
inline constexpr int seat_count = 4;

// A set of colours by index (black 0, blue 1, white 2, red 3), a bit each.
using Seats = std::uint8_t;

struct Topics {
    explicit Topics(std::string_view room);
    std::string cmd, step, journal, seats, orderer, gone;
};

// Room names and client ids: 1..64 of [A-Za-z0-9_-]. Tokens: 32 lowercase hex digits.
bool valid_name(std::string_view s);
bool valid_token(std::string_view s);
// Public keys as the messages carry them: 64 lowercase hex digits.
bool valid_key(std::string_view s);
// 128 random bits as 32 lowercase hex digits: tokens, and the names of new rooms.
std::string random_hex128();

// Which of `count` brokers (the nodes of a cluster) the machines of room
// `room` start at: the same on every machine, desktop or page, so that a
// room's machines meet on one node and the rooms spread over the nodes.
std::size_t first_broker(std::string_view room, std::size_t count);

// "黒,青" as the player writes seats; nothing for any other text.
std::optional<Seats> parse_seat_names(std::string_view text);
std::string seat_names(Seats seats);

struct JoinMessage {
    std::string client, token;
    Seats seats = 0;
    std::string key;  // 64 hex digits
};
struct HereMessage {
    std::string client;
};
struct CommandMessage {
    std::string client;
    std::uint64_t n = 0;
    std::string token;
    Command command;
};
struct LeaveMessage {
    std::string client, token;
};
using ToOrderer = std::variant<JoinMessage, CommandMessage, LeaveMessage, HereMessage>;

struct StepMessage {
    std::uint64_t from = 0;
    std::uint64_t signature = 0;
    std::string orderer;
    std::string origin;
    Journal commands;
};
struct JournalMessage {
    std::uint64_t signature = 0;
    std::string client;
    std::uint64_t epoch = 0;
    Journal journal;
};
struct OrdererMessage {
    std::string client;
    std::uint64_t check = 0;
    std::uint64_t epoch = 0;
    std::uint64_t length = 0;
    std::string key;  // 64 hex digits
};
// What the orderer shows of its token, so that its leave, which gives the
// token, can be told from a forged one. FNV-1a: it keeps out a slip, not an
// attacker who can read the room (locked rooms are the broker's business).
std::uint64_t token_check(std::string_view token);

struct SeatsMessage {
    std::array<std::string, seat_count> holders;  // empty: nobody
    std::array<std::string, seat_count> keys;     // the holders' public keys, 64 hex digits
};

std::string message_text(const JoinMessage& m);
std::string message_text(const CommandMessage& m);
std::string message_text(const LeaveMessage& m);
std::string message_text(const HereMessage& m);
std::string message_text(const StepMessage& m);
std::string message_text(const JournalMessage& m);
std::string message_text(const SeatsMessage& m);
std::string message_text(const OrdererMessage& m);

std::optional<ToOrderer> parse_to_orderer(std::string_view payload);
std::optional<StepMessage> parse_step(std::string_view payload);
std::optional<JournalMessage> parse_journal_message(std::string_view payload);
std::optional<SeatsMessage> parse_seats(std::string_view payload);
std::optional<OrdererMessage> parse_orderer(std::string_view payload);
std::optional<LeaveMessage> parse_leave(std::string_view payload);

}  // namespace quintora::net
