// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/web_room.h"

#include <emscripten.h>

#include <cstdio>
#include <vector>

#include "lang/language.h"
#include "ports/dialogs.h"

namespace quintora::web {

namespace {

enum Event { connected = 1, lost = 2, message = 3, tick = 4 };

EM_JS(int, page_room_wanted, (char* into, int size), {
    const w = QuintoraNet.wanted();
    if (w === "") return 0;
    if (lengthBytesUTF8(w) >= size) return -1;
    stringToUTF8(w, into, size);
    return 1;
});
EM_JS(int, page_room_split, (const char* join, char* endpoints, char* room, int size), {
    const parts = QuintoraNet.split(UTF8ToString(join));
    if (!parts || lengthBytesUTF8(parts.endpoints) >= size || lengthBytesUTF8(parts.room) >= size) return 0;
    stringToUTF8(parts.endpoints, endpoints, size);
    stringToUTF8(parts.room, room, size);
    return 1;
});
EM_JS(void, page_room_named, (const char* join, const char* seats),
      { QuintoraNet.named(UTF8ToString(join), UTF8ToString(seats)); });
EM_JS(void, page_room_say, (const char* text), { QuintoraNet.say(UTF8ToString(text)); });
EM_JS(void, page_net_start, (const char* endpoints, const char* room, const char* id, const char* will_topic,
                             const char* will), {
    QuintoraNet.start(UTF8ToString(endpoints), UTF8ToString(room), UTF8ToString(id), UTF8ToString(will_topic),
                      UTF8ToString(will));
});
EM_JS(int, page_net_publish, (const char* topic, const char* payload, int retain), {
    return QuintoraNet.publish(UTF8ToString(topic), UTF8ToString(payload), retain !== 0) ? 1 : 0;
});
EM_JS(void, page_net_subscribe, (const char* topic), { QuintoraNet.subscribe(UTF8ToString(topic)); });
EM_JS(void, page_net_sizes, (int* topic, int* payload), {
    const s = QuintoraNet.sizes();
    HEAP32[topic >> 2] = s[0];
    HEAP32[payload >> 2] = s[1];
});
EM_JS(void, page_net_take, (char* topic, char* payload), { QuintoraNet.take(HEAPU8, topic, payload); });
EM_JS(double, page_now, (), { return performance.now(); });
// A box shown while the game goes on: its answer comes back as an input.
EM_JS(void, page_box_later, (int kind, const char* text, const char* caption),
      { QuintoraUI.boxLater(kind, UTF8ToString(text), UTF8ToString(caption)); });

EM_JS(void, page_room_state, (const char* state, const char* journal), {
    document.documentElement.dataset.room = UTF8ToString(state);
    if (QuintoraUI.logging) QuintoraUI.roomJournal = UTF8ToString(journal);
});
EM_JS(int, room_page_logging, (), { return QuintoraUI.logging ? 1 : 0; });

}  // namespace

bool PageTransport::publish(const std::string& topic, const std::string& payload, bool retain) {
    return page_net_publish(topic.c_str(), payload.c_str(), retain ? 1 : 0) != 0;
}

void PageTransport::subscribe(const std::string& topic) { page_net_subscribe(topic.c_str()); }

bool PageTransport::event(int kind) {
    net::TransportListener* to = listener();
    switch (kind) {
        case connected:
            if (to) to->connected();
            return true;
        case lost:
            if (to) to->disconnected();
            return true;
        case message: {
            int topic_size = -1, payload_size = -1;
            page_net_sizes(&topic_size, &payload_size);
            if (topic_size < 0 || payload_size < 0) return true;
            std::string topic(std::size_t(topic_size), '\0'), payload(std::size_t(payload_size), '\0');
            page_net_take(topic.data(), payload.data());
            if (to) to->message(topic, payload);
            return true;
        }
        default: return false;
    }
}

std::unique_ptr<PageRoom> PageRoom::from_link() {
    char wanted[2048] = {};
    const int asked = page_room_wanted(wanted, int(sizeof wanted));
    if (asked == 0) return nullptr;
    const std::string text = asked > 0 ? wanted : "";
    const auto cut = text.find('\n');
    char endpoints[1024] = {}, room[1024] = {};
    const std::string join = text.substr(0, cut);
    const auto seats = cut == std::string::npos ? std::nullopt : net::parse_seat_names(text.substr(cut + 1));
    if (cut == std::string::npos || !page_room_split(join.c_str(), endpoints, room, int(sizeof room)) ||
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
    return std::unique_ptr<PageRoom>(new PageRoom(endpoints, std::move(setup)));
}

PageRoom::PageRoom(std::string endpoint, net::RoomSetup setup)
    : endpoint_(std::move(endpoint)), setup_(std::move(setup)) {}

PageRoom::~PageRoom() = default;

void PageRoom::start(net::Session& session, net::RoomDialogs& dialogs, net::QuietSound& sound) {
    session_ = &session;
    session.on_log = [](const std::string& line) { std::fprintf(stderr, "quintora: %s\n", line.c_str()); };
    if (!PageCrypto::load()) {
        session.tell({net::Word::no_network, {}, 0, 0, true});
        return;
    }
    // A box held while this page ordered shows without holding the page:
    // the room's messages go on being taken meanwhile.
    session.on_box = [](const net::HeldBox& box) {
        const int kind = box.kind == net::HeldBox::Kind::question  ? 1
                         : box.kind == net::HeldBox::Kind::warning ? 2
                                                                   : 0;
        const std::string caption(
            box_title(box.kind == net::HeldBox::Kind::about ? std::string_view("Quintora") : box.caption));
        page_box_later(kind, lang::tr(box.text).c_str(), lang::tr(caption).c_str());
    };
    session.join(dialogs, sound, transport_, crypto_, setup_);
    session.tick(std::uint64_t(page_now()));
    // The broker knows the room by its id alone, never by its secret; every
    // machine of the room starts at the broker of the list its id picks.
    const std::string id = session.room()->id();
    std::vector<std::string> list;
    for (std::string_view rest = endpoint_; !rest.empty();) {
        const auto space = rest.find(' ');
        list.emplace_back(rest.substr(0, space));
        rest = space == std::string_view::npos ? std::string_view{} : rest.substr(space + 1);
    }
    std::string ordered;
    const std::size_t first = net::first_broker(id, list.size());
    for (std::size_t i = 0; i < list.size(); ++i) ordered += (i ? " " : "") + list[(first + i) % list.size()];
    page_net_start(ordered.c_str(), id.c_str(), setup_.client.c_str(), transport_.will_topic.c_str(),
                   transport_.will_payload.c_str());
}

void PageRoom::event(int kind) {
    if (!transport_.event(kind) && kind == tick && session_) session_->tick(std::uint64_t(page_now()));
}

void PageRoom::show_state(const Game& game) const {
    const net::Room* room = session_ ? session_->room() : nullptr;
    if (!room) return;
    char signature[17];
    std::snprintf(signature, sizeof signature, "%016llx", static_cast<unsigned long long>(game.shared_signature()));
    const char* role = room->role() == net::Room::Role::orderer    ? "orderer"
                       : room->role() == net::Room::Role::follower ? "follower"
                                                                   : "waiting";
    const std::string state =
        std::to_string(room->position()) + " " + signature + " " + role + (room->diverged() ? " diverged" : "");
    std::string journal;
    if (room_page_logging()) journal = journal_text(room->journal());
    page_room_state(state.c_str(), journal.c_str());
    const std::string line = session_->line();
    if (line != shown_line_) {
        shown_line_ = line;
        page_room_say(line.c_str());
    }
}

}  // namespace quintora::web
