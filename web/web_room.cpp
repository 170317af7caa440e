// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/web_room.h"

#include <emscripten.h>

#include <cstdio>

namespace quintora::web {

namespace {

enum Event { connected = 1, lost = 2, message = 3, patience = 4 };

// How long the page listens for the room's journal before it takes the room
// to be new and makes it: the broker gives a kept journal at once.
constexpr int journal_patience_ms = 1500;

EM_JS(int, page_room_wanted, (char* into, int size), {
    const w = QuintoraNet.wanted();
    if (w === "") return 0;
    if (lengthBytesUTF8(w) >= size) return -1;
    stringToUTF8(w, into, size);
    return 1;
});
EM_JS(int, page_room_split, (const char* join, char* endpoint, char* room, int size), {
    const parts = QuintoraNet.split(UTF8ToString(join));
    if (!parts || lengthBytesUTF8(parts.endpoint) >= size || lengthBytesUTF8(parts.room) >= size) return 0;
    stringToUTF8(parts.endpoint, endpoint, size);
    stringToUTF8(parts.room, room, size);
    return 1;
});
EM_JS(void, page_room_named, (const char* join, const char* seats),
      { QuintoraNet.named(UTF8ToString(join), UTF8ToString(seats)); });
EM_JS(void, page_room_say, (const char* text), { QuintoraNet.say(UTF8ToString(text)); });
EM_JS(void, page_net_start, (const char* endpoint, const char* room, const char* id, const char* will_topic,
                             const char* will), {
    QuintoraNet.start(UTF8ToString(endpoint), UTF8ToString(room), UTF8ToString(id), UTF8ToString(will_topic),
                      UTF8ToString(will));
});
EM_JS(int, page_net_publish, (const char* topic, const char* payload, int retain), {
    return QuintoraNet.publish(UTF8ToString(topic), UTF8ToString(payload), retain !== 0) ? 1 : 0;
});
EM_JS(void, page_net_subscribe, (const char* topic), { QuintoraNet.subscribe(UTF8ToString(topic)); });
EM_JS(void, page_net_patience, (int ms), { QuintoraNet.patience(ms); });
EM_JS(void, page_net_sizes, (int* topic, int* payload), {
    const s = QuintoraNet.sizes();
    HEAP32[topic >> 2] = s[0];
    HEAP32[payload >> 2] = s[1];
});
EM_JS(void, page_net_take, (char* topic, char* payload), { QuintoraNet.take(HEAPU8, topic, payload); });

EM_JS(void, page_room_state, (const char* state, const char* journal), {
    document.documentElement.dataset.room = UTF8ToString(state);
    if (QuintoraUI.logging) QuintoraUI.roomJournal = UTF8ToString(journal);
});
EM_JS(int, room_page_logging, (), { return QuintoraUI.logging ? 1 : 0; });

// The page's notes are the desktop's: the room's words, in the line below
// the board, and every one in the console.
void console_line(const std::string& text) { std::fprintf(stderr, "quintora: %s\n", text.c_str()); }

}  // namespace

bool PageTransport::publish(const std::string& topic, const std::string& payload, bool retain) {
    return page_net_publish(topic.c_str(), payload.c_str(), retain ? 1 : 0) != 0;
}

void PageTransport::subscribe(const std::string& topic) { page_net_subscribe(topic.c_str()); }

std::unique_ptr<PageRoom> PageRoom::from_link(Game& game, net::RoomDialogs& dialogs, net::QuietSound& sound) {
    char wanted[1024] = {};
    const int asked = page_room_wanted(wanted, int(sizeof wanted));
    if (asked == 0) return nullptr;
    const std::string text = asked > 0 ? wanted : "";
    const auto cut = text.find('\n');
    char endpoint[512] = {}, room[512] = {};
    const std::string join = text.substr(0, cut);
    const auto seats = cut == std::string::npos ? std::nullopt : net::parse_seat_names(text.substr(cut + 1));
    if (cut == std::string::npos || !page_room_split(join.c_str(), endpoint, room, int(sizeof room)) ||
        (room[0] != '\0' && !net::valid_name(room))) {
        page_room_say(("not a room address (ws://HOST:PORT/ROOM): " + join).c_str());
        return nullptr;
    }
    if (!seats) {
        page_room_say(("not a list of colours (黒,青,白,赤): " + text.substr(cut + 1)).c_str());
        return nullptr;
    }
    std::string name = room;
    if (name.empty()) {
        // A new room: its name, 128 random bits, goes into the address bar.
        name = net::random_hex128();
        page_room_named((join + name).c_str(), net::seat_names(*seats).c_str());
    }
    net::RoomSetup setup{name, "p" + net::random_hex128().substr(0, 15), *seats, net::random_hex128()};
    return std::unique_ptr<PageRoom>(new PageRoom(game, dialogs, sound, endpoint, std::move(setup)));
}

PageRoom::PageRoom(Game& game, net::RoomDialogs& dialogs, net::QuietSound& sound, std::string endpoint,
                   net::RoomSetup setup)
    : endpoint_(std::move(endpoint)), setup_(std::move(setup)), room_(game, dialogs, sound, transport_, setup_) {
    room_.on_note = [this](const std::string& note) { say(note); };
}

void PageRoom::start() {
    page_net_start(endpoint_.c_str(), setup_.room.c_str(), setup_.client.c_str(),
                   net::Topics(setup_.room).gone.c_str(), net::farewell(setup_).c_str());
    page_net_patience(journal_patience_ms);
    patience_asked_ = true;
}

void PageRoom::show_state(const Game& game) const {
    char signature[17];
    std::snprintf(signature, sizeof signature, "%016llx", static_cast<unsigned long long>(game.signature()));
    const char* role = room_.role() == net::Room::Role::orderer    ? "orderer"
                       : room_.role() == net::Room::Role::follower ? "follower"
                                                                   : "waiting";
    const std::string state = std::to_string(room_.position()) + " " + signature + " " + role +
                              (room_.diverged() ? " diverged" : "");
    std::string journal;
    if (room_page_logging())
        for (const Command c : game.journal()) journal += command_text(c) + "\n";
    page_room_state(state.c_str(), journal.c_str());
}

void PageRoom::say(const std::string& note) {
    console_line(note);
    if (note.rfind("rejected", 0) == 0) return;  // for the log only
    page_room_say(note.c_str());
}

void PageRoom::event(int kind) {
    switch (kind) {
        case connected:
            room_.connected();
            if (room_.role() == net::Room::Role::waiting && !patience_asked_) {
                page_net_patience(journal_patience_ms);
                patience_asked_ = true;
            }
            break;
        case lost: room_.disconnected(); break;
        case message: {
            int topic_size = -1, payload_size = -1;
            page_net_sizes(&topic_size, &payload_size);
            if (topic_size < 0 || payload_size < 0) break;
            std::string topic(std::size_t(topic_size), '\0'), payload(std::size_t(payload_size), '\0');
            page_net_take(topic.data(), payload.data());
            room_.message(topic, payload);
            break;
        }
        case patience:
            patience_asked_ = false;
            if (room_.role() != net::Room::Role::waiting) break;
            if (!room_.is_connected()) {
                say("the room's broker cannot be reached; trying again");
                break;
            }
            room_.make();
            say("no game in the room yet: this page makes it and orders its commands");
            break;
        default: break;
    }
}

}  // namespace quintora::web
