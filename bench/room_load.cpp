// SPDX-License-Identifier: GPL-3.0-or-later
// Many rooms at once against a broker (or a cluster's nodes) that someone
// else started on loopback: four machines a room, every machine its own
// MQTT connection, all of them in this one process on one thread (an epoll
// loop over libmosquitto's socket calls), so that thousands of connections
// cost no thread each.
//
// Each machine is the game and the room's own code (net::Room) as a desktop
// runs them, behind a window, boxes and sound that show nothing: signed and
// sealed messages, the maker ordering, the others joining, following and
// checking the game's signature after every step. Each room plays a
// four-colour game, the machine holding the colour to move pressing, and a
// new game after a win. The time from a machine's press to each other
// machine's having run it is the relay latency.
//
//   quintora_room_load --rooms N --pace person|full --seconds S
//       --brokers 127.0.0.1:PORT[,127.0.0.1:PORT...] [--broker-pids PID[,PID...]] [--processes P]
//       [--qos 0|1] [--spread rooms|machines]
//
// --spread: on a cluster, `rooms` (unless given) puts a room's four machines
// together on one node, the rooms taking the nodes in turn, as the desktop's
// link does (it starts at the node the room's name picks); `machines` puts
// them on different nodes, so that every message of a room crosses nodes:
// the worst case.
//
// libmosquitto takes three files a connection (its socket and a wake-up
// pair): beyond what the limit on open files allows one process, the rooms
// are shared among as many processes (each one thread and one loop), which
// connect, then start and are measured together.
//
// A person's pace: the machine whose turn it is presses 1 to 3 s after the
// last step reached it. Full speed: as fast as a room takes commands from
// its members (a member's flood limit is eight a second), so the next press
// comes 60 ms after the last was run everywhere. Idle: never (what the
// connections alone cost). One line at the end:
//   rooms=N machines=M commands/s=... p50=...ms p99=...ms max=...ms lost=0
//   doubled=0 broker_cpu=...% broker_mb_per_room=... diverged=0 pace=...
#include <mosquitto.h>
#include <poll.h>
#include <sys/epoll.h>
#include <sys/wait.h>
#include <csignal>
#include <cerrno>
#include <thread>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "boards.h"
#include "files/posix_storage.h"
#include "game/game.h"
#include "net/protocol.h"
#include "net/room.h"
#include "sodium/sodium_crypto.h"

using namespace quintora;
using namespace quintora::net;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int machines_per_room = 4;

// No sound system: no wave file is read.
struct NoSound : bench::NullSound {
    std::int32_t dsInitialize(std::int32_t) override { return 0; }
};

struct Room;

// One machine of a room: the game and the room's own code (net::Room) as a
// desktop runs them, over its own MQTT connection.
struct Machine : Transport {
    Room* room = nullptr;
    int index = 0;
    mosquitto* client = nullptr;
    int fd = -1;
    bool connected = false;
    bool ended = false;  // its connection ended before it was in: to be tried again
    int subscribing = 0;  // subscriptions not yet granted
    bench::NullCanvas canvas;
    bench::NullDialogs shown;
    bench::NullPause pause;
    NoSound sound_out;
    bench::NullMarks marks;
    bench::FailingExit exit;
    PosixStorage storage;
    RoomDialogs dialogs{shown};
    QuietSound sound{sound_out};
    std::unique_ptr<Game> game;
    std::unique_ptr<net::Room> net_room;
    std::uint64_t before = 0;  // its position when the command under way was given
    bool ran = false;

    bool publish(const std::string& topic, const std::string& payload, bool retain) override;
    void subscribe(const std::string& topic) override;
    void will(const std::string& topic, const std::string& payload) override {
        mosquitto_will_set(client, topic.c_str(), int(payload.size()), payload.data(), 1, false);
    }
    bool in() const { return connected && subscribing == 0; }
};

