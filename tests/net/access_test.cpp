// SPDX-License-Identifier: GPL-3.0-or-later
// Rooms no stranger can enter: the room lock of mosquitto (an ACL pattern)
// and of the RabbitMQ cluster (its HTTP auth backend asking
// net/broker/room_auth.py) lets a client publish and subscribe under its
// own room's topics only, the room's name being its user name. A stranger
// who does not know the name reads nothing of the room, writes nothing into
// it, and a wildcard subscription sees nothing of any room. Over TLS too,
// with a certificate the test makes.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <mosquitto.h>
#include <mutex>
#include <thread>
#include <vector>

#include "net/cluster.h"
#include "net/protocol.h"

using namespace quintora;
using namespace quintora::net;
using namespace quintora::testing;
using namespace std::chrono_literals;

namespace {

struct Library {
    Library() { mosquitto_lib_init(); }
};

// A bare MQTT client: what it was told on connecting, and what it heard.
class Probe {
public:
    Probe(int port, const std::string& user, const std::string& ca_file = {}, bool system_cas = false) {
        static Library library;
        client_ = mosquitto_new(nullptr, true, this);
        mosquitto_int_option(client_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
        if (!user.empty()) mosquitto_username_pw_set(client_, user.c_str(), user.c_str());
        if (!ca_file.empty()) mosquitto_tls_set(client_, ca_file.c_str(), nullptr, nullptr, nullptr, nullptr);
        if (system_cas) mosquitto_int_option(client_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        mosquitto_connect_callback_set(client_, [](mosquitto*, void* self, int rc) {
            auto* p = static_cast<Probe*>(self);
            std::lock_guard lock(p->mutex_);
            if (p->connack_ < 0) p->connack_ = rc;
        });
        mosquitto_subscribe_callback_set(client_, [](mosquitto*, void* self, int, int, const int*) {
            static_cast<Probe*>(self)->subacks_++;
        });
        mosquitto_message_callback_set(client_, [](mosquitto*, void* self, const mosquitto_message* m) {
            auto* p = static_cast<Probe*>(self);
            std::lock_guard lock(p->mutex_);
            p->heard_.push_back(std::string(m->topic) + " " +
                                std::string(static_cast<const char*>(m->payload), std::size_t(m->payloadlen)));
        });
        mosquitto_reconnect_delay_set(client_, 5, 5, false);
        mosquitto_connect_async(client_, "127.0.0.1", port, 10);
        mosquitto_loop_start(client_);
    }
    ~Probe() {
        mosquitto_disconnect(client_);
        mosquitto_loop_stop(client_, true);
        mosquitto_destroy(client_);
    }
    // The CONNACK's code once it came (0: let in), or -1.
    int connack(std::chrono::milliseconds patience = 10s) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            {
                std::lock_guard lock(mutex_);
                if (connack_ >= 0) return connack_;
            }
            std::this_thread::sleep_for(10ms);
        }
        return -1;
    }
    void subscribe(const std::string& filter) {
        const int before = subacks_;
        mosquitto_subscribe(client_, nullptr, filter.c_str(), 1);
        // The broker's answer, or its closing the connection, comes soon.
        for (int i = 0; i < 200 && subacks_ == before; ++i) std::this_thread::sleep_for(10ms);
    }
    void publish(const std::string& topic, const std::string& payload) {
        mosquitto_publish(client_, nullptr, topic.c_str(), int(payload.size()), payload.data(), 1, false);
    }
    std::vector<std::string> heard() {
        std::lock_guard lock(mutex_);
        return heard_;
    }
    bool heard(const std::string& line, std::chrono::milliseconds patience) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        while (std::chrono::steady_clock::now() < deadline) {
            for (const auto& l : heard())
                if (l == line) return true;
            std::this_thread::sleep_for(10ms);
        }
        return false;
    }

private:
    mosquitto* client_ = nullptr;
    std::mutex mutex_;
    int connack_ = -1;
    std::atomic<int> subacks_{0};
    std::vector<std::string> heard_;
};

struct Ports {
    int member_a, member_b, stranger;  // where each connects
    std::string ca_file;               // TLS with these authorities when given
};

