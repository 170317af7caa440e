// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The page's game in a room, when its link asks for one
// (index.html#join=ws://HOST:PORT/ROOM&seats=白): the room's transport is
// the page's MQTT client (quintora-net.js), whose news comes in through the
// input queue, between two commands, as a press does. The room's rules are
// the session's.

#include <memory>
#include <string>

#include "game/game.h"
#include "net/session.h"
#include "web/web_crypto.h"

namespace quintora::web {

// Publishing and subscribing through the page's client; its events handed
// to the listener.
class PageTransport : public net::Transport {
public:
    bool publish(const std::string& topic, const std::string& payload, bool retain) override;
    void subscribe(const std::string& topic) override;
    void will(const std::string& topic, const std::string& payload) override {
        will_topic = topic;
        will_payload = payload;
    }
    std::string will_topic, will_payload;
    // An event of the page's client (quintora-net.js: CONNECTED, LOST,
    // MESSAGE); false for any other.
    bool event(int kind);
};

class PageRoom {
public:
    // The room the page's link names, or nothing when it names none; a link
    // that cannot be understood is said so in the page's room line.
    static std::unique_ptr<PageRoom> from_link();
    ~PageRoom();

    // Joins `session` to the room (its game made over `dialogs` and `sound`)
    // and starts connecting: the page's client is loaded now.
    void start(net::Session& session, net::RoomDialogs& dialogs, net::QuietSound& sound);
    // An event of the page's client, or the clock's tick.
    void event(int kind);
    // The room as the page's element shows it (data-room: the journal's
    // length, the shared signature, the role, "diverged"), and with ?log the
    // room's journal; the room's line below the board.
    void show_state(const Game& game) const;

private:
    PageRoom(std::string endpoint, net::RoomSetup setup);

    std::string endpoint_;
    net::RoomSetup setup_;
    PageCrypto crypto_;
    PageTransport transport_;
    net::Session* session_ = nullptr;  // made before this is started, gone after it
    mutable std::string shown_line_;
};

}  // namespace quintora::web
