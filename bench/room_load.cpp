// SPDX-License-Identifier: GPL-3.0-or-later
// Many rooms at once against a broker (or a cluster's nodes) that someone
// else started on loopback: four machines a room, every machine its own
// MQTT connection, all of them in this one process on one thread (an epoll
// loop over libmosquitto's socket calls), so that thousands of connections
// cost no thread each.
//
// Each room plays the room protocol's messages as the desktop sends them
// (net/protocol.h: cmd from a machine to the orderer, step from the
// orderer to all, each step carrying the journal's signature after it, read
// back with the strict readers). The commands are presses in turn, one
// machine after the other; the signature is a hash chain over the journal's
// text, which every machine keeps and checks at every step, as the game's
// position signature is checked in a real room. The time from a machine's
// press to each other machine's having run it is the relay latency.
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
// last step reached it. Full speed: at once. Idle: never (what the
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

#include "net/protocol.h"

using namespace quintora;
using namespace quintora::net;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int machines_per_room = 4;

std::uint64_t chain(std::uint64_t signature, const std::string& text) {
    std::uint64_t h = signature ^ 1469598103934665603ull;
    for (const unsigned char c : text) {
        h ^= c;
        h *= 1099511628211ull;
    }
    return h;
}

struct Room;

struct Machine {
    Room* room = nullptr;
    int index = 0;
    mosquitto* client = nullptr;
    int fd = -1;
    bool connected = false, subscribed = false;
    bool ended = false;  // its connection ended before it was in: to be tried again
    std::string name, token;
    std::uint64_t next_n = 1;
    std::uint64_t position = 0, signature = 0;  // the journal as this machine ran it
};

struct Room {
    std::string name;
    Topics topics;
    Machine machines[machines_per_room];
    // The orderer's record (machine 0 orders).
    std::uint64_t last_n[machines_per_room]{};
    std::uint64_t length = 0, signature = 0;
    // The command under way: who pressed, when, and who has run it.
    bool under_way = false;
    int turn = 0;
    Clock::time_point sent_at, next_press;
    int ran = 0;
    std::uint64_t sent = 0;
    explicit Room(std::string n) : name(std::move(n)), topics(name) {}
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

    void wrote(Machine& m) {
        if (m.client && mosquitto_want_write(m.client)) writers.push_back(&m);
    }
    Clock::time_point pause_after(Clock::time_point now) {
        if (full_speed) return now;
        return now + std::chrono::milliseconds(std::uniform_int_distribution<int>(1000, 3000)(random));
    }
};

Load* the_load = nullptr;
// The QoS of every publish and subscription: 1, as the desktop's link uses;
// 0 to see what acknowledgements cost a broker.
int qos = 1;

void publish(Machine& m, const std::string& topic, const std::string& payload) {
    mosquitto_publish(m.client, nullptr, topic.c_str(), int(payload.size()), payload.data(), qos, false);
    the_load->wrote(m);
}

// A step has reached machine `m` (or was made by it, the orderer).
void ran_step(Machine& m, const StepMessage& step) {
    Room& room = *m.room;
    Load& load = *the_load;
    if (step.from < m.position) {
        ++load.figures.doubled;
        return;
    }
    if (step.from > m.position) return;  // a gap: counted as lost at the end
    std::uint64_t signature = m.signature;
    for (const Command c : step.commands) signature = chain(signature, command_text(c));
    if (signature != step.signature) {
        ++load.figures.diverged;
        return;
    }
    m.signature = signature;
    m.position = step.from + step.commands.size();
    if (room.under_way && m.position == room.length) {
        const auto now = Clock::now();
        if (m.index != room.turn)
        {
            const double ms = std::chrono::duration<double, std::milli>(now - room.sent_at).count();
            if (load.measuring) load.figures.latencies_ms.push_back(ms);
            else if (room.sent <= machines_per_room) load.figures.first_ms.push_back(ms);
        }
        if (++room.ran == machines_per_room) {
            room.under_way = false;
            if (load.measuring) ++load.figures.commands;
            room.turn = (room.turn + 1) % machines_per_room;
            room.next_press = load.pause_after(now);
        }
    }
}

// The orderer takes a command: into the journal, and out as a step.
void order(Room& room, int origin, Command c) {
    Machine& orderer = room.machines[0];
    StepMessage step{room.length, 0, room.machines[origin].name, Journal{c}};
    room.signature = chain(room.signature, command_text(c));
    step.signature = room.signature;
    ++room.length;
    publish(orderer, room.topics.step, message_text(step));
    ran_step(orderer, step);
}

