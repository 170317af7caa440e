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
#include "net/crypto.h"
#include "net/protocol.h"
#include "net/room_platform.h"
#include "net/sealed.h"
#include "net/transport.h"

namespace quintora::net {

struct RoomSetup {
    std::string room;    // the room's secret, as its link gives it
    std::string client;  // this machine's name in the room
    Seats seats = 0;     // the colours it asks for
    std::string token;   // a secret of this machine's; made when empty
};

// Commands that belong to the machine that gave them, never to a room: Esc,
// quitting, the about box, how it shows and sounds the game, and the
// answers to its boxes.
bool machine_own(CommandKind k);


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
    journal_full,      // the room's journal holds all it can: no more commands
    seat_freed,        // `seats` were freed: their machine (`who`) was not heard for a while
    orderer_slow,      // the machine that orders has not run this one's command yet (a box open there?)
    flood,             // a machine (`who`) sent faster than a person plays: the rest was dropped
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
    Room(Game& game, RoomDialogs& dialogs, QuietSound& sound, Transport& transport, Crypto& crypto,
         RoomSetup setup);
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
    // Time passes: milliseconds of a monotonic clock. A follower says that it
    // is still there; the orderer frees the seats of machines not heard for
    // a while and lets the members send again at a person's pace.
    void tick(std::uint64_t now_ms);

    // How long a machine may go unheard before its seats are freed, and how
    // often a follower says that it is there.
    static constexpr std::uint64_t silence_ms = 120000;
    static constexpr std::uint64_t here_every_ms = 10000;
    // The machines a room takes (strangers beyond it are turned away), and
    // the commands a member may send at once and each second after.
    static constexpr std::size_t max_members = 16;
    static constexpr double burst = 40, per_second = 8;

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
    // The room's id: its topics and the broker's user name.
    const std::string& id() const { return keys_.id; }
    std::size_t members() const { return members_.size(); }

    // What the room says to the player, and each message it turned away (a
    // line for the log). Both lists keep only the latest ones.
    std::function<void(const RoomNote&)> on_note;
    std::function<void(const std::string&)> on_rejection;
    const std::deque<RoomNote>& notes() const { return notes_; }
    const std::deque<std::string>& rejections() const { return rejections_; }
    std::uint64_t rejected() const { return rejected_; }

    // The ordering machine never waits on a box of its own: a command runs to
    // its end, its step goes out, and the boxes it opened show afterwards, one
    // at a time. `on_box` shows one from the front end's own loop, which gives
    // the answer back through answer(); without it a box shows at once.
    std::function<void(const HeldBox&)> on_box;
    // The answer to the box on_box showed: false when no box is out.
    bool answer(Command c);
    // A planted fault for the tests: the step starting at this index is
    // taken as run without running it.
    std::optional<std::uint64_t> skip_step_for_test;

private:
    struct Member {
        std::string token;
        std::uint64_t last_n = 0;
        Bytes key;
        std::uint64_t heard = 0;     // when last heard (tick time)
        std::uint64_t answered = 0;  // when its join was last answered
        double allowance = burst;    // commands it may still send
        bool flood_told = false;
        std::uint64_t last_seq = 0;  // its last message's number: an older one is a replay
    };
    // A machine whose key this one knows, and the last message it numbered
    // on each topic: an older one is a replay.
    struct Known {
        Bytes key;
        std::array<std::uint64_t, 6> last{};
    };

    void note(RoomNote n);
    void reject(std::string_view what, std::string_view payload);
    // The kind of message a topic of this room carries (its index in the
    // kinds the signatures name), -1 for another topic.
    int kind_of(std::string_view topic) const;
    bool send(const std::string& topic, std::string_view body, bool retain);
    bool fresh(Known& known, int kind, std::uint64_t seq);
    Known* learn(const std::string& client, const Bytes& key);
    bool may_press(const std::string& client) const;
    Seats held_by(const std::string& client) const;
    std::optional<int> colour_to_move() const;
    void run_pending();
    void show_held();
    // After a No to the question: the computer plays this machine's colours
    // from now on.
    void hand_to_computer();

    // The orderer's side.
    void order(const std::string& origin, Command c);
    void from_machine(const Opened& opened);
    void publish_state();
    void publish_journal();
    void publish_seats();
    OrdererMessage claim() const;
    // A follower's side.
    void take_step(const std::string& sender, std::string_view payload);
    void take_journal(const std::string& sender, std::string_view payload);
    void take_seats(const std::string& sender, std::string_view payload);
    void take_orderer(const Opened& opened);
    void take_gone(const std::string& sender, std::string_view payload);
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
    Crypto& crypto_;
    RoomSetup setup_;
    RoomKeys keys_;
    SigningKeys signing_;
    std::string public_key_;  // hex
    Topics topics_;
    std::uint64_t seq_ = 0;
    std::uint64_t now_ = 0;
    std::uint64_t last_here_ = 0;
    std::map<std::string, Known> known_;
    // This machine's commands sent and not yet settled by a step of its own:
    // sent again when the orderer comes back (it runs each number once).
    std::deque<CommandMessage> unsettled_;
    std::uint64_t sent_at_ = 0;
    bool told_slow_ = false;
    Role role_ = Role::waiting;
    bool connected_ = false;
    bool busy_ = false;
    bool box_out_ = false;  // a held box is being shown
    HeldBox::Kind box_kind_ = HeldBox::Kind::message;
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
