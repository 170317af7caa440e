// SPDX-License-Identifier: GPL-3.0-or-later
// How long a stone takes from the machine that places it to the others'
// boards, through a room of a real mosquitto that this program starts on
// loopback (and stops). Three machines, each on its own thread as it would be
// its own process: A makes the room and holds black and white, B holds blue
// and red, C watches. Games of four people are played from deterministic
// stones; each stone is timed from the press on its machine to the moment
// each other machine's game has run it. Also: the broker's own round trip
// (a message to oneself), and the bytes on the wire per stone.
//
//   quintora_room_latency [GAMES [STONES]]
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <mutex>
#include <stdexcept>
#include <thread>

#include "boards.h"
#include "net/broker.h"
#include "mqtt/mqtt_link.h"
#include "files/posix_storage.h"
#include "net/room.h"
#include "sodium/sodium_crypto.h"

using namespace quintora;
using namespace quintora::net;
using Clock = std::chrono::steady_clock;

namespace {

// The broker lets a client into the room its user name names: the room's id.
LinkOptions locked(int port, const std::string& id) {
    return LinkOptions{{BrokerEndpoint{"127.0.0.1", port}}, false, {}, id, id};
}

class Machine {
public:
    Machine(int port, const std::string& room, const std::string& client, Seats seats)
        : setup_{room, client, seats, random_hex128()},
          link_(locked(port, room_keys(crypto_, room).id), client, {}, {}) {
        game_.起動(1);
        room_ = std::make_unique<Room>(game_, dialogs_, sound_, link_, crypto_, setup_);
        link_.start();
        thread_ = std::thread([this] { run(); });
    }
    ~Machine() {
        running_ = false;
        thread_.join();
    }
    // Given on the machine's own thread; the moment it is given is kept.
    void give(Command c) {
        std::lock_guard lock(mutex_);
        commands_.push_back(c);
    }
    void make() {
        std::lock_guard lock(mutex_);
        make_ = true;
    }
    // When this machine's game reached `position`; zero while it has not.
    Clock::time_point reached(std::uint64_t position) {
        std::lock_guard lock(mutex_);
        return position < reached_.size() ? reached_[position] : Clock::time_point{};
    }
    Clock::time_point given_at() {
        std::lock_guard lock(mutex_);
        return given_at_;
    }
    std::uint64_t position() {
        std::lock_guard lock(mutex_);
        return position_;
    }
    bool ready() {
        std::lock_guard lock(mutex_);
        return ready_;
    }
    bool diverged() {
        std::lock_guard lock(mutex_);
        return diverged_;
    }
    std::uint64_t signature() {
        std::lock_guard lock(mutex_);
        return signature_;
    }
    // The colour to move in this machine's game (0 black .. 3 red).
    int to_move() {
        std::lock_guard lock(mutex_);
        return to_move_ - colour_black;
    }
    std::size_t bytes() const { return link_.bytes_sent() + link_.bytes_received(); }

private:
    void run() {
        while (running_) {
            link_.wait(std::chrono::milliseconds(1));
            link_.pump();
            std::deque<Command> commands;
            bool make = false;
            {
                std::lock_guard lock(mutex_);
                commands.swap(commands_);
                std::swap(make, make_);
            }
            if (make) room_->make();
            for (const Command c : commands) {
                {
                    std::lock_guard lock(mutex_);
                    given_at_ = Clock::now();
                }
                room_->local(c);
            }
            note();
        }
    }
    void note() {
        const auto now = Clock::now();
        std::lock_guard lock(mutex_);
        const std::uint64_t p = room_->position();
        if (reached_.size() <= p) reached_.resize(p + 1);
        for (std::uint64_t i = position_ + 1; i <= p; ++i) reached_[i] = now;
        position_ = p;
        ready_ = room_->is_connected() && (room_->role() == Room::Role::orderer ||
                                          (room_->role() == Room::Role::follower && room_->seats() == setup_.seats &&
                                           room_->orderer_here()));
        diverged_ = room_->diverged();
        signature_ = game_.signature();
        to_move_ = game_.state().to_move;
    }

