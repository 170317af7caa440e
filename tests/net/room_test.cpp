// SPDX-License-Identifier: GPL-3.0-or-later
// Games shared through a room of a real mosquitto that each test starts on
// loopback: machines on the recording fakes, each with its own link, play
// one game; the logs, journals and signatures of every machine are compared.
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
        for (Machine* m : machines) m->link->pump(*m->room);
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
        EXPECT_EQ(a->game.signature(), b->game.signature());
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
    give(*b, cmd(CommandKind::TEJYUN));
    same_game();
    EXPECT_NE(a->journal().find("press 7 10\nok\nyes\n"), std::string::npos) << a->journal();
    // Beyond the one refusal sound on A, both saw and heard the same.
    auto seen_a = a->seen_and_heard(), seen_b = b->seen_and_heard();
    std::erase(seen_a, "dsPlay " + std::to_string(a->game.state().snd_forbidden));
    std::erase(seen_b, "dsPlay " + std::to_string(b->game.state().snd_forbidden));
    EXPECT_GT(seen_a.size(), 100u);
    EXPECT_EQ(seen_a, seen_b);
}

TEST_F(TwoMachines, AMachineThatJoinsLateReplaysTheGameQuietlyAndFollows) {
    give(*a, cmd(CommandKind::PLAY_4));
    for (int x = 3; x <= 5; ++x) {
        give(*a, at(x, 10));
        give(*b, at(x, 1));
        give(*a, at(x, 19));
        give(*b, at(x, 17));
    }
    give(*a, cmd(CommandKind::MODORU));
    give(*b, cmd(CommandKind::SUSUMU));
    give(*a, cmd(CommandKind::MODORU));
    Machine c(broker.port(), name, "late", 0);
    ASSERT_TRUE(until({a.get(), b.get(), &c}, [&] { return c.room->position() == a->room->position(); }));
    EXPECT_EQ(c.journal(), a->journal());
    EXPECT_EQ(c.game.signature(), a->game.signature());
    EXPECT_EQ(c.log.count("dsPlay"), 0u) << "caught up with in silence";
    EXPECT_EQ(c.pause.total, 0.0) << "and without waits";
    EXPECT_EQ(c.log.count("box "), 0u);
    // From here on it follows the game step by step; its press as a machine
    // with no seats is refused (every colour is held).
    give(mover(), at(6, 6));
    ASSERT_TRUE(until({a.get(), b.get(), &c}, [&] { return c.room->position() == a->room->position(); }));
    c.room->local(at(7, 7));
    EXPECT_EQ(c.log.count("dsPlay " + std::to_string(c.game.state().snd_forbidden)), 1u);
    EXPECT_EQ(c.journal(), a->journal());
    EXPECT_EQ(c.game.signature(), a->game.signature());
    EXPECT_FALSE(c.room->diverged());
    same_game();
}

TEST_F(TwoMachines, ANoAfterAWinFreesThatMachinesSeatsAndTheOthersPlayOn) {
    b->shown.answers = {false};
    give(*a, cmd(CommandKind::PLAY_4));
    for (int x = 3; x <= 7; ++x) {
        give(*a, at(x, 10));
        if (x == 7) break;
        give(*b, at(x, 1));
        give(*a, at(x, 19));
        give(*b, at(x, 17));
    }
    ASSERT_TRUE(until({a.get(), b.get()}, [&] { return std::ranges::count(a->room->holders(), "second") == 0; }));
    EXPECT_EQ(b->log.count("ask 続けますか？"), 1u);
    EXPECT_EQ(b->room->notes().back(), "this machine's seats are free; the others play on");
    // The room's game went on to a new one (its journal says Yes), and
    // blue, held by nobody now, is played from A.
    EXPECT_NE(a->journal().find("press 7 10\nok\nyes\n"), std::string::npos);
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    give(*a, at(11, 11));
    EXPECT_EQ(a->game.state().move_number, 2);
    EXPECT_EQ(a->game.state().board[11][11], colour_black + 1);
    same_game();
}

