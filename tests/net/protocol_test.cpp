// SPDX-License-Identifier: GPL-3.0-or-later
// The room's messages: each reader takes exactly what its writer writes and
// refuses everything else.
#include <gtest/gtest.h>

#include <vector>

#include "mqtt/mqtt_link.h"
#include "net/protocol.h"

using namespace quintora;
using namespace quintora::net;

namespace {
const std::string token = "0123456789abcdef0123456789abcdef";
const std::string key = token + token;
}

TEST(RoomMessages, EachReadsBackWhatWasWritten) {
    const auto join = parse_to_orderer(message_text(JoinMessage{"m1", token, Seats(0b0101), key}));
    ASSERT_TRUE(join);
    EXPECT_EQ(std::get<JoinMessage>(*join).seats, Seats(0b0101));
    EXPECT_EQ(std::get<JoinMessage>(*join).key, key);
    EXPECT_EQ(message_text(JoinMessage{"m1", token, 0, key}), "join m1 " + token + " - " + key);
    EXPECT_EQ(std::get<HereMessage>(*parse_to_orderer("here m1")).client, "m1");
    const auto cmd = parse_to_orderer(message_text(CommandMessage{"m1", 12, token, Command::press_at(Cell{3, 19})}));
    ASSERT_TRUE(cmd);
    EXPECT_EQ(std::get<CommandMessage>(*cmd).n, 12u);
    EXPECT_EQ(std::get<CommandMessage>(*cmd).command, Command::press_at(Cell{3, 19}));
    StepMessage step{7, 0x0123456789abcdefULL, "m0", "m1", {Command::of(CommandKind::PLAY_4), Command::of(CommandKind::ok)}};
    EXPECT_EQ(message_text(step), "step 7 0123456789abcdef m0 m1\nPLAY_4\nok\n");
    const auto back = parse_step(message_text(step));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->from, 7u);
    EXPECT_EQ(back->signature, step.signature);
    EXPECT_EQ(back->orderer, "m0");
    EXPECT_EQ(back->origin, "m1");
    EXPECT_EQ(back->commands, step.commands);
    EXPECT_EQ(message_text(JournalMessage{42, "m0", 3, {Command::computer_takes(10)}}),
              "journal 000000000000002a m0 3\ncomputer 10\n");
    const auto journal = parse_journal_message("journal 000000000000002a m0 3\ncomputer 10\n");
    ASSERT_TRUE(journal);
    EXPECT_EQ(journal->signature, 42u);
    EXPECT_EQ(journal->client, "m0");
    EXPECT_EQ(journal->epoch, 3u);
    EXPECT_EQ(journal->journal, Journal{Command::computer_takes(10)});
    SeatsMessage seats;
    seats.holders[1] = "m2";
    seats.keys[1] = key;
    EXPECT_EQ(message_text(seats), "seats - m2 - - - " + key + " - -");
    EXPECT_EQ(parse_seats("seats - m2 - - - " + key + " - -")->keys, seats.keys);
    EXPECT_FALSE(parse_seats("seats - m2 - - - - - -")) << "a holder without its key";
    EXPECT_EQ(message_text(OrdererMessage{"m1", 0xff, 2, 40, key}), "orderer m1 00000000000000ff 2 40 " + key);
    const auto orderer = parse_orderer(message_text(OrdererMessage{"m1", token_check(token), 2, 40, key}));
    ASSERT_TRUE(orderer);
    EXPECT_EQ(orderer->client, "m1");
    EXPECT_EQ(orderer->check, token_check(token));
    EXPECT_EQ(orderer->epoch, 2u);
    EXPECT_EQ(orderer->length, 40u);
    EXPECT_NE(token_check(token), token_check("1123456789abcdef0123456789abcdef"));
    EXPECT_EQ(parse_leave("leave m1 " + token)->token, token);
    EXPECT_FALSE(parse_leave("join m1 " + token + " 0"));
    EXPECT_FALSE(parse_orderer("orderer m1 0123"));
    EXPECT_FALSE(parse_orderer("orderer m1 00000000000000ff 2"));
    EXPECT_FALSE(parse_orderer("orderer m1 00000000000000ff 02 40"));
}

TEST(RoomMessages, AnythingElseIsRefused) {
    for (const std::string& bad : std::vector<std::string>
         {"", "join", "join m1 " + token, "join m1 " + token + " 10", "join m1 " + token + " 4",
          "join m1 " + token + " 00", "join m1 " + token + " 01 ", "join  m1 " + token + " 0",
          "join -m " + token + " 0", "join m/1 " + token + " 0", "join m1 " + token.substr(1) + " 0",
          "join m1 0123456789ABCDEF0123456789ABCDEF 0", "cmd m1 0 " + token + " PLAY_4",
          "cmd m1 01 " + token + " PLAY_4", "cmd m1 -1 " + token + " PLAY_4",
          "cmd m1 1234567890123456 " + token + " PLAY_4", "cmd m1 1 " + token + " press 0 0",
          "cmd m1 1 " + token + " PLAY_4\n", "cmd m1 1 " + token + " PLAY_4 ", "leave m1",
          "leave m1 " + token + " x", "hello m1", "cmd m1 1 " + token + " " + std::string(300, 'a')})
        EXPECT_FALSE(parse_to_orderer(bad)) << bad;
    for (const std::string& bad : std::vector<std::string>{"step 0 0123456789abcdef m1\n", "step 0 0123456789abcdef m1",
                                  "step 00 0123456789abcdef m1\nok\n", "step 0 0123456789ABCDEF m1\nok\n",
                                  "step 0 0123456789abcde m1\nok\n", "step 0 0123456789abcdef\nok\n",
                                  "step 0 0123456789abcdef m1\nok\nnope\n", "steps 0 0123456789abcdef m1\nok\n"})
        EXPECT_FALSE(parse_step(bad)) << bad;
    std::string many = "step 0 0123456789abcdef m1\n";
    for (int i = 0; i < 65; ++i) many += "ok\n";
    EXPECT_FALSE(parse_step(many)) << "more commands than a step has";
    EXPECT_FALSE(parse_journal_message("journal 0123456789abcdef m0 0\n" + std::string(max_journal_message, '\n')));
    EXPECT_FALSE(parse_journal_message("journal 0123456789abcdef x\n"));
    for (const char* bad : {"seats - - -", "seats - - - - -", "seats -- - - -", "seats a b c d ", "seat - - - -"})
        EXPECT_FALSE(parse_seats(bad)) << bad;
}

