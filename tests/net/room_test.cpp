// SPDX-License-Identifier: GPL-3.0-or-later
// Games shared through a room of a real mosquitto that each test starts on
// loopback, through the desktop's libmosquitto link and its thread: what
// only a real broker shows. The room's rules are tested on the in-memory
// broker (room_rules_test.cpp).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>

#include "net/broker.h"
#include "net/machine.h"

using namespace quintora;
using namespace quintora::net;
using namespace quintora::testing;
using namespace std::chrono_literals;

namespace {

constexpr auto patience = std::chrono::seconds(30);

Seats seats(const char* names) { return *parse_seat_names(names); }

// Hands every machine what its link heard until `done` holds; false when
// it did not within the patience.
template <class Done>
bool until(std::initializer_list<Machine*> machines, Done done) {
    const auto deadline = std::chrono::steady_clock::now() + patience;
    while (std::chrono::steady_clock::now() < deadline) {
        for (Machine* m : machines) m->link->pump();
        if (done()) return true;
        (*machines.begin())->link->wait(5ms);
    }
    return false;
}

bool connected(std::initializer_list<Machine*> machines) {
    for (Machine* m : machines)
        if (!m->room->is_connected()) return false;
    return true;
}

Command at(int x, int y) { return Command::press_at(Cell{x, y}); }
Command cmd(CommandKind k) { return Command::of(k); }

// A room with its maker A (black and white) and B (blue and red) in it.
struct TwoMachines : ::testing::Test {
    Broker broker;
    std::string name = random_hex128();
    std::unique_ptr<Machine> a, b;

    void SetUp() override {
        ASSERT_TRUE(broker.start()) << broker.log();
        a = std::make_unique<Machine>(broker.port(), name, "maker", seats("黒,白"));
        ASSERT_TRUE(until({a.get()}, [&] { return a->room->is_connected(); }));
        a->room->make();
        b = std::make_unique<Machine>(broker.port(), name, "second", seats("青,赤"));
        ASSERT_TRUE(until({a.get(), b.get()},
                          [&] { return b->room->seats() == seats("青,赤") && b->room->orderer_here(); }));
        EXPECT_EQ(b->room->role(), Room::Role::follower);
    }
    void TearDown() override {
        // The machines go before their scratch folders are left, last made first.
        b.reset();
        a.reset();
    }
    // `by` gives `c`; both machines have run it when this returns.
    void give(Machine& by, Command c) {
        const auto before = a->room->position();
        by.room->local(c);
        ASSERT_TRUE(until({a.get(), b.get()}, [&] {
            return a->room->position() > before && b->room->position() == a->room->position();
        })) << command_text(c);
    }
    // The machine holding the colour to move.
    Machine& mover() {
        const int colour = a->game.state().to_move - colour_black;
        return colour % 2 == 0 ? *a : *b;
    }
    void same_game() {
        EXPECT_EQ(a->journal(), b->journal());
        EXPECT_EQ(a->game.shared_signature(), b->game.shared_signature());
        EXPECT_FALSE(a->room->diverged());
        EXPECT_FALSE(b->room->diverged());
    }
};

TEST_F(TwoMachines, PlayOneGameWithTheSameBoardSoundsAndJournal) {
    give(*a, cmd(CommandKind::PLAY_4));
    // A box a command causes shows on the machine that gave it only.
    give(*b, cmd(CommandKind::MODORU));
    EXPECT_EQ(b->log.count("box 戻れません"), 1u);
    EXPECT_EQ(a->log.count("box 戻れません"), 0u);
    // After a step back the next press confirms the position, with two boxes.
    give(*a, at(3, 10));
    EXPECT_EQ(a->log.count("box OKですか？"), 1u);
    EXPECT_EQ(b->log.count("box OKですか？"), 0u);
    // Black wins along row 10; blue, white and red play rows 1, 19 and 17.
    for (int x = 3; x <= 7; ++x) {
        give(*a, at(x, 10));
        if (x == 4) {
            // Blue is to move: A holds no blue, so its press is refused
            // there with the refusal sound and never reaches the room.
            const auto plays = a->log.count("dsPlay");
            const auto position = a->room->position();
            a->room->local(at(9, 9));
            EXPECT_EQ(a->log.count("dsPlay"), plays + 1);
            EXPECT_EQ(a->room->position(), position);
        }
        if (x == 7) break;
        give(*b, at(x, 1));
        give(*a, at(x, 19));
        give(*b, at(x, 17));
    }
    // The win's question shows on both machines, and the room plays on.
    EXPECT_EQ(a->log.count("ask 続けますか？"), 1u);
    EXPECT_EQ(b->log.count("ask 続けますか？"), 1u);
    same_game();
    EXPECT_NE(a->journal().find("press 7 10\nok\nyes\n"), std::string::npos) << a->journal();
    // Beyond the one refusal sound on A, both saw and heard the same.
    auto seen_a = a->seen_and_heard(), seen_b = b->seen_and_heard();
    std::erase(seen_a, "dsPlay " + std::to_string(a->game.state().snd_forbidden));
    std::erase(seen_b, "dsPlay " + std::to_string(b->game.state().snd_forbidden));
    EXPECT_GT(seen_a.size(), 100u);
    EXPECT_EQ(seen_a, seen_b);
}

TEST_F(TwoMachines, TheGameGoesOnWhenTheBrokerIsKilledAndRestarted) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    broker.kill();
    ASSERT_TRUE(until({a.get(), b.get()}, [&] { return !a->room->is_connected() && !b->room->is_connected(); }));
    EXPECT_EQ(b->room->notes().back().word, Word::lost);
    // Without the broker: B's command is refused with a word, not dropped
    // silently; A, the orderer, plays on its own.
    b->room->local(at(3, 1));
    EXPECT_EQ(b->room->notes().back().word, Word::not_connected);
    EXPECT_EQ(b->log.count("dsPlay " + std::to_string(b->game.state().snd_forbidden)), 1u);
    const auto position = b->room->position();
    ASSERT_TRUE(broker.start()) << broker.log();
    ASSERT_TRUE(until({a.get(), b.get()}, [&] { return connected({a.get(), b.get()}); }));
    ASSERT_TRUE(until({a.get(), b.get()}, [&] { return b->room->orderer_here(); }));
    EXPECT_EQ(b->room->seats(), seats("青,赤"));
    EXPECT_EQ(b->room->position(), position) << "nothing played twice";
    give(*b, at(3, 1));
    give(*a, at(3, 19));
    broker.kill();
    ASSERT_TRUE(until({a.get(), b.get()}, [&] { return !a->room->is_connected() && !b->room->is_connected(); }));
    a->room->local(cmd(CommandKind::SUSUMU));  // taken by the orderer while the room is away
    ASSERT_TRUE(broker.start()) << broker.log();
    ASSERT_TRUE(until({a.get(), b.get()}, [&] {
        return connected({a.get(), b.get()}) && b->room->orderer_here() && b->room->position() == a->room->position();
    }));
    give(*b, at(3, 17));
    same_game();
}

}  // namespace
