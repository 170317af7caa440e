// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The window's game shared through a room (quintora --join): the window's
// presses and menu commands go to the room, and what the room hears is
// handed to it on the window's thread.

#include <QObject>
#include <memory>
#include <string>

#include "app/qt_form1.h"
#include "mqtt/mqtt_link.h"
#include "net/room.h"

namespace quintora {

class NetworkGame {
public:
    // `address`: mqtt://HOST:PORT/ROOM (a new room without ROOM); `seats`: "黒,青".
    // Nothing, with a word on `error`, when either is not understood.
    static std::unique_ptr<NetworkGame> make(Form1& form, net::RoomDialogs& dialogs, net::QuietSound& sound,
                                             const std::string& address, const std::string& seats,
                                             std::string& error);
    ~NetworkGame();
    // Starts connecting; call after the game's start-up.
    void start();
    const net::Room& room() const { return room_; }
    // Gone without a word to the broker, as a crash would be.
    void vanish() { link_.abandon(); }

private:
    NetworkGame(Form1& form, net::RoomAddress address, net::RoomSetup setup, net::RoomDialogs& dialogs,
                net::QuietSound& sound);
    void pump();
    void show(const std::string& note);

    Form1& form_;
    net::RoomAddress address_;
    net::RoomSetup setup_;
    QObject context_;  // what the network thread's calls are queued to
    net::MqttLink link_;
    net::Room room_;
    bool waiting_for_journal_ = false;
};

}  // namespace quintora
