// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A game shared through a room of a message broker. One machine, the room's
// maker, orders: it takes the commands of every machine, runs them, and
// publishes each step of the journal with the position's signature after
// it. The others send it their commands and run the steps it publishes,
// checking the signature after each; a machine that joins late or comes back
// replays the whole journal quietly. Should the ordering machine vanish, the
// machine holding the first of the other colours in the order of play takes
// over with the journal it has. The game itself knows nothing of this:
// the room feeds it commands through Game::apply and Game::replay.
//
// The room is driven from one thread (the game's): the transport's events
// are handed to connected(), disconnected() and message() there.

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "game/game.h"
#include "net/protocol.h"
#include "net/room_platform.h"

namespace quintora::net {

// Publishing and subscribing, as the broker's client offers them.
class Transport {
public:
    virtual ~Transport() = default;
    // False when the message could not be handed over (not connected).
    virtual bool publish(const std::string& topic, const std::string& payload, bool retain) = 0;
    virtual void subscribe(const std::string& topic) = 0;
};

struct RoomSetup {
    std::string room;
    std::string client;  // this machine's name in the room
    Seats seats = 0;     // the colours it asks for
    std::string token;   // the secret its commands carry; made when empty
};

// What the broker says for a machine that goes without a word: its leave.
std::string farewell(const RoomSetup& setup);

class Room {
public:
    Room(Game& game, RoomDialogs& dialogs, QuietSound& sound, Transport& transport, RoomSetup setup);

    // The transport's events.
    void connected();
    void disconnected();
    void message(std::string_view topic, std::string_view payload);
    // The room had no journal when this machine came: it makes the room and orders.
    void make();

    // A command given on this machine (a press, a menu command).
    void local(Command c);

    enum class Role { waiting, orderer, follower };
    Role role() const { return role_; }
    bool is_connected() const { return connected_; }
    // A follower has heard the orderer since it last connected: what it
    // sends now reaches it.
    bool orderer_here() const { return role_ == Role::orderer || orderer_here_; }
    // The steps of the room's journal this machine has run: its length.
    std::uint64_t position() const { return position_; }
    Seats seats() const { return held_; }
    // Who holds each colour, as this machine last heard (empty: nobody).
    const std::array<std::string, seat_count>& holders() const { return holders_; }
    // Set once a step's signature differed from this game's: the machines
    // play different games, and this one runs no more steps.
    bool diverged() const { return diverged_; }
    const std::string& client() const { return setup_.client; }

    // What the room said to the player (connection lost, signature
    // mismatch, a refused command), and each message it turned away, one
    // line each.
    std::function<void(const std::string&)> on_note;
    const std::vector<std::string>& notes() const { return notes_; }
    const std::vector<std::string>& rejections() const { return rejections_; }

    // A planted fault for the tests: the step starting at this index is
    // taken as run without running it.
    std::optional<std::uint64_t> skip_step_for_test;

private:
    struct Member {
        std::string token;
        std::uint64_t last_n = 0;
    };

    void note(std::string text);
    void reject(std::string_view what, std::string_view payload);
    bool may_press(const std::string& client) const;
    std::optional<int> colour_to_move() const;

    // The orderer's side.
    void order(const std::string& origin, Command c);
    void from_machine(std::string_view payload);
    void publish_state();
    void publish_journal();
    void publish_seats();
    // A follower's side.
    void take_step(std::string_view payload);
    void take_journal(std::string_view payload);
    void take_seats(std::string_view payload);
    void take_orderer(std::string_view payload);
    void take_gone(std::string_view payload);
    // The machine that ordered vanished and this one is next: it orders now.
    void take_over();
    // Another machine made the room at the same moment and orders it.
    void step_down(const OrdererMessage& other);
    void forget(const std::string& client);
    void send_join();
    bool check(std::uint64_t signature, std::string_view where);

    Game& game_;
    RoomDialogs& dialogs_;
    QuietSound& sound_;
    Transport& transport_;
    RoomSetup setup_;
    Topics topics_;
    Role role_ = Role::waiting;
    bool connected_ = false;
    bool busy_ = false;
    bool diverged_ = false;
    std::uint64_t position_ = 0;
    std::uint64_t base_ = 0;  // the game's journal length when this machine began to order
    std::uint64_t next_n_ = 1;
    // This machine's commands sent to the orderer and not yet seen in a step.
    std::size_t in_flight_ = 0;
    std::uint64_t journal_published_at_ = 0;
    bool asked_for_journal_ = false;
    std::string orderer_;  // the machine that orders, as announced
    std::uint64_t orderer_check_ = 0;
    bool orderer_lost_ = false;
    bool orderer_here_ = false;
    Seats held_ = 0;
    std::array<std::string, seat_count> holders_;
    std::map<std::string, Member> members_;  // the orderer's record of the machines
    std::vector<std::string> notes_;
    std::vector<std::string> rejections_;
    std::deque<std::pair<std::string, std::string>> pending_;  // came while a command ran
};

}  // namespace quintora::net