struct Room {
    std::string secret, id;
    Machine machines[machines_per_room];
    // The command under way: who gave it, when, and who has run it.
    bool under_way = false;
    int giver = 0;
    Clock::time_point sent_at, next_press;
    int ran = 0;
    std::uint64_t sent = 0, stalled = 0;
    explicit Room(std::string s, std::string i) : secret(std::move(s)), id(std::move(i)) {}
    net::Room& orderer() { return *machines[0].net_room; }
};

struct Figures {
    std::vector<double> latencies_ms;
    std::vector<double> first_ms;  // the first round of every room, before measuring
    std::uint64_t commands = 0, doubled = 0, diverged = 0, rejected = 0;
};

struct Load {
    std::vector<std::unique_ptr<Room>> rooms;
    Figures figures;
    bool measuring = false, pressing = true;
    bool full_speed = false;
    std::mt19937 random{12345};
    int epoll = -1;
    std::vector<Machine*> writers;  // machines with bytes still to write
    sodium::SodiumCrypto crypto;

    void wrote(Machine& m) {
        if (m.client && mosquitto_want_write(m.client)) writers.push_back(&m);
    }
    Clock::time_point pause_after(Clock::time_point now) {
        // Four machines in turn, each well within eight commands a second.
        if (full_speed) return now + std::chrono::milliseconds(60);
        return now + std::chrono::milliseconds(std::uniform_int_distribution<int>(1000, 3000)(random));
    }
};

Load* the_load = nullptr;
// The QoS of every publish and subscription: 1, as the desktop's link uses;
// 0 to see what acknowledgements cost a broker.
int qos = 1;

bool Machine::publish(const std::string& topic, const std::string& payload, bool retain) {
    if (!connected) return false;
    const int rc =
        mosquitto_publish(client, nullptr, topic.c_str(), int(payload.size()), payload.data(), qos, retain);
    the_load->wrote(*this);
    return rc == MOSQ_ERR_SUCCESS;
}

void Machine::subscribe(const std::string& topic) {
    ++subscribing;
    mosquitto_subscribe(client, nullptr, topic.c_str(), qos);
    the_load->wrote(*this);
}

// After the transport's events: which machines have run the command under
// way, each the time it took; the next turn once all have.
void look(Room& room, Clock::time_point now) {
    Load& load = *the_load;
    if (!room.under_way) return;
    for (Machine& m : room.machines) {
        if (m.ran || m.net_room->position() <= m.before) continue;
        m.ran = true;
        ++room.ran;
        if (m.index == room.giver) continue;
        const double ms = std::chrono::duration<double, std::milli>(now - room.sent_at).count();
        if (load.measuring) load.figures.latencies_ms.push_back(ms);
        else if (room.sent <= machines_per_room) load.figures.first_ms.push_back(ms);
    }
    if (room.ran == machines_per_room) {
        room.under_way = false;
        if (load.measuring) ++load.figures.commands;
        room.next_press = load.pause_after(now);
    } else if (now - room.sent_at > std::chrono::seconds(10)) {
        // Never run everywhere: counted, and the room goes on.
        ++room.stalled;
        if (std::getenv("QUINTORA_LOAD_DEBUG")) {
            std::fprintf(stderr, "stalled: giver %d, ran %d:", room.giver, room.ran);
            for (Machine& m : room.machines) std::fprintf(stderr, " %llu/%llu", (unsigned long long)m.before, (unsigned long long)m.net_room->position());
            std::fprintf(stderr, " mode %d\n", room.machines[0].game->state().game_mode);
        }
        room.under_way = false;
        room.next_press = now;
    }
}

std::uint64_t now_ms() {
    return std::uint64_t(
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now().time_since_epoch()).count());
}

