// SPDX-License-Identifier: GPL-3.0-or-later
// A game through a three-node RabbitMQ cluster that loses the node its
// machines are connected to, in the middle of the game: each machine knows
// every node, moves on to the next, and the game goes on at the right place
// and is finished, with the same journal and signature on every machine.
// Also the desktop's link over TLS into a room of a locked mosquitto.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>

#include "net/cluster.h"
#include "net/machine.h"

using namespace quintora;
using namespace quintora::net;
using namespace quintora::testing;
using namespace std::chrono_literals;

namespace {

constexpr auto patience = std::chrono::seconds(60);

using Machines = std::vector<Machine*>;

template <class Done>
bool until(const Machines& machines, Done done, std::chrono::milliseconds within = patience) {
    const auto deadline = std::chrono::steady_clock::now() + within;
    while (std::chrono::steady_clock::now() < deadline) {
        for (Machine* m : machines) m->link->pump();
        if (done()) return true;
        machines.front()->link->wait(5ms);
    }
    return false;
}

Command at(int x, int y) { return Command::press_at(Cell{x, y}); }

TEST(Cluster, AGameGoesOnWhenTheNodeItsMachinesUseIsKilledAndFinishesTheSameEverywhere) {
    Cluster cluster;
    ASSERT_TRUE(cluster.start()) << cluster.log();
    ASSERT_EQ(cluster.nodes().size(), 3u);
    // Every machine is given the three nodes.
    std::string list;
    for (const auto& node : cluster.nodes()) list += (list.empty() ? "" : ",") + ("127.0.0.1:" + std::to_string(node.mqtt));
    const auto address = parse_room_address("mqtt://" + list + "/" + random_hex128());
    ASSERT_TRUE(address);
    ASSERT_EQ(address->brokers.size(), 3u);

    const char* names[] = {"黒", "青", "白", "赤"};
    std::vector<std::unique_ptr<Machine>> owned;
    Machines all;
    owned.push_back(std::make_unique<Machine>(*address, "black", *parse_seat_names(names[0])));
    all.push_back(owned.back().get());
    ASSERT_TRUE(until(all, [&] { return all[0]->room->is_connected(); })) << cluster.log();
    all[0]->room->make();
    for (int i = 1; i < 4; ++i) {
        owned.push_back(std::make_unique<Machine>(*address, std::string("colour") + char('0' + i),
                                                  *parse_seat_names(names[i])));
        all.push_back(owned.back().get());
    }
    ASSERT_TRUE(until(all, [&] {
        for (int i = 1; i < 4; ++i)
            if (all[std::size_t(i)]->room->seats() != Seats(1 << i) || !all[std::size_t(i)]->room->orderer_here())
                return false;
        return true;
    }));
    Machine& orderer = *all[0];
    // Gives `c` from `by` until every machine has run it: a command refused
    // while the room was away is given again (a new command, as a player
    // would click again); one that was taken is never taken twice.
    std::size_t given = 0;
    auto give = [&](Machine& by, Command c) {
        const auto deadline = std::chrono::steady_clock::now() + patience;
        const auto before = orderer.room->position();
        while (std::chrono::steady_clock::now() < deadline) {
            by.room->local(c);
            ++given;
            const bool taken = until(all, [&] {
                if (orderer.room->position() == before) return false;
                for (Machine* m : all)
                    if (m->room->position() != orderer.room->position()) return false;
                return true;
            });
            if (taken) return true;
        }
        return false;
    };
    ASSERT_TRUE(give(orderer, Command::of(CommandKind::PLAY_4)));
    // Black along row 10, blue row 1, white row 19, red row 17.
    auto turn = [&](int x) {
        return give(*all[0], at(x, 10)) && give(*all[1], at(x, 1)) && give(*all[2], at(x, 19)) &&
               give(*all[3], at(x, 17));
    };
    ASSERT_TRUE(turn(3));
    ASSERT_TRUE(turn(4));
    // Every machine is on the node the room's name picks.
    for (Machine* m : all) ASSERT_EQ(m->link->broker_index(), 0u);
    const int node = int(first_broker(Machine::id_of(address->room), 3)) + 1;
    // Black's press goes out and the node goes at once, the press maybe
    // still on its way.
    all[0]->room->local(at(5, 10));
    ASSERT_TRUE(cluster.kill(node)) << cluster.log();
    ASSERT_TRUE(until(all, [&] {
        for (Machine* m : all)
            if (m->link->connections() < 2 || !m->room->is_connected() || !m->room->orderer_here()) return false;
        return true;
    })) << cluster.log();
    for (Machine* m : all) EXPECT_NE(m->link->broker_index(), 0u) << m->room->client();
    // Wherever the press got to, black's stone at (5, 10) is played once.
    const bool lost_with_the_node = orderer.journal().find("press 5 10") == std::string::npos;
    if (lost_with_the_node) {
        ASSERT_TRUE(give(*all[0], at(5, 10)));
    }
    ASSERT_TRUE(until(all, [&] {
        for (Machine* m : all)
            if (m->room->position() != orderer.room->position()) return false;
        return true;
    }));
    ASSERT_TRUE(give(*all[1], at(5, 1)) && give(*all[2], at(5, 19)) && give(*all[3], at(5, 17)));
    ASSERT_TRUE(turn(6));
    // Black's five ends the game; the question is asked everywhere.
    ASSERT_TRUE(give(*all[0], at(7, 10)));
    const std::string expected =
        "PLAY_4\nok\npress 3 10\npress 3 1\npress 3 19\npress 3 17\npress 4 10\npress 4 1\npress 4 19\npress 4 17\n"
        "press 5 10\npress 5 1\npress 5 19\npress 5 17\npress 6 10\npress 6 1\npress 6 19\npress 6 17\n"
        "press 7 10\nok\nyes\n";
    for (Machine* m : all) {
        EXPECT_NE(m->journal().find(expected), std::string::npos) << m->room->client() << "\n" << m->journal();
        EXPECT_EQ(m->journal(), orderer.journal()) << m->room->client();
        EXPECT_EQ(m->game.signature(), orderer.game.signature()) << m->room->client();
        EXPECT_FALSE(m->room->diverged()) << m->room->client();
        EXPECT_EQ(m->log.count("ask 続けますか？"), 1u) << m->room->client();
    }
    std::fprintf(stderr, "cluster: the press given as the node went was %s; %zu commands given in all\n",
                 lost_with_the_node ? "lost with it and given again" : "taken", given + 1);
    for (const auto& line : orderer.room->rejections()) std::fprintf(stderr, "  %s\n", line.c_str());
    owned.clear();
    cluster.stop();
}

}  // namespace

