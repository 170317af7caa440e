// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's game shared through a room (quintora --join): the room's
// transport is a libmosquitto link whose news is handed to the window's
// thread, and the window's session hears the time pass. Everything else of
// the room is the session's.

#include <QObject>
#include <QTimer>
#include <memory>
#include <optional>
#include <string>

#include "app/qt_form1.h"
#include "mqtt/mqtt_link.h"
#include "net/room.h"
#include "sodium/sodium_crypto.h"

namespace quintora {

// Where a networked game plays and what it asks for.
struct RoomPlan {
    net::RoomAddress address;
    net::RoomSetup setup;
};

class NetworkGame {
public:
    // `address`: mqtt://HOST:PORT/ROOM (a new room without ROOM); `seats`: "黒,青".
    // Nothing, with a word on `error`, when either is not understood.
    static std::optional<RoomPlan> plan(const std::string& address, const std::string& seats, std::string& error);

    // Joins the form's session to the room of `plan`; the form's game was
    // made over `dialogs` and `sound`.
    NetworkGame(Form1& form, net::RoomDialogs& dialogs, net::QuietSound& sound, RoomPlan plan);
    ~NetworkGame();
    // Starts connecting; call after the game's start-up.
    void start();
    // Gone without a word to the broker, as a crash would be.
    void vanish() { link_.abandon(); }

private:
    Form1& form_;
    RoomPlan plan_;
    QObject context_;  // what the network thread's calls are queued to
    sodium::SodiumCrypto crypto_;
    net::MqttLink link_;
    QTimer clock_;
};

}  // namespace quintora
