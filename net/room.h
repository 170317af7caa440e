// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A game shared through a room of a message broker. One machine orders: it
// takes the room commands of every machine, runs them, and publishes each
// step of the room's journal with the signature of the shared game after
// it. The others send it their commands and run the steps it publishes,
// checking the signature after each; a machine that joins late or comes back
// replays the room's journal quietly. Should the ordering machine vanish, the
// machine holding the first of the other colours in the order of play takes
// over with the journal it has; should two machines order at once (a broker
// that came back, a will that went out while its machine lived on), the one
// with the longer journal keeps ordering and the other follows it, or says
// that it cannot. The game itself knows nothing of this: the room feeds it
// commands through Game::apply and Game::replay.
//
// Only room commands pass through here (presses, setup and history
// commands); what belongs to one machine alone (Esc, quitting, the answers
// to its boxes, how it shows and sounds the game) is the session's business
// and never travels. The room is driven from one thread (the game's): the
// transport hands it its events there.

#include <array>
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
#include "net/transport.h"

namespace quintora::net {

struct RoomSetup {
    std::string room;
    std::string client;  // this machine's name in the room
    Seats seats = 0;     // the colours it asks for
    std::string token;   // the secret its commands carry; made when empty
};

// Commands that belong to the machine that gave them, never to a room: Esc,
// quitting, the about box, how it shows and sounds the game, and the
// answers to its boxes.
bool machine_own(CommandKind k);

// What the broker says for a machine that goes without a word: its leave.
std::string farewell(const RoomSetup& setup);

// What the room tells the player, as a word and its details; the session
// puts it into the player's language.
enum class Word : std::uint8_t {
    found,             // this machine found the room; `seats`: the colours it holds
    made,              // no game in the room yet: this machine made it and orders
    lost,              // the connection to the room was lost
    back,              // and is back
    not_connected,     // a command refused: no connection
    not_found,         // a command refused: the room is not found yet
    no_orderer,        // a command refused: the machine that orders is not there
    not_sent,          // a command refused: it could not be sent
    differs,           // a command refused: this game differs from the room's
    held_elsewhere,    // a press refused: `seats` (the colour to move) is held by `who`
    to_computer,       // after this machine's No the computer plays `seats`
    mismatch,          // a signature differed after step `number`: the games split
    unfit,             // the room's journal does not fit this game
    given_again,       // `number` commands given here were never run: give them again
    orderer_gone,      // the machine that ordered is gone; `who` orders now (empty: nobody can)
    took_over,         // the machine that ordered is gone: this machine orders now
    same_moment,       // another machine made the room at the same moment: `who` orders it
    two_orderers,      // another machine ordered too (`who`): this one follows it
    cannot_follow,     // another machine's journal does not go on from this one's
    unreachable,       // the room's broker has not answered yet: still trying
    no_network,        // the network client could not be started
};

struct RoomNote {
    RoomNote(Word w, std::string who_ = {}, std::uint64_t number_ = 0, Seats seats_ = 0, bool lasting_ = false)
        : word(w), who(std::move(who_)), number(number_), seats(seats_), lasting(lasting_) {}
    Word word;
    std::string who;
    std::uint64_t number = 0;
    Seats seats = 0;
    // True while it holds: a lasting state (connection lost, games split)
    // rather than something that happened once.
    bool lasting = false;
};

class Room : public TransportListener {
public:
    Room(Game& game, RoomDialogs& dialogs, QuietSound& sound, Transport& transport, RoomSetup setup);
    ~Room() override;
    Room(const Room&) = delete;
    Room& operator=(const Room&) = delete;

    // The transport's events.
    void connected() override;
    void disconnected() override;
    void message(std::string_view topic, std::string_view payload) override;
    // The room had no journal when this machine came: it makes the room and orders.
    void make();

    // A room command given on this machine (a press, a setup or history command).
    void local(Command c);

    enum class Role { waiting, orderer, follower };
    Role role() const { return role_; }
    bool is_connected() const { return connected_; }
    // A follower has heard the orderer since it last connected: what it
    // sends now reaches it.
    bool orderer_here() const { return role_ == Role::orderer || orderer_here_; }
    // The room's journal as this machine has run it, and its length.
    const Journal& journal() const { return journal_; }
    std::uint64_t position() const { return journal_.size(); }
    // How many times ordering has passed from one machine to another.
    std::uint64_t epoch() const { return epoch_; }
    Seats seats() const { return held_; }
    // Who holds each colour, as this machine last heard (empty: nobody).
    const std::array<std::string, seat_count>& holders() const { return holders_; }
    // Set once this machine's game could no longer follow the room's: it
    // runs no more steps and sends nothing.
    bool diverged() const { return diverged_; }
    const std::string& client() const { return setup_.client; }
    const std::string& orderer() const { return orderer_; }

    // What the room says to the player, and each message it turned away (a
    // line for the log). Both lists keep only the latest ones.
    std::function<void(const RoomNote&)> on_note;
    std::function<void(const std::string&)> on_rejection;
    const std::deque<RoomNote>& notes() const { return notes_; }
    const std::deque<std::string>& rejections() const { return rejections_; }
    std::uint64_t rejected() const { return rejected_; }

    // A planted fault for the tests: the step starting at this index is
    // taken as run without running it.
    std::optional<std::uint64_t> skip_step_for_test;

private:
    struct Member {
        std::string token;
        std::uint64_t last_n = 0;
    };

    void note(RoomNote n);
    void reject(std::string_view what, std::string_view payload);
    bool may_press(const std::string& client) const;
    Seats held_by(const std::string& client) const;
    std::optional<int> colour_to_move() const;
    void run_pending();

    // The orderer's side.
    void order(const std::string& origin, Command c);
    void from_machine(std::string_view payload);
    void publish_state();
    void publish_journal();
    void publish_seats();
    OrdererMessage claim() const;
    // A follower's side.
    void take_step(std::string_view payload);
    void take_journal(std::string_view payload);
    void take_seats(std::string_view payload);
    void take_orderer(std::string_view payload);
    void take_gone(std::string_view payload);
    // Runs `journal` on from this machine's journal, which must begin it.
    void catch_up(const JournalMessage& m);
    // The machine that ordered vanished and this one is next: it orders now.
    void take_over();
    // Another machine orders the room: this one follows it from now on.
    void follow(const OrdererMessage& other, Word word);
    void forget(const std::string& client);
    void send_join();
    bool check(std::uint64_t signature);

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
    Journal journal_;
    std::uint64_t epoch_ = 0;
    std::uint64_t next_n_ = 1;
    // This machine's commands sent to the orderer and not yet seen in a step.
    std::size_t in_flight_ = 0;
    std::uint64_t journal_published_at_ = 0;
    bool asked_for_journal_ = false;
    std::string orderer_;  // the machine that orders, as announced
    std::uint64_t orderer_check_ = 0;
    bool orderer_lost_ = false;
    bool orderer_here_ = false;
    bool found_ = false;     // the player was told that the room was found
    std::string provoked_;  // the machine whose better claim this one asked to see
    Seats held_ = 0;
    std::array<std::string, seat_count> holders_;
    std::map<std::string, Member> members_;  // the orderer's record of the machines
    std::deque<RoomNote> notes_;
    std::deque<std::string> rejections_;
    std::uint64_t rejected_ = 0;
    std::deque<std::pair<std::string, std::string>> pending_;  // came while a command ran
};

}  // namespace quintora::net