namespace {

// The desktop's link as a player uses it: an mqtts:// address with the
// authority of the broker's certificate, into a locked room.
TEST(LockedRoom, TwoMachinesPlayOverTlsThroughTheRoomLockWithTheDesktopsLink) {
    TempFolder certificates;
    ASSERT_TRUE(make_certificates(certificates.path));
    LockedMosquitto broker(certificates.path);
    ASSERT_TRUE(broker.start()) << broker.log();
    const std::string room = random_hex128();
    const std::string ca = (certificates.path / "ca.pem").string();
    const auto address =
        parse_room_address("mqtts://127.0.0.1:" + std::to_string(broker.tls_port()) + "/" + room + "?ca=" + ca);
    ASSERT_TRUE(address);
    Machine a(*address, "maker", *parse_seat_names("黒,白"));
    ASSERT_TRUE(until({&a}, [&] { return a.room->is_connected(); })) << broker.log();
    a.room->make();
    Machine b(*address, "second", *parse_seat_names("青,赤"));
    ASSERT_TRUE(until({&a, &b}, [&] { return b.room->seats() == *parse_seat_names("青,赤") && b.room->orderer_here(); }));
    for (const auto& [machine, command] : std::vector<std::pair<Machine*, Command>>{
             {&a, Command::of(CommandKind::PLAY_4)}, {&a, at(3, 10)}, {&b, at(3, 1)}, {&a, at(3, 19)}}) {
        const auto before = a.room->position();
        machine->room->local(command);
        ASSERT_TRUE(until({&a, &b}, [&] { return a.room->position() > before && b.room->position() == a.room->position(); }));
    }
    EXPECT_EQ(a.journal(), b.journal());
    EXPECT_EQ(a.game.signature(), b.game.signature());
    EXPECT_NE(a.journal().find("PLAY_4\nok\npress 3 10\npress 3 1\npress 3 19\n"), std::string::npos) << a.journal();
    // Trusting only the system's authorities, a machine never gets in.
    auto untrusting = *address;
    untrusting.ca_file.clear();
    Machine c(untrusting, "third", 0);
    EXPECT_FALSE(until({&c}, [&] { return c.room->is_connected(); }, 3s));
}

}  // namespace