TEST_F(TwoMachines, AMachineThatCrashesLosesItsSeatsAndComesBackWithThem) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    give(*b, at(3, 1));
    // B vanishes without a word: the broker tells the room with B's will.
    b->link->abandon();
    ASSERT_TRUE(until({a.get()}, [&] { return std::ranges::count(a->room->holders(), "second") == 0; }));
    EXPECT_TRUE(a->room->rejections().empty());
    b.reset();
    // Restarted, it is a new machine asking for the same colours: it gets
    // them, and the game so far, quietly.
    b = std::make_unique<Machine>(broker.port(), name, "second-again", seats("青,赤"));
    ASSERT_TRUE(until({a.get(), b.get()}, [&] {
        return b->room->seats() == seats("青,赤") && b->room->position() == a->room->position();
    }));
    EXPECT_EQ(b->log.count("dsPlay"), 0u);
    give(*a, at(3, 19));
    give(*b, at(3, 17));
    same_game();
}

TEST_F(TwoMachines, WhenTheOrderingMachineVanishesTheNextTakesOverAndNothingIsLostOrDoubled) {
    Machine c(broker.port(), name, "third", 0);
    ASSERT_TRUE(until({a.get(), b.get(), &c}, [&] { return c.room->role() == Room::Role::follower; }));
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    give(*b, at(3, 1));
    ASSERT_TRUE(until({a.get(), b.get(), &c}, [&] { return c.room->position() == a->room->position(); }));
    const auto position = b->room->position();
    a->link->abandon();
    ASSERT_TRUE(until({b.get(), &c}, [&] { return b->room->role() == Room::Role::orderer; }));
    EXPECT_EQ(b->room->notes().back(), "the machine that ordered is gone: this machine orders now");
    EXPECT_EQ(b->room->position(), position);
    // Black and white are held by nobody now: B plays them as well.
    for (const Command command : {at(3, 19), at(3, 17), at(4, 10), cmd(CommandKind::MODORU)}) {
        b->room->local(command);
        ASSERT_TRUE(until({b.get(), &c}, [&] {
            return b->room->position() > position && c.room->position() == b->room->position();
        })) << command_text(command);
    }
    // The first machine, restarted, gets its colours back and the game.
    Machine again(broker.port(), name, "first-again", seats("黒,白"));
    ASSERT_TRUE(until({b.get(), &c, &again}, [&] {
        return again.room->seats() == seats("黒,白") && again.room->position() == b->room->position();
    }));
    EXPECT_EQ(b->journal(), c.journal());
    EXPECT_EQ(b->journal(), again.journal());
    EXPECT_EQ(b->game.signature(), c.game.signature());
    EXPECT_EQ(b->game.signature(), again.game.signature());
    EXPECT_NE(b->journal().find("PLAY_4\nok\npress 3 10\npress 3 1\npress 3 19\npress 3 17\npress 4 10\nMODORU\n"),
              std::string::npos)
        << b->journal();
    EXPECT_FALSE(c.room->diverged());
    EXPECT_FALSE(again.room->diverged());
}

TEST_F(TwoMachines, TheGameGoesOnWhenTheBrokerIsKilledAndRestarted) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    broker.kill();
    ASSERT_TRUE(until({a.get(), b.get()}, [&] { return !a->room->is_connected() && !b->room->is_connected(); }));
    EXPECT_EQ(b->room->notes().back(), "connection to the room lost; reconnecting");
    // Without the broker: B's command is refused with a word, not dropped
    // silently; A, the orderer, plays on its own.
    b->room->local(at(3, 1));
    EXPECT_EQ(b->room->notes().back(), "refused: not connected to the room");
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
    a->room->local(cmd(CommandKind::AICON));  // taken by the orderer while the room is away
    ASSERT_TRUE(broker.start()) << broker.log();
    ASSERT_TRUE(until({a.get(), b.get()}, [&] {
        return connected({a.get(), b.get()}) && b->room->orderer_here() && b->room->position() == a->room->position();
    }));
    give(*b, at(3, 17));
    same_game();
}

