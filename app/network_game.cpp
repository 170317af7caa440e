// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/network_game.h"

#include <QMetaObject>
#include <chrono>
#include <cstdio>

namespace quintora {

namespace {

std::uint64_t now_ms() {
    return std::uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
            .count());
}

}  // namespace

std::optional<RoomPlan> NetworkGame::plan(const std::string& address, const std::string& seats, std::string& error) {
    auto parsed = net::parse_room_address(address);
    if (!parsed) {
        error = "not a room address (mqtt://HOST:PORT/ROOM or mqtts://HOST:PORT/ROOM): " + address;
        return std::nullopt;
    }
    const auto held = net::parse_seat_names(seats);
    if (!held) {
        error = "not a list of colours (黒,青,白,赤): " + seats;
        return std::nullopt;
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
    // Appended, not "m" + std::string&&: GCC 12 warns of an overlapping
    // copy there (-Wrestrict) where there is none.
    std::string client = "m";
    client += net::random_hex128().substr(0, 15);
    net::RoomSetup setup{parsed->room, client, *held, net::random_hex128()};
    return RoomPlan{std::move(*parsed), std::move(setup)};
}

NetworkGame::NetworkGame(Form1& form, net::RoomDialogs& dialogs, net::QuietSound& sound, RoomPlan plan)
    : form_(form), plan_(std::move(plan)),
      // The broker knows the room by its id alone, never by its secret.
      link_(net::link_options(plan_.address, net::room_keys(crypto_, plan_.setup.room).id), plan_.setup.client, {},
            {}) {
    net::Session& session = form_.session();
    session.on_log = [](const std::string& line) { std::fprintf(stderr, "quintora: %s\n", line.c_str()); };
    // A box held while this machine ordered shows from the window's own
    // loop, never inside the message that held it; the window goes on
    // ordering meanwhile.
    session.on_box = [this, &dialogs](const net::HeldBox& box) {
        QMetaObject::invokeMethod(
            &context_, [this, &dialogs, box] { form_.take(net::answer_to(box, dialogs.show(box))); },
            Qt::QueuedConnection);
    };
    session.join(dialogs, sound, link_, crypto_, plan_.setup);
    // Called on the network thread: what it heard is handed over on the window's.
    link_.wakeup = [this] { QMetaObject::invokeMethod(&context_, [this] { link_.pump(); }, Qt::QueuedConnection); };
    clock_.setInterval(250);
    QObject::connect(&clock_, &QTimer::timeout, &context_, [this] { form_.session().tick(now_ms()); });
}

NetworkGame::~NetworkGame() { form_.session().leave(); }

void NetworkGame::start() {
    form_.session().tick(now_ms());
    clock_.start();
    if (!link_.start()) form_.session().tell({net::Word::no_network, {}, 0, 0, true});
}

}  // namespace quintora
