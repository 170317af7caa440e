// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one door of a game: every input of a front end (a click, a key on the
// board, a menu item, a box's answer, Esc, the window closing) comes here as
// a command, whatever it came from. Alone, it goes to the game. In a room,
// the session decides whether it is this machine's alone (Esc, quitting,
// the about box, how this machine shows and sounds the game, answers) or
// the room's, holds the room's rules that no front end should know (how long
// to wait for a room's journal before making the room, which notes the player
// sees and for how long) and says in the player's language what the room did.
//
// A game alone makes no room, no transport and no network thread: the
// session is then the game's door and nothing more.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "game/game.h"
#include "net/room.h"

namespace quintora::net {

class Session {
public:
    explicit Session(Game& game);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // Plays in the room of `setup` through `transport` from now on. The game
    // must have been made over `dialogs` and `sound`. Once, before the
    // transport connects.
    void join(RoomDialogs& dialogs, QuietSound& sound, Transport& transport, Crypto& crypto, RoomSetup setup);

    // Shows a box the room held while this machine ordered (see
    // Room::on_box), from the front end's own loop; the answer comes back
    // through give(). Set before join(); without it the box shows at once.
    std::function<void(const HeldBox&)> on_box;

    // Leaves the room before its transport goes: the game plays on alone.
    void leave();

    // Every input, from any source.
    void give(Command c);
    // Time passes: milliseconds of a monotonic clock. In a room the front
    // end calls it every quarter of a second or so.
    void tick(std::uint64_t now_ms);
    // Something the front end could not do (the network client did not start).
    void tell(const RoomNote& note);

    bool in_room() const { return room_ != nullptr; }
    Room* room() { return room_.get(); }
    const Room* room() const { return room_.get(); }

    // What the front end shows of the room, in the player's language: the
    // colours this machine holds, then what holds now or has just happened.
    // Empty alone.
    std::string line() const;
    // Called whenever line() may have changed.
    std::function<void()> on_change;
    // Every note and every message turned away, a line each, for the log.
    std::function<void(const std::string&)> on_log;

    // How long a machine listens for the room's journal before it takes the
    // room to be new and makes it: a broker gives a kept journal at once.
    static constexpr std::uint64_t journal_patience_ms = 1500;
    // How long a note of something that happened stays.
    static constexpr std::uint64_t note_ms = 8000;

private:
    void take_note(const RoomNote& note);
    bool still_true(const RoomNote& note) const;
    void changed();

    Game& game_;
    std::unique_ptr<Room> room_;
    std::uint64_t now_ = 0;
    std::uint64_t started_ = 0;
    bool ticked_ = false;
    bool told_unreachable_ = false;
    std::unique_ptr<RoomNote> lasting_;
    std::unique_ptr<RoomNote> passing_;
    std::uint64_t passing_until_ = 0;
};

// A note in the player's language.
std::string note_text(const RoomNote& note);
// Colours as the player reads them: "黒,白" (in English "Black, White").
std::string seats_text(Seats seats);

}  // namespace quintora::net