// Once a second: libmosquitto's keep-alive, and the room's (a follower says
// that it is there, the orderer frees the seats of the silent).
void every_second(Load& load) {
    const std::uint64_t ms = now_ms();
    for (auto& room : load.rooms)
        for (Machine& m : room->machines) {
            mosquitto_loop_misc(m.client);
            m.net_room->tick(ms);
            load.wrote(m);
        }
}

void on_message(mosquitto*, void* self, const mosquitto_message* msg) {
    Machine& m = *static_cast<Machine*>(self);
    const std::string_view payload(static_cast<const char*>(msg->payload),
                                   msg->payloadlen > 0 ? std::size_t(msg->payloadlen) : 0);
    m.net_room->message(msg->topic ? msg->topic : "", payload);
}

void on_connect(mosquitto*, void* self, int rc) {
    Machine& m = *static_cast<Machine*>(self);
    if (rc != 0) return;
    m.connected = true;
    m.net_room->connected();
}

void on_disconnect(mosquitto*, void* self, int) {
    Machine& m = *static_cast<Machine*>(self);
    if (!m.connected) return;
    m.connected = false;
    m.net_room->disconnected();
}

void on_subscribe(mosquitto*, void* self, int, int, const int*) {
    Machine& m = *static_cast<Machine*>(self);
    if (m.subscribing > 0) --m.subscribing;
}

// The machine holding the colour to move plays the first empty cell of the
// board, counted from a place of the room's own; with no game on (after a
// win) the maker starts the next four-colour game.
void press(Room& room, Clock::time_point now) {
    const GameState& s = room.machines[0].game->state();
    Command c = Command::of(CommandKind::PLAY_4);
    room.giver = 0;
    if (s.game_mode != no_game && s.to_move >= colour_black) {
        // A full board without a five: the maker starts anew.
        const int from = int((room.sent * 7 + std::hash<std::string>{}(room.id)) % 361);
        for (int k = 0; k < 361; ++k) {
            const int cell = (from + k) % 361;
            const int x = cell % 19 + 1, y = cell / 19 + 1;
            if (s.board[x][y] == cell_empty) {
                c = Command::press_at(Cell{x, y});
                room.giver = (s.to_move - colour_black) % machines_per_room;
                break;
            }
        }
    }
    room.under_way = true;
    room.ran = 0;
    room.sent_at = now;
    ++room.sent;
    for (Machine& m : room.machines) {
        m.before = m.net_room->position();
        m.ran = false;
    }
    room.machines[room.giver].net_room->local(c);
}

struct Process {
    double cpu_seconds = 0, rss_mb = 0;
};

Process broker_usage(const std::vector<int>& pids) {
    Process p;
    const double tick = double(sysconf(_SC_CLK_TCK));
    for (const int pid : pids) {
        std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
        std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
        const auto close = text.rfind(')');
        if (close == std::string::npos) continue;
        std::istringstream fields(text.substr(close + 2));
        std::string f;
        std::vector<std::string> v;
        while (fields >> f) v.push_back(f);
        if (v.size() > 12) p.cpu_seconds += (std::stod(v[11]) + std::stod(v[12])) / tick;
        std::ifstream status("/proc/" + std::to_string(pid) + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("VmRSS:", 0) == 0) p.rss_mb += std::stod(line.substr(6)) / 1024.0;
    }
    return p;
}

std::vector<std::string> split(const std::string& s) {
    std::vector<std::string> out;
    std::stringstream in(s);
    std::string item;
    while (std::getline(in, item, ',')) out.push_back(item);
    return out;
}

double percentile(std::vector<double>& v, double q) {
    if (v.empty()) return 0;
    const std::size_t i = std::min(v.size() - 1, std::size_t(q * double(v.size())));
    std::nth_element(v.begin(), v.begin() + long(i), v.end());
    return v[i];
}

struct LoadOptions {
    int rooms = 10, first_room = 0, seconds = 60;
    bool full_speed = false, spread_rooms = true, idle = false;
    std::vector<std::pair<std::string, int>> brokers;
};