TEST(RoomMessages, SeatsAreNamedByTheirColoursAndRoomsByTheirAddress) {
    EXPECT_EQ(parse_seat_names("黒,青"), Seats(0b0011));
    EXPECT_EQ(parse_seat_names("赤,黒"), Seats(0b1001));
    EXPECT_EQ(parse_seat_names(""), Seats(0));
    for (const char* bad : {"黒,黒", "黒,", ",黒", "黒 ,青", "緑", "black"}) EXPECT_FALSE(parse_seat_names(bad)) << bad;
    EXPECT_EQ(seat_names(0b1010), "青,赤");
    const auto address = parse_room_address("mqtt://192.168.1.20:1884/room-1");
    ASSERT_TRUE(address);
    EXPECT_EQ(address->host, "192.168.1.20");
    EXPECT_EQ(address->port, 1884);
    EXPECT_EQ(address->room, "room-1");
    EXPECT_EQ(parse_room_address("mqtt://localhost")->port, 1883);
    EXPECT_EQ(parse_room_address("mqtt://localhost/")->room, "");
    for (const char* bad : {"http://h:1/r", "mqtt://:1/r", "mqtt://h:0/r", "mqtt://h:65536/r", "mqtt://h:1x/r",
                            "mqtt://h:1/a/b", "mqtt://h:1/#", "mqtt://u@h:1/r"})
        EXPECT_FALSE(parse_room_address(bad)) << bad;
    // Over TLS, with the authorities of a file or the system's; several
    // brokers, tried in turn.
    const auto secure = parse_room_address("mqtts://a.example:8884,b.example,127.0.0.1:9/room-2?ca=/etc/q/ca.pem");
    ASSERT_TRUE(secure);
    EXPECT_TRUE(secure->tls);
    EXPECT_EQ(secure->ca_file, "/etc/q/ca.pem");
    EXPECT_EQ(secure->room, "room-2");
    ASSERT_EQ(secure->brokers.size(), 3u);
    EXPECT_EQ(secure->brokers[0].host, "a.example");
    EXPECT_EQ(secure->brokers[0].port, 8884);
    EXPECT_EQ(secure->brokers[1].host, "b.example");
    EXPECT_EQ(secure->brokers[1].port, 8883);
    EXPECT_EQ(secure->brokers[2].port, 9);
    EXPECT_EQ(secure->host, "a.example");
    EXPECT_EQ(parse_room_address("mqtts://h")->ca_file, "");
    EXPECT_FALSE(parse_room_address("mqtt://h")->tls);
    EXPECT_EQ(parse_room_address("mqtt://h")->brokers.size(), 1u);
    for (const char* bad : {"mqtts://h,/r", "mqtts://,h/r", "mqtt://h/r?ca=/x", "mqtts://h/r?ca=", "mqtts://h/r?cb=x",
                            "mqtts://h:1,h:0/r", "mqtt://h:1,,h:2/r"})
        EXPECT_FALSE(parse_room_address(bad)) << bad;
    // The broker's lock takes the room's name as the user name.
    const auto options = link_options(*secure, "room-2");
    EXPECT_EQ(options.username, "room-2");
    EXPECT_EQ(options.password, "room-2");
    EXPECT_TRUE(options.tls);
    EXPECT_EQ(options.brokers.size(), 3u);
    const std::string name = random_hex128();
    EXPECT_TRUE(valid_token(name));
    EXPECT_NE(name, random_hex128());
}

TEST(RoomAddress, ARoomsMachinesStartAtOneBrokerPickedByItsNameAndMoveOnInTheGivenOrder) {
    const auto address = parse_room_address("mqtt://n1:1,n2:2,n3:3/r");
    ASSERT_TRUE(address);
    // The empty name hashes to FNV-1a's offset basis, 14695981039346656037,
    // whose digits add up to 95: 2 modulo 3, the third broker.
    EXPECT_EQ(first_broker("", 3), 2u);
    EXPECT_EQ(first_broker("anything", 1), 0u);
    int first[3] = {0, 0, 0};
    for (int i = 0; i < 300; ++i) {
        const std::string room = "room-" + std::to_string(i);
        const auto options = link_options(*address, room);
        ASSERT_EQ(options.brokers.size(), 3u);
        const int k = options.brokers[0].port - 1;
        ASSERT_EQ(std::size_t(k), first_broker(room, 3)) << room;
        ++first[k];
        // The others follow in the order given, so that a room's machines
        // fail over to the same node too.
        EXPECT_EQ(options.brokers[1].port, (k + 1) % 3 + 1) << room;
        EXPECT_EQ(options.brokers[2].port, (k + 2) % 3 + 1) << room;
    }
    // Rooms spread over the nodes: each takes about a third of them.
    for (const int n : first) {
        EXPECT_GT(n, 70);
        EXPECT_LT(n, 130);
    }
}
