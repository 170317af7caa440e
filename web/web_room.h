// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The page's game in a room, when its link asks for one
// (index.html#join=ws://HOST:PORT/ROOM&seats=白): the room's transport is
// the page's MQTT client (quintora-net.js), and what it hears comes in
// through the input queue, between two commands, as a press does.

#include <memory>
#include <string>

#include "game/game.h"
#include "net/room.h"

namespace quintora::web {

// Publishing and subscribing through the page's client.
class PageTransport : public net::Transport {
public:
    bool publish(const std::string& topic, const std::string& payload, bool retain) override;
    void subscribe(const std::string& topic) override;
};

class PageRoom {
public:
    // The room the page's link names, or nothing when it names none; a link
    // that cannot be understood is said so in the page's room line.
    static std::unique_ptr<PageRoom> from_link(Game& game, net::RoomDialogs& dialogs, net::QuietSound& sound);

    // Starts connecting: the page's client is loaded now.
    void start();
    // An event of the page's client (quintora-net.js: CONNECTED, LOST,
    // MESSAGE, PATIENCE).
    void event(int kind);
    // A command given on this page.
    void local(Command c) { room_.local(c); }
    const net::Room& room() const { return room_; }
    // The room as the page's element shows it (data-room: the journal's
    // length, the signature, the role, "diverged"), and with ?log the journal.
    void show_state(const Game& game) const;

private:
    PageRoom(Game& game, net::RoomDialogs& dialogs, net::QuietSound& sound, std::string endpoint,
             net::RoomSetup setup);
    void say(const std::string& note);

    std::string endpoint_;
    net::RoomSetup setup_;
    PageTransport transport_;
    net::Room room_;
    bool patience_asked_ = false;
};

}  // namespace quintora::web