// The lock's checks on one broker (or cluster): members of a room hear
// each other; strangers neither hear nor speak in it; no user name, no entry.
void check_lock(const Ports& ports) {
    // A room, a stranger's room with some traffic of its own, and a third
    // room whose client listens with wildcards.
    const std::string room = random_hex128(), other = random_hex128(), third = random_hex128();
    const Topics topics(room), others(other);
    Probe a(ports.member_a, room, ports.ca_file);
    ASSERT_EQ(a.connack(), 0);
    a.subscribe("quintora/" + room + "/#");

    Probe everything(ports.stranger, third, ports.ca_file), guesser(ports.stranger, third, ports.ca_file),
        rooms(ports.stranger, third, ports.ca_file), writer(ports.stranger, other, ports.ca_file),
        speaker(ports.stranger, other, ports.ca_file), own(ports.stranger, other, ports.ca_file);
    for (Probe* p : {&everything, &guesser, &rooms, &writer, &speaker, &own}) ASSERT_EQ(p->connack(), 0);
    everything.subscribe("#");
    guesser.subscribe("quintora/" + room + "/#");
    rooms.subscribe("quintora/+/cmd");
    own.subscribe("quintora/" + other + "/#");
    writer.publish(topics.cmd, "forged");
    // (RabbitMQ closes the connection of a client that was refused.)
    speaker.publish(others.cmd, "own room");
    // Without a user name a client is not let in (RabbitMQ), or let in to
    // nothing (mosquitto, which has no list of user names to check).
    Probe anonymous(ports.stranger, "", ports.ca_file);
    if (anonymous.connack() == 0) {
        anonymous.subscribe("#");
        anonymous.subscribe("quintora/" + room + "/#");
        anonymous.publish(topics.cmd, "forged by nobody");
    }

    Probe b(ports.member_b, room, ports.ca_file);
    ASSERT_EQ(b.connack(), 0);
    b.publish(topics.cmd, "hello");
    b.publish(topics.step, "step");
    // The members hear each other, the stranger its own room: the lock
    // keeps out only what it should.
    EXPECT_TRUE(a.heard(topics.cmd + " hello", 10s));
    EXPECT_TRUE(a.heard(topics.step + " step", 10s));
    EXPECT_TRUE(own.heard(others.cmd + " own room", 10s));
    std::this_thread::sleep_for(1s);
    for (const auto& line : a.heard()) EXPECT_EQ(line.find("forged"), std::string::npos) << line;
    EXPECT_EQ(a.heard().size(), 2u);
    EXPECT_EQ(everything.heard(), std::vector<std::string>{});
    EXPECT_EQ(guesser.heard(), std::vector<std::string>{});
    EXPECT_EQ(rooms.heard(), std::vector<std::string>{});
    EXPECT_EQ(anonymous.heard(), std::vector<std::string>{});
    EXPECT_EQ(own.heard(), std::vector<std::string>{others.cmd + " own room"});
}

TEST(RoomLock, MosquittoLetsAClientIntoItsOwnRoomOnly) {
    LockedMosquitto broker;
    ASSERT_TRUE(broker.start()) << broker.log();
    check_lock({broker.port(), broker.port(), broker.port(), {}});
}

TEST(RoomLock, MosquittoOverTlsWithACertificateOfTheTestsOwn) {
    TempFolder certificates;
    ASSERT_TRUE(make_certificates(certificates.path));
    LockedMosquitto broker(certificates.path);
    ASSERT_TRUE(broker.start()) << broker.log();
    const std::string ca = (certificates.path / "ca.pem").string();
    check_lock({broker.tls_port(), broker.tls_port(), broker.tls_port(), ca});
    // A client trusting the system's authorities only does not take the
    // test's certificate; one speaking without TLS is not understood.
    Probe untrusting(broker.tls_port(), random_hex128(), {}, true);
    EXPECT_EQ(untrusting.connack(3s), -1);
    Probe plain(broker.tls_port(), random_hex128());
    EXPECT_EQ(plain.connack(3s), -1);
}

// One cluster for the lock's checks, plain and over TLS: starting one
// takes half a minute.
TEST(ClusterLock, RabbitMqLetsAClientIntoItsOwnRoomOnlyOnEveryNodeAndOverTls) {
    TempFolder certificates;
    ASSERT_TRUE(make_certificates(certificates.path));
    Cluster cluster(certificates.path);
    ASSERT_TRUE(cluster.start()) << cluster.log();
    const auto& n = cluster.nodes();
    ASSERT_EQ(n.size(), 3u);
    // The members on different nodes, the strangers on a third.
    check_lock({n[0].mqtt, n[1].mqtt, n[2].mqtt, {}});
    const std::string ca = (certificates.path / "ca.pem").string();
    check_lock({n[1].mqtts, n[2].mqtts, n[0].mqtts, ca});
    Probe untrusting(n[0].mqtts, random_hex128(), {}, true);
    EXPECT_EQ(untrusting.connack(3s), -1);
}

}  // namespace