    bench::NullCanvas canvas_;
    bench::NullDialogs shown_;
    bench::NullPause pause_;
    bench::NullSound sound_out_;
    bench::NullMarks marks_;
    bench::FailingExit exit_;
    RoomDialogs dialogs_{shown_};
    QuietSound sound_{sound_out_};
    PosixStorage storage_;
    Game game_{Platform{canvas_, dialogs_, pause_, sound_, marks_, exit_, storage_}};
    RoomSetup setup_;
    sodium::SodiumCrypto crypto_;
    MqttLink link_;
    std::unique_ptr<Room> room_;
    std::thread thread_;
    std::atomic<bool> running_{true};
    std::mutex mutex_;
    std::deque<Command> commands_;
    bool make_ = false;
    Clock::time_point given_at_;
    std::vector<Clock::time_point> reached_{Clock::time_point{}};
    std::uint64_t position_ = 0;
    bool ready_ = false, diverged_ = false;
    std::uint64_t signature_ = 0;
    int to_move_ = 0;

};

template <class Done>
bool wait_for(Done done, std::chrono::seconds patience = std::chrono::seconds(30)) {
    const auto deadline = Clock::now() + patience;
    while (Clock::now() < deadline) {
        if (done()) return true;
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    return false;
}

double ms(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

void report(const char* what, const std::vector<double>& v) {
    std::printf("%-44s n=%-4zu p50=%.2fms p95=%.2fms max=%.2fms\n", what, v.size(), bench::quantile(v, 0.5),
                bench::quantile(v, 0.95), bench::quantile(v, 1.0));
}

// The broker's round trip: a message published to a topic this client
// listens to, until it comes back.
std::vector<double> broker_round_trips(int port, int count) {
    sodium::SodiumCrypto crypto;
    const std::string id = room_keys(crypto, "echo").id;
    MqttLink link(locked(port, id), "echo", {}, {});
    link.start();
    std::vector<double> out;
    // The link hands what it hears to a room; this one only drains it.
    bench::NullDialogs d;
    bench::NullPause p;
    bench::NullSound s;
    bench::NullMarks m;
    bench::FailingExit e;
    RoomDialogs rd{d};
    QuietSound qs{s};
    bench::NullCanvas c;
    PosixStorage st;
    Game g{Platform{c, rd, p, qs, m, e, st}};
    Room r(g, rd, qs, link, crypto, RoomSetup{"echo", "echo", 0, random_hex128()});
    if (!wait_for([&] {
            link.pump();
            return r.is_connected();
        }))
        return out;
    const std::string ping = Topics(id).cmd + "/ping";
    link.subscribe(ping);
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // the subscription settles; not timed
    for (int i = 0; i < count; ++i) {
        const auto before = link.bytes_received();
        const auto t0 = Clock::now();
        link.publish(ping, "ping", false);
        while (link.bytes_received() == before) {
            link.wait(std::chrono::milliseconds(50));
            link.pump();
        }
        out.push_back(ms(Clock::now() - t0));
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    const int games = argc > 1 ? std::atoi(argv[1]) : 3;
    const int stones = argc > 2 ? std::atoi(argv[2]) : 120;
    testing::Broker broker;
    if (!broker.start()) {
        std::fprintf(stderr, "room_latency: mosquitto did not start\n%s", broker.log().c_str());
        return 1;
    }
    const std::string name = random_hex128();
    Machine a(broker.port(), name, "a", *parse_seat_names("黒,白"));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));  // A connects; then it makes the room
    a.make();
    if (!wait_for([&] { return a.ready(); })) return 1;
    Machine b(broker.port(), name, "b", *parse_seat_names("青,赤"));
    Machine c(broker.port(), name, "c", 0);
    if (!wait_for([&] { return b.ready() && c.ready(); })) {
        std::fprintf(stderr, "room_latency: the machines did not join\n");
        return 1;
    }
    try {
        std::vector<double> one_hop, two_hops;
        const std::size_t bytes_before = a.bytes() + b.bytes() + c.bytes();
        int placed = 0;
        for (int gi = 0; gi < games; ++gi) {
            const auto moves = bench::make_game(stones, 20240611 + std::uint64_t(gi));
            Machine* machines[] = {&a, &b, &c};
            auto step = [&](Machine& by, Command cmd, bool timed) {
                const auto target = a.position() + 1;
                by.give(cmd);
                if (!wait_for([&] {
                        return a.position() >= target && b.position() >= a.position() && c.position() >= a.position();
                    })) {
                    std::fprintf(stderr, "room_latency: a step did not arrive (positions %llu %llu %llu)\n",
                                 (unsigned long long)a.position(), (unsigned long long)b.position(),
                                 (unsigned long long)c.position());
                    // Out through the destructors, which stop the machines and the broker.
                    throw std::runtime_error("a step did not arrive");
                }
                if (!timed) return;
                const auto t0 = by.given_at();
                for (Machine* m : machines)
                    if (m != &by) (&by == &a ? one_hop : two_hops).push_back(ms(m->reached(target) - t0));
            };
            step(a, Command::of(CommandKind::PLAY_4), false);
            for (const auto& mv : moves) {
                // A cell the game refuses keeps the turn: the next stone is that colour's.
                Machine& by = a.to_move() % 2 == 0 ? a : b;
                step(by, Command::press_at(Cell{mv.x, mv.y}), true);
                ++placed;
            }
        }
        const std::size_t bytes = a.bytes() + b.bytes() + c.bytes() - bytes_before;
        const bool same = !a.diverged() && !b.diverged() && !c.diverged() && a.signature() == b.signature() &&
                          a.signature() == c.signature();
        report("broker round trip (publish to oneself)", broker_round_trips(broker.port(), 300));
        report("stone from the orderer to another machine", one_hop);
        report("stone from another machine to the third", two_hops);
        std::printf("stones=%d bytes on the wire (topic+payload, all machines)=%zu per stone=%.0f signatures %s\n",
                    placed, bytes, double(bytes) / placed, same ? "equal" : "DIFFER");
        return same ? 0 : 1;
    } catch (const std::runtime_error&) {
        return 1;
    }
}
