// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/network_game.h"

#include <QMetaObject>
#include <QTimer>
#include <cstdio>

namespace quintora {

namespace {

// How long a machine listens for the room's journal before it takes the
// room to be new and makes it. The broker gives a kept journal at once.
constexpr int journal_patience_ms = 1500;

}  // namespace

std::unique_ptr<NetworkGame> NetworkGame::make(Form1& form, net::RoomDialogs& dialogs, net::QuietSound& sound,
                                               const std::string& address, const std::string& seats,
                                               std::string& error) {
    auto parsed = net::parse_room_address(address);
    if (!parsed) {
        error = "not a room address (mqtt://HOST:PORT/ROOM or mqtts://HOST:PORT/ROOM): " + address;
        return nullptr;
    }
    const auto held = net::parse_seat_names(seats);
    if (!held) {
        error = "not a list of colours (黒,青,白,赤): " + seats;
        return nullptr;
    }
    if (parsed->room.empty()) {
        parsed->room = net::random_hex128();
        std::string brokers;
        for (const auto& b : parsed->brokers)
            brokers += (brokers.empty() ? "" : ",") + b.host + ":" + std::to_string(b.port);
        std::printf("quintora: a new room: %s://%s/%s%s\n", parsed->tls ? "mqtts" : "mqtt", brokers.c_str(),
                    parsed->room.c_str(), parsed->ca_file.empty() ? "" : ("?ca=" + parsed->ca_file).c_str());
        std::fflush(stdout);
    }
    net::RoomSetup setup{parsed->room, "m" + net::random_hex128().substr(0, 15), *held, net::random_hex128()};
    return std::unique_ptr<NetworkGame>(new NetworkGame(form, *parsed, setup, dialogs, sound));
}

NetworkGame::NetworkGame(Form1& form, net::RoomAddress address, net::RoomSetup setup, net::RoomDialogs& dialogs,
                         net::QuietSound& sound)
    : form_(form), address_(std::move(address)), setup_(std::move(setup)),
      link_(net::link_options(address_, setup_.room), setup_.client, net::Topics(setup_.room).gone,
            net::farewell(setup_)),
      room_(form.game(), dialogs, sound, link_, setup_) {
    room_.on_note = [this](const std::string& note) { show(note); };
    form_.route = [this](Command c) { room_.local(c); };
    // Called on the network thread: the room is run on the window's.
    link_.wakeup = [this] { QMetaObject::invokeMethod(&context_, [this] { pump(); }, Qt::QueuedConnection); };
}

NetworkGame::~NetworkGame() { form_.route = nullptr; }

void NetworkGame::start() {
    form_.setWindowTitle(QStringLiteral("QuintoraⅠ — ") + QString::fromStdString(net::seat_names(setup_.seats)));
    if (!link_.start()) show("the network client could not be started");
}

void NetworkGame::pump() {
    link_.pump(room_);
    if (room_.is_connected() && room_.role() == net::Room::Role::waiting && !waiting_for_journal_) {
        waiting_for_journal_ = true;
        QTimer::singleShot(journal_patience_ms, &context_, [this] {
            if (room_.role() != net::Room::Role::waiting) return;
            room_.make();
            show("no game in the room yet: this machine makes it and orders its commands");
        });
    }
}

void NetworkGame::show(const std::string& note) {
    std::fprintf(stderr, "quintora: %s\n", note.c_str());
    if (note.rfind("rejected", 0) == 0) return;  // for the log only
    form_.setWindowTitle(QStringLiteral("QuintoraⅠ — ") + QString::fromStdString(net::seat_names(setup_.seats)) +
                         QStringLiteral(" — ") + QString::fromStdString(note));
}

}  // namespace quintora