TEST_F(TwoMachines, AMachineThatSkipsACommandIsCaughtByTheSignature) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    b->room->skip_step_for_test = a->room->position();
    a->room->local(at(4, 4));  // blue's turn: A's own press is refused
    b->room->local(at(4, 4));
    ASSERT_TRUE(until({a.get(), b.get()}, [&] { return b->room->diverged(); }));
    EXPECT_NE(b->room->notes().back().find("signature mismatch after a step"), std::string::npos)
        << b->room->notes().back();
    EXPECT_NE(a->game.signature(), b->game.signature());
    EXPECT_FALSE(a->room->diverged());
    // A machine whose game differs sends nothing more.
    const auto journal = b->journal();
    b->room->local(cmd(CommandKind::TEJYUN));
    EXPECT_EQ(b->room->notes().back(), "refused: this game differs from the room's");
    EXPECT_EQ(b->journal(), journal);
}

}  // namespace

namespace {

// Reasons of the rejections, in order.
std::vector<std::string> reasons(const Room& room) {
    std::vector<std::string> out;
    for (const auto& line : room.rejections()) out.push_back(line.substr(0, line.find(')') + 1));
    return out;
}

}  // namespace

TEST_F(TwoMachines, HostileMessagesAreRejectedOnceEachAndChangeNothing) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    const std::string command = std::string(QUINTORA_NET_PYTHON) + " " + QUINTORA_HOSTILE_CLIENT + " " +
                                std::to_string(broker.port()) + " " + name + " second";
    FILE* intruder = popen(command.c_str(), "r");
    ASSERT_NE(intruder, nullptr);
    char line[64]{};
    ASSERT_NE(fgets(line, sizeof line, intruder), nullptr);
    ASSERT_EQ(std::string(line), "ready\n");
    give(*b, at(3, 1));  // the command the intruder copies
    const auto position = a->room->position();
    const auto signature = a->game.signature();
    const auto journal = a->journal();
    ASSERT_NE(fgets(line, sizeof line, intruder), nullptr);
    EXPECT_EQ(std::string(line), "sent\n");
    EXPECT_EQ(pclose(intruder), 0);
    // A command of B after the intruder's messages were taken by the broker
    // comes after them to A: once it has run, A has heard them all.
    give(*b, cmd(CommandKind::TEJYUN));
    const std::vector<std::string> at_orderer{
        "rejected (malformed)",    "rejected (malformed)",       "rejected (replayed)",
        "rejected (unknown machine or wrong token)",              "rejected (forged machine)",
        "rejected (forged leave)", "rejected (out of turn)",     "rejected (not a room command)",
        "rejected (malformed)",    "rejected (not a room command)",
        "rejected (malformed step)", "rejected (step from another machine)", "rejected (malformed step)",
        "rejected (malformed journal)", "rejected (malformed seats)", "rejected (another orderer)"};
    EXPECT_EQ(reasons(*a->room), at_orderer);
    const std::vector<std::string> at_follower{
        "rejected (malformed step)",    "rejected (old step)",         "rejected (step out of order)",
        "rejected (malformed step)",    "rejected (malformed journal)", "rejected (malformed seats)",
        "rejected (another orderer)",   "rejected (forged will)"};
    EXPECT_EQ(reasons(*b->room), at_follower);
    // Nothing changed but B's TEJYUN.
    EXPECT_EQ(a->journal(), journal + "TEJYUN\n");
    EXPECT_EQ(a->room->position(), position + 1);
    EXPECT_NE(a->game.signature(), signature);
    EXPECT_EQ(b->room->seats(), seats("青,赤"));
    EXPECT_EQ(b->room->role(), Room::Role::follower) << "the forged will took no one's place";
    same_game();
    give(*a, at(3, 19));
    same_game();
}