struct Share {
    Figures figures;
    std::uint64_t lost = 0;
};

// One process's share of the rooms: connects them, tells the parent it is
// ready (a byte on `ready`), waits for the word to go (a byte on `go`),
// plays them on the common timeline and gives back what it saw.
Share play_share(const LoadOptions& options, int ready, int go, int warmed, int measure) {
    mosquitto_lib_init();
    Load load;
    the_load = &load;
    load.full_speed = options.full_speed;
    load.random.seed(std::uint32_t(12345 + options.first_room));
    load.epoll = epoll_create1(0);
    Share share;

    auto service = [&](int timeout_ms) {
        epoll_event events[256];
        const int n = epoll_wait(load.epoll, events, 256, timeout_ms);
        for (int i = 0; i < n; ++i) {
            Machine& m = *static_cast<Machine*>(events[i].data.ptr);
            if (events[i].events & (EPOLLIN | EPOLLERR | EPOLLHUP)) {
                if (mosquitto_loop_read(m.client, 1) != MOSQ_ERR_SUCCESS) {
                    if (m.connected) {
                        m.connected = false;
                        std::fprintf(stderr, "room_load: a connection of room %s was lost\n", m.room->id.c_str());
                        epoll_ctl(load.epoll, EPOLL_CTL_DEL, m.fd, nullptr);
                    } else {
                        m.ended = true;  // refused, or closed before it was in
                    }
                }
            }
            load.wrote(m);
        }
        std::vector<Machine*> writers;
        writers.swap(load.writers);
        for (Machine* m : writers) mosquitto_loop_write(m->client, 1);
        for (Machine* m : writers)
            if (mosquitto_want_write(m->client) &&
                std::find(load.writers.begin(), load.writers.end(), m) == load.writers.end())
                load.writers.push_back(m);
    };
    // Connecting, a batch at a time, the machines of a room on different nodes.
    for (int r = options.first_room; r < options.first_room + options.rooms; ++r) {
        const std::string secret = random_hex128();
        auto room = std::make_unique<Room>(secret, room_keys(load.crypto, secret).id);
        for (int i = 0; i < machines_per_room; ++i) {
            Machine& m = room->machines[i];
            m.room = room.get();
            m.index = i;
            const std::string id = "load-" + std::to_string(getppid()) + "-" + std::to_string(r) + "-" + std::to_string(i);
            m.client = mosquitto_new(id.c_str(), true, &m);
            mosquitto_int_option(m.client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
            mosquitto_int_option(m.client, MOSQ_OPT_TCP_NODELAY, 1);
            // The room lock: the room's id is the user name.
            mosquitto_username_pw_set(m.client, room->id.c_str(), room->id.c_str());
            mosquitto_connect_callback_set(m.client, on_connect);
            mosquitto_disconnect_callback_set(m.client, on_disconnect);
            mosquitto_subscribe_callback_set(m.client, on_subscribe);
            mosquitto_message_callback_set(m.client, on_message);
            // The game as a desktop plays it, in no folder of its own: no
            // settings are read or kept.
            m.game = std::make_unique<Game>(
                Platform{m.canvas, m.dialogs, m.pause, m.sound, m.marks, m.exit, m.storage});
            m.game->options().settings_path = "/nonexistent/Quintora.ini";
            m.game->起動(1);
            std::string name = std::to_string(i);
            name.insert(name.begin(), 'm');
            m.net_room = std::make_unique<net::Room>(*m.game, m.dialogs, m.sound, m, load.crypto,
                                                     RoomSetup{secret, name, Seats(1 << i), random_hex128()});
            m.net_room->tick(now_ms());  // the room's clock starts before anyone is heard
            if (std::getenv("QUINTORA_LOAD_DEBUG"))
                m.net_room->on_rejection = [i](const std::string& line) { std::fprintf(stderr, "m%d: %s\n", i, line.c_str()); };
            const std::size_t node = options.spread_rooms ? std::size_t(r) : std::size_t(r) + std::size_t(i);
            const auto& broker = options.brokers[node % options.brokers.size()];
            if (mosquitto_connect(m.client, broker.first.c_str(), broker.second, 60) != MOSQ_ERR_SUCCESS) {
                std::fprintf(stderr, "room_load: room %d's machine %d could not connect: %s\n", r, i,
                             std::strerror(errno));
                std::exit(1);
            }
            m.fd = mosquitto_socket(m.client);
            epoll_event e{};
            e.events = EPOLLIN;
            e.data.ptr = &m;
            epoll_ctl(load.epoll, EPOLL_CTL_ADD, m.fd, &e);
            load.wrote(m);
        }
        load.rooms.push_back(std::move(room));
        if (r % 50 == 49) service(0);
    }
    // The room's maker makes it once it hears the room's topics; the others
    // join it. Ready: every machine follows the maker with its own colour.
    std::size_t rooms_in = 0;
    auto all_ready = [&] {
        bool ready = true;
        rooms_in = 0;
        for (const auto& room : load.rooms) {
            bool in = true;
            Machine& maker = room->machines[0];
            if (maker.in() && maker.net_room->role() == net::Room::Role::waiting) maker.net_room->make();
            for (int i = 1; i < machines_per_room; ++i) {
                const net::Room& r = *room->machines[i].net_room;
                in = in && r.role() == net::Room::Role::follower && r.seats() == Seats(1 << i);
            }
            in = in && maker.net_room->role() == net::Room::Role::orderer;
            rooms_in += in ? 1 : 0;
            ready = ready && in;
        }
        return ready;
    };
    // Each room's machines join it as the desktop does (signed and sealed
    // keys, the maker's answer): three minutes, and more for many rooms.
    const int ready_seconds = std::max(180, options.rooms * 3 / 10);
    const auto ready_deadline = Clock::now() + std::chrono::seconds(ready_seconds);
    // A login refused (a cluster's lock asked by thousands at once may not
    // answer in time) is tried again every few seconds, as the desktop's
    // link tries again.
    auto last_retry = Clock::now();
    while (!all_ready() && Clock::now() < ready_deadline) {
        service(10);
        if (Clock::now() - last_retry < std::chrono::seconds(5)) continue;
        last_retry = Clock::now();
        for (auto& room : load.rooms)
            for (Machine& m : room->machines) {
                if (!m.ended || m.connected) continue;
                m.ended = false;
                // Its old socket, if libmosquitto has not closed it yet, leaves the loop.
                if (m.fd >= 0 && mosquitto_socket(m.client) == m.fd) epoll_ctl(load.epoll, EPOLL_CTL_DEL, m.fd, nullptr);
                m.fd = -1;
                if (mosquitto_reconnect(m.client) != MOSQ_ERR_SUCCESS) continue;
                m.fd = mosquitto_socket(m.client);
                epoll_event e{};
                e.events = EPOLLIN;
                e.data.ptr = &m;
                epoll_ctl(load.epoll, EPOLL_CTL_ADD, m.fd, &e);
                load.wrote(m);
            }
    }
    if (!all_ready()) {
        std::fprintf(stderr, "room_load: %zu of %d rooms had all their machines in within %d s\n", rooms_in,
                     options.rooms, ready_seconds);
        std::exit(1);
    }
    char byte = 'r';
    if (write(ready, &byte, 1) != 1) std::exit(1);
    // Waiting for the others, the connections kept alive.
    while (true) {
        pollfd p{go, POLLIN, 0};
        if (poll(&p, 1, 0) == 1) break;
        service(10);
        every_second(load);
    }
    if (read(go, &byte, 1) != 1) std::exit(1);

    // Playing: the presses of every room, spread over the first pause.
    auto now = Clock::now();
    for (auto& room : load.rooms)
        room->next_press = now + std::chrono::milliseconds(
                                     std::uniform_int_distribution<int>(0, load.full_speed ? 100 : 3000)(load.random));
    // Warming up: every room plays a round, so that every machine has
    // pressed once (a machine's first message through a node takes the
    // slow way: its room's permissions asked of the lock, queues woken).
    // Once every share is warm, the window is measured on a common word;
    // then no more presses, and what is under way is let arrive.
    const auto warm_at_least = now + std::chrono::seconds(3);
    const auto warm_deadline = now + std::chrono::seconds(120);
    const auto never = Clock::time_point::max();
    auto end = never, drain = never;
    bool told_warm = false;
    Clock::time_point last_misc = now;
    bool measured = false;
    std::uint64_t rejected_before = 0;
    while (true) {
        now = Clock::now();
        if (!told_warm && now >= warm_at_least &&
            (options.idle || std::all_of(load.rooms.begin(), load.rooms.end(), [](const auto& room) {
                return room->sent > machines_per_room || (room->sent == machines_per_room && !room->under_way);
            }))) {
            told_warm = true;
            if (write(warmed, &byte, 1) != 1) std::exit(1);
        }
        if (!told_warm && now >= warm_deadline) {
            std::fprintf(stderr, "room_load: not every room played its first round within two minutes\n");
            std::exit(1);
        }
        if (end == never) {
            pollfd p{measure, POLLIN, 0};
            if (poll(&p, 1, 0) == 1) {
                if (read(measure, &byte, 1) != 1) std::exit(1);
                end = now + std::chrono::seconds(options.seconds);
                drain = end + std::chrono::seconds(10);
            }
        }
        load.measuring = end != never && now < end;
        if (now >= end) load.pressing = false;
        if (now >= drain) break;
        if (!load.pressing) {
            bool quiet = true;
            for (const auto& room : load.rooms) quiet = quiet && !room->under_way;
            if (quiet) break;
        }
        if (load.pressing && !options.idle)
            for (auto& room : load.rooms)
                if (!room->under_way && now >= room->next_press) press(*room, now);
        if (now - last_misc > std::chrono::seconds(1)) {
            last_misc = now;
            every_second(load);
        }
        service(load.full_speed ? 0 : 2);
        now = Clock::now();
        for (auto& room : load.rooms) look(*room, now);
        if (load.measuring && !measured) {
            measured = true;
            for (const auto& room : load.rooms)
                for (const Machine& m : room->machines) rejected_before += m.net_room->rejected();
        }
    }
    // Every follower's game against the orderer's: a command a follower
    // lacks was lost; a game that differs (or that its room found differing) diverged.
    std::uint64_t rejected_after = 0;
    for (auto& room : load.rooms) {
        share.lost += room->stalled + (room->under_way ? 1 : 0);
        const net::Room& orderer = room->orderer();
        const std::uint64_t signature = room->machines[0].game->shared_signature();
        for (const Machine& m : room->machines) {
            const net::Room& r = *m.net_room;
            rejected_after += r.rejected();
            if (r.position() < orderer.position()) share.lost += orderer.position() - r.position();
            if (r.diverged() || (r.position() == orderer.position() && m.game->shared_signature() != signature))
                ++load.figures.diverged;
        }
    }
    // Turned away while measuring (a step twice, a forgery, a replay).
    if (measured) load.figures.rejected = rejected_after - rejected_before;
    for (auto& room : load.rooms)
        for (Machine& m : room->machines) {
            mosquitto_disconnect(m.client);
            mosquitto_loop_write(m.client, 1);
            mosquitto_destroy(m.client);
        }
    mosquitto_lib_cleanup();
    share.figures = std::move(load.figures);
    return share;
}

}  // namespace