void on_message(mosquitto*, void* self, const mosquitto_message* msg) {
    Machine& m = *static_cast<Machine*>(self);
    Room& room = *m.room;
    const std::string_view payload(static_cast<const char*>(msg->payload), std::size_t(msg->payloadlen));
    const std::string_view topic(msg->topic);
    if (topic == room.topics.cmd && m.index == 0) {
        const auto parsed = parse_to_orderer(payload);
        const auto* c = parsed ? std::get_if<CommandMessage>(&*parsed) : nullptr;
        int origin = -1;
        for (int i = 1; i < machines_per_room && c; ++i)
            if (room.machines[i].name == c->client && room.machines[i].token == c->token) origin = i;
        if (origin < 0) {
            ++the_load->figures.rejected;
            return;
        }
        if (c->n <= room.last_n[origin]) {
            ++the_load->figures.doubled;
            return;
        }
        room.last_n[origin] = c->n;
        order(room, origin, c->command);
    } else if (topic == room.topics.step && m.index != 0) {
        const auto step = parse_step(payload);
        if (!step) {
            ++the_load->figures.rejected;
            return;
        }
        ran_step(m, *step);
    }
}

void on_connect(mosquitto* client, void* self, int rc) {
    Machine& m = *static_cast<Machine*>(self);
    if (rc != 0) return;
    m.connected = true;
    mosquitto_subscribe(client, nullptr, (m.index == 0 ? m.room->topics.cmd : m.room->topics.step).c_str(), qos);
}

void on_subscribe(mosquitto*, void* self, int, int, const int*) { static_cast<Machine*>(self)->subscribed = true; }

void press(Room& room, Clock::time_point now) {
    Machine& m = room.machines[room.turn];
    // Presses over the whole board, in an order no room repeats exactly.
    const int k = int(room.sent % 361);
    const Command c = Command::press_at(Cell{k % 19 + 1, k / 19 + 1});
    room.under_way = true;
    room.ran = 0;
    room.sent_at = now;
    ++room.sent;
    if (room.turn == 0) {
        order(room, 0, c);
    } else {
        publish(m, room.topics.cmd, message_text(CommandMessage{m.name, m.next_n++, m.token, c}));
    }
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

struct Options {
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
Share play_share(const Options& options, int ready, int go, int warmed, int measure) {
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
                        std::fprintf(stderr, "room_load: a connection of room %s was lost\n", m.room->name.c_str());
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
        auto room = std::make_unique<Room>(random_hex128());
        for (int i = 0; i < machines_per_room; ++i) {
            Machine& m = room->machines[i];
            m.room = room.get();
            m.index = i;
            // Made aside and moved in: GCC 12 warns of an overlapping copy
            // (-Wrestrict) in "m" + std::string&&, and in an assignment here.
            std::string name = std::to_string(i);
            name.insert(name.begin(), 'm');
            m.name = std::move(name);
            m.token = random_hex128();
            const std::string id = "load-" + std::to_string(getppid()) + "-" + std::to_string(r) + "-" + std::to_string(i);
            m.client = mosquitto_new(id.c_str(), true, &m);
            mosquitto_int_option(m.client, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
            mosquitto_int_option(m.client, MOSQ_OPT_TCP_NODELAY, 1);
            // The room lock: the room's name is the user name.
            mosquitto_username_pw_set(m.client, room->name.c_str(), room->name.c_str());
            mosquitto_connect_callback_set(m.client, on_connect);
            mosquitto_subscribe_callback_set(m.client, on_subscribe);
            mosquitto_message_callback_set(m.client, on_message);
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
    auto all_ready = [&] {
        for (const auto& room : load.rooms)
            for (const Machine& m : room->machines)
                if (!m.subscribed) return false;
        return true;
    };
    const auto ready_deadline = Clock::now() + std::chrono::seconds(180);
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
        std::fprintf(stderr, "room_load: not every machine subscribed within three minutes\n");
        std::exit(1);
    }
    char byte = 'r';
    if (write(ready, &byte, 1) != 1) std::exit(1);
    // Waiting for the others, the connections kept alive.
    while (true) {
        pollfd p{go, POLLIN, 0};
        if (poll(&p, 1, 0) == 1) break;
        service(10);
        for (auto& room : load.rooms)
            for (Machine& m : room->machines) mosquitto_loop_misc(m.client);
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
            for (auto& room : load.rooms)
                for (Machine& m : room->machines) mosquitto_loop_misc(m.client);
        }
        service(load.full_speed ? 0 : 2);
    }
    // Every follower's journal against the orderer's: what a follower lacks was lost.
    for (const auto& room : load.rooms) {
        if (room->under_way) ++share.lost;
        for (const Machine& m : room->machines) {
            if (m.position < room->length) share.lost += room->length - m.position;
            if (m.position == room->length && m.signature != room->signature) ++load.figures.diverged;
        }
    }
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
    Options options;
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
        Options mine = options;
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