TEST(Rooms, TwoMachinesThatMakeOneRoomAtTheSameMomentEndWithOneOrderer) {
    Broker broker;
    ASSERT_TRUE(broker.start()) << broker.log();
    const std::string name = random_hex128();
    Machine first(broker.port(), name, "aaa", seats("黒,白"));
    Machine second(broker.port(), name, "bbb", seats("青,赤"));
    ASSERT_TRUE(until({&first, &second}, [&] { return connected({&first, &second}); }));
    // Neither heard of a journal: both make the room.
    first.room->make();
    second.room->make();
    ASSERT_TRUE(until({&first, &second}, [&] {
        return second.room->role() == Room::Role::follower && second.room->seats() == seats("青,赤") &&
               second.room->orderer_here();
    })) << [&] {
        std::string s;
        for (Machine* m : {&first, &second}) {
            s += m->setup.client + " role " + std::to_string(int(m->room->role())) + ":";
            for (const auto& n : m->room->notes()) s += " [" + n + "]";
            for (const auto& n : m->room->rejections()) s += " [" + n + "]";
            s += "\n";
        }
        return s;
    }();
    EXPECT_EQ(first.room->role(), Room::Role::orderer);
    EXPECT_EQ(second.room->notes().front(), "another machine made the room at the same moment: aaa orders it");
    // And they play one game.
    for (const auto& [by, c] : {std::pair{&second, cmd(CommandKind::PLAY_4)}, std::pair{&first, at(10, 10)},
                                std::pair{&second, at(10, 11)}}) {
        const auto before = first.room->position();
        by->room->local(c);
        ASSERT_TRUE(until({&first, &second}, [&] {
            return first.room->position() > before && second.room->position() == first.room->position();
        })) << command_text(c);
    }
    EXPECT_EQ(first.game.signature(), second.game.signature());
    EXPECT_EQ(first.journal(), second.journal());
    EXPECT_FALSE(second.room->diverged());
}

TEST_F(TwoMachines, ACommandSentAsTheOrdererVanishesIsSaidToBeLostNotDropped) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    const auto position = b->room->position();
    // Blue's stone is on its way when the machine that orders dies without
    // having taken it.
    b->room->local(at(10, 11));
    a->link->abandon();
    ASSERT_TRUE(until({b.get()}, [&] { return b->room->role() == Room::Role::orderer; }));
    EXPECT_EQ(b->room->position(), position);
    const auto& notes = b->room->notes();
    EXPECT_NE(std::find(notes.begin(), notes.end(),
                        "the machine that ordered left before running 1 command given here: give them again"),
              notes.end());
    EXPECT_EQ(b->game.state().board[10][11], cell_empty);
    // Given again, it is played once.
    b->room->local(at(10, 11));
    EXPECT_EQ(b->room->position(), position + 1);
    EXPECT_EQ(b->journal().find("press 10 11"), b->journal().rfind("press 10 11"));
}

TEST_F(TwoMachines, AForgedOrdererInAFreshRoomTakesNoOnesPlace) {
    // Nothing played yet, and a name that sorts before the maker's: only a
    // machine that nobody has joined yet would give way to it.
    MqttLink stranger("127.0.0.1", broker.port(), "stranger", Topics(name).gone, "");
    ASSERT_TRUE(stranger.start());
    ASSERT_TRUE(until({a.get(), b.get()}, [&] {
        return stranger.publish(Topics(name).orderer, message_text(OrdererMessage{"aaaa", 1}), false);
    }));
    ASSERT_TRUE(until({a.get(), b.get()}, [&] { return !a->room->rejections().empty(); }));
    EXPECT_EQ(a->room->rejections().back().rfind("rejected (another orderer)", 0), 0u);
    EXPECT_EQ(a->room->role(), Room::Role::orderer);
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    same_game();
}
