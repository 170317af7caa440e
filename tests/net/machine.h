// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One machine of a room for the tests: the game on the recording fakes
// behind the room's boxes and sound, its own link to a broker, and the
// room. Pumped by the test's own thread (`until`).
#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "mqtt/mqtt_link.h"
#include "net/room.h"
#include "sodium/sodium_crypto.h"
#include "support/fakes.h"

namespace quintora::testing {

struct Machine {
    ScratchFolder folder;
    Log log;
    RecordingCanvas canvas{log};
    ScriptedDialogs shown{log};
    RecordingPause pause{log};
    FakeSound sound_out{log};
    FakeMarks marks;
    ThrowingExit exit{log};
    net::RoomDialogs dialogs{shown};
    net::QuietSound sound{sound_out};
    PosixStorage storage;
    Game game{Platform{canvas, dialogs, pause, sound, marks, exit, storage}};
    sodium::SodiumCrypto crypto;
    net::RoomSetup setup;
    std::unique_ptr<net::MqttLink> link;
    std::unique_ptr<net::Room> room;
    bool started = false;  // the link's thread runs

    // In `room_name` through one broker on 127.0.0.1.
    Machine(int port, const std::string& room_name, const std::string& client, net::Seats wanted)
        : Machine(net::LinkOptions{{net::BrokerEndpoint{"127.0.0.1", port}}, false, {}, {}, {}}, room_name, client,
                  wanted) {}
    // In the room of `address`, through its brokers as the desktop reaches them.
    Machine(const net::RoomAddress& address, const std::string& client, net::Seats wanted)
        : Machine(net::link_options(address, id_of(address.room)), address.room, client, wanted) {}
    // The id the broker knows a room by (its user name and topics).
    static std::string id_of(const std::string& room) {
        sodium::SodiumCrypto c;
        return net::room_keys(c, room).id;
    }
    Machine(net::LinkOptions options, const std::string& room_name, const std::string& client, net::Seats wanted) {
        game.起動(1);
        log.clear();
        setup = net::RoomSetup{room_name, client, wanted, net::random_hex128()};
        link = std::make_unique<net::MqttLink>(std::move(options), client, std::string{}, std::string{});
        room = std::make_unique<net::Room>(game, dialogs, sound, *link, crypto, setup);
        started = link->start();
    }
    // What a player sees and hears: the paint and sound lines of the log.
    std::vector<std::string> seen_and_heard() const {
        std::vector<std::string> out;
        for (const auto& l : log.lines)
            for (const char* p : {"rect ", "pic ", "text ", "circle ", "icon ", "refresh", "dsPlay", "dsStop"})
                if (l.rfind(p, 0) == 0) out.push_back(l);
        return out;
    }
    std::string journal() const { return journal_text(room->journal()); }
};

}  // namespace quintora::testing