int main(int argc, char** argv) {
    LoadOptions options;
    int processes = 0;
    std::string pace = "person", brokers_text, pids_text;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string key = argv[i], value = argv[i + 1];
        if (key == "--rooms") options.rooms = std::atoi(value.c_str());
        else if (key == "--seconds") options.seconds = std::atoi(value.c_str());
        else if (key == "--pace") pace = value;
        else if (key == "--brokers") brokers_text = value;
        else if (key == "--broker-pids") pids_text = value;
        else if (key == "--processes") processes = std::atoi(value.c_str());
        else if (key == "--qos") qos = std::atoi(value.c_str()) == 0 ? 0 : 1;
        else if (key == "--spread") options.spread_rooms = value != "machines";
    }
    for (const auto& b : split(brokers_text)) {
        const auto colon = b.rfind(':');
        const std::string host = b.substr(0, colon);
        // Load goes to this machine's brokers only.
        if (host != "127.0.0.1" || colon == std::string::npos) {
            std::fprintf(stderr, "room_load: brokers on 127.0.0.1 only: %s\n", b.c_str());
            return 2;
        }
        options.brokers.emplace_back(host, std::atoi(b.c_str() + colon + 1));
    }
    std::vector<int> pids;
    for (const auto& p : split(pids_text)) pids.push_back(std::atoi(p.c_str()));
    if (options.brokers.empty() || options.rooms < 1 || (pace != "person" && pace != "full" && pace != "idle")) {
        std::fprintf(stderr, "usage: %s --rooms N --pace person|full --seconds S --brokers 127.0.0.1:PORT,...\n",
                     argv[0]);
        return 2;
    }
    options.full_speed = pace == "full";
    options.idle = pace == "idle";
    // Every connection is a file, three with libmosquitto's wake-up pair:
    // as many processes as the limit on files asks for.
    rlimit limit{};
    getrlimit(RLIMIT_NOFILE, &limit);
    limit.rlim_cur = limit.rlim_max;
    setrlimit(RLIMIT_NOFILE, &limit);
    const int rooms_per_process = std::max(1, int((limit.rlim_cur - 64) / (3 * machines_per_room)));
    if (processes < 1) processes = (options.rooms + rooms_per_process - 1) / rooms_per_process;
    if (options.rooms > processes * rooms_per_process) {
        std::fprintf(stderr, "room_load: %d rooms need more processes than %d\n", options.rooms, processes);
        return 2;
    }

    const Process idle = broker_usage(pids);
    const auto start = Clock::now();
    int ready[2], go[2], warmed[2], measure[2];
    if (pipe(ready) != 0 || pipe(go) != 0 || pipe(warmed) != 0 || pipe(measure) != 0) return 1;
    std::vector<pid_t> children;
    std::vector<std::string> results;
    int first = 0;
    for (int k = 0; k < processes; ++k) {
        LoadOptions mine = options;
        mine.first_room = first;
        mine.rooms = options.rooms / processes + (k < options.rooms % processes ? 1 : 0);
        first += mine.rooms;
        results.push_back("/tmp/quintora-load-" + std::to_string(getpid()) + "-" + std::to_string(k));
        const pid_t child = fork();
        if (child == 0) {
            const Share share = play_share(mine, ready[1], go[0], warmed[1], measure[0]);
            std::ofstream out(results.back());
            const auto& f = share.figures;
            out << f.commands << ' ' << f.doubled << ' ' << f.diverged << ' ' << f.rejected << ' ' << share.lost
                << ' ' << f.latencies_ms.size() << ' ' << f.first_ms.size() << '\n';
            for (const double l : f.latencies_ms) out << l << '\n';
            for (const double l : f.first_ms) out << l << '\n';
            out.close();
            _exit(0);
        }
        children.push_back(child);
    }
    // The ends the shares write: closed here, so that a share that dies is
    // an end of file, not a wait for ever.
    close(ready[1]);
    close(warmed[1]);
    // Every share connected: they go together, and the broker is measured
    // over the same window as the commands.
    // A byte from every share on `from`; false (the shares ended) when one failed.
    auto hear_all = [&](int from, const char* when) {
        for (int k = 0; k < processes; ++k) {
            char byte;
            if (read(from, &byte, 1) != 1) {
                std::fprintf(stderr, "room_load: a share failed %s\n", when);
                for (const pid_t c : children) kill(c, SIGTERM);
                return false;
            }
        }
        return true;
    };
    if (!hear_all(ready[0], "before playing")) return 1;
    const double connect_s = std::chrono::duration<double>(Clock::now() - start).count();
    const std::string word(std::size_t(processes), 'g');
    if (write(go[1], word.data(), word.size()) != ssize_t(word.size())) return 1;
    const auto went = Clock::now();
    if (!hear_all(warmed[0], "while warming up")) return 1;
    const double warm_s = std::chrono::duration<double>(Clock::now() - went).count();
    if (write(measure[1], word.data(), word.size()) != ssize_t(word.size())) return 1;
    const Process before = broker_usage(pids);
    const auto measured_from = Clock::now();
    std::this_thread::sleep_for(std::chrono::seconds(options.seconds));
    const Process after = broker_usage(pids);
    const double measured_s = std::chrono::duration<double>(Clock::now() - measured_from).count();
    bool failed = false;
    for (const pid_t c : children) {
        int status = 0;
        waitpid(c, &status, 0);
        failed = failed || !WIFEXITED(status) || WEXITSTATUS(status) != 0;
    }

    Figures all;
    std::uint64_t lost = 0;
    for (const auto& name : results) {
        std::ifstream in(name);
        std::uint64_t commands = 0, doubled = 0, diverged = 0, rejected = 0, share_lost = 0;
        std::size_t n = 0, n_first = 0;
        if (!(in >> commands >> doubled >> diverged >> rejected >> share_lost >> n >> n_first)) failed = true;
        all.commands += commands;
        all.doubled += doubled;
        all.diverged += diverged;
        all.rejected += rejected;
        lost += share_lost;
        for (auto [count, into] : {std::pair{n, &all.latencies_ms}, std::pair{n_first, &all.first_ms}})
            for (std::size_t i = 0; i < count; ++i) {
                double l = 0;
                in >> l;
                into->push_back(l);
            }
        std::remove(name.c_str());
    }
    auto& l = all.latencies_ms;
    const double p50 = percentile(l, 0.50), p99 = percentile(l, 0.99);
    const double max = l.empty() ? 0 : *std::max_element(l.begin(), l.end());
    const double first_p50 = percentile(all.first_ms, 0.50), first_p99 = percentile(all.first_ms, 0.99);
    const double cpu = measured_s > 0 ? 100.0 * (after.cpu_seconds - before.cpu_seconds) / measured_s : 0;
    const double mb_per_room = (after.rss_mb - idle.rss_mb) / options.rooms;
    std::printf("rooms=%d machines=%d commands/s=%.1f p50=%.1fms p99=%.1fms max=%.1fms lost=%llu doubled=%llu "
                "broker_cpu=%.0f%% broker_mb_per_room=%.3f diverged=%llu rejected=%llu pace=%s qos=%d spread=%s "
                "processes=%d connect_s=%.1f warm_s=%.1f first_p50=%.1fms first_p99=%.1fms\n",
                options.rooms, options.rooms * machines_per_room, double(all.commands) / options.seconds, p50, p99,
                max, static_cast<unsigned long long>(lost), static_cast<unsigned long long>(all.doubled), cpu,
                mb_per_room, static_cast<unsigned long long>(all.diverged),
                static_cast<unsigned long long>(all.rejected), pace.c_str(), qos,
                options.spread_rooms ? "rooms" : "machines", processes, connect_s, warm_s, first_p50, first_p99);
    std::fflush(stdout);
    return !failed && lost == 0 && all.diverged == 0 && all.rejected == 0 ? 0 : 1;
}
