// SPDX-License-Identifier: GPL-3.0-or-later
// The room's rules on the in-memory broker: machines on the recording fakes,
// each with its session, play one game on the test's thread; the journals,
// signatures, logs and settings files of every machine are compared.
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

#include "net/memory_machine.h"
#include "net/sealed.h"
#include "sodium/sodium_crypto.h"

using namespace quintora;
using namespace quintora::net;
using namespace quintora::testing;

namespace {

Seats seats(const char* names) { return *parse_seat_names(names); }
Command at(int x, int y) { return Command::press_at(Cell{x, y}); }
Command cmd(CommandKind k) { return Command::of(k); }
bool has_note(const Room& room, Word word) {
    return std::any_of(room.notes().begin(), room.notes().end(), [&](const RoomNote& n) { return n.word == word; });
}
// The reasons of the rejections, in order.
std::vector<std::string> reasons(const Room& room) {
    std::vector<std::string> out;
    for (const auto& line : room.rejections()) out.push_back(line.substr(0, line.find(')') + 1));
    return out;
}

// A room made by A (black and white), which B (blue and red) joined.
struct Room2 : ::testing::Test {
    MemoryBroker broker;
    std::string name = "room";
    std::unique_ptr<MemoryMachine> a, b;

    void SetUp() override { open(); }
    void open(const std::string& a_settings = {}, const std::string& b_settings = {}) {
        a = std::make_unique<MemoryMachine>(broker, name, "maker", seats("黒,白"), a_settings);
        broker.run();
        a->session.tick(0);
        a->session.tick(Session::journal_patience_ms);  // no journal came: A makes the room
        ASSERT_EQ(a->room().role(), Room::Role::orderer);
        b = std::make_unique<MemoryMachine>(broker, name, "second", seats("青,赤"), b_settings);
        broker.run();
        ASSERT_EQ(b->room().role(), Room::Role::follower);
        ASSERT_EQ(b->room().seats(), seats("青,赤"));
    }
    void TearDown() override {
        b.reset();
        a.reset();
    }
    // `by` gives `c` through its session; every event is handed over.
    void give(MemoryMachine& by, Command c) {
        by.session.give(c);
        broker.run();
    }
    MemoryMachine& mover() { return (a->game.state().to_move - colour_black) % 2 == 0 ? *a : *b; }
    void same_game() {
        EXPECT_EQ(a->journal(), b->journal());
        EXPECT_EQ(a->game.shared_signature(), b->game.shared_signature());
        EXPECT_FALSE(a->room().diverged());
        EXPECT_FALSE(b->room().diverged());
    }
    // Black wins on row 10 (A), the others play rows 1, 19 and 17.
    void black_wins() {
        give(*a, cmd(CommandKind::PLAY_4));
        for (int x = 3; x <= 7; ++x) {
            give(*a, at(x, 10));
            if (x == 7) break;
            give(*b, at(x, 1));
            give(*a, at(x, 19));
            give(*b, at(x, 17));
        }
    }
};

TEST_F(Room2, OneGameWithTheSameBoardSoundsAndJournalBoxesOnlyWhereGiven) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*b, cmd(CommandKind::MODORU));
    EXPECT_EQ(b->log.count("box 戻れません"), 1u);
    EXPECT_EQ(a->log.count("box 戻れません"), 0u);
    give(*a, at(3, 10));
    EXPECT_EQ(a->log.count("box OKですか？"), 1u);
    EXPECT_EQ(b->log.count("box OKですか？"), 0u);
    black_wins();
    // The question shows on both machines, and the room plays on.
    EXPECT_EQ(a->log.count("ask 続けますか？"), 1u);
    EXPECT_EQ(b->log.count("ask 続けますか？"), 1u);
    same_game();
    EXPECT_NE(a->journal().find("press 7 10\nok\nyes\n"), std::string::npos) << a->journal();
    EXPECT_EQ(a->seen_and_heard(), b->seen_and_heard());
}

TEST_F(Room2, ARefusedPressSaysWhyInAWordInThePlayersLanguage) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    // Blue is to move, held by B: A's press is refused there, never sent.
    const auto position = a->room().position();
    const auto plays = a->log.count("dsPlay");
    give(*a, at(9, 9));
    EXPECT_EQ(a->log.count("dsPlay"), plays + 1);
    EXPECT_EQ(a->room().position(), position);
    EXPECT_EQ(a->session.line(), "黒、白 — 青の番です。青は別の機械（second）が持っています");
    // The word leaves once it is no longer news.
    a->session.tick(Session::journal_patience_ms + Session::note_ms);
    EXPECT_EQ(a->session.line(), "黒、白");
    // A joiner is told it found the room and which colours it holds.
    EXPECT_TRUE(has_note(b->room(), Word::found));
    EXPECT_EQ(b->room().notes().back().seats, seats("青,赤"));
}

TEST_F(Room2, AMachineThatJoinsLateReplaysTheGameQuietlyAndFollows) {
    give(*a, cmd(CommandKind::PLAY_4));
    for (int x = 3; x <= 5; ++x) {
        give(*a, at(x, 10));
        give(*b, at(x, 1));
        give(*a, at(x, 19));
        give(*b, at(x, 17));
    }
    give(*a, cmd(CommandKind::MODORU));
    give(*b, cmd(CommandKind::SUSUMU));
    MemoryMachine c(broker, name, "late", seats("青"));
    broker.run();
    EXPECT_EQ(c.journal(), a->journal());
    EXPECT_EQ(c.game.shared_signature(), a->game.shared_signature());
    EXPECT_EQ(c.log.count("dsPlay"), 0u) << "caught up with in silence";
    EXPECT_EQ(c.pause.total, 0.0) << "and without waits";
    EXPECT_EQ(c.log.count("box "), 0u);
    // Blue is B's: the late machine holds nothing, and its title says so.
    EXPECT_EQ(c.room().seats(), 0);
    EXPECT_EQ(c.session.line(), "色なし — 部屋に入りました。持つ色はありません");
    give(mover(), at(6, 6));
    c.session.give(at(7, 7));
    broker.run();
    EXPECT_EQ(c.log.count("dsPlay " + std::to_string(c.game.state().snd_forbidden)), 1u);
    EXPECT_EQ(c.journal(), a->journal());
    same_game();
}

TEST_F(Room2, TheJoinFindsTheRoomWhenTheBrokerKeptNoJournal) {
    // A broker of several nodes keeps the retained journal on one node
    // only: a machine on another finds none, and its join is answered.
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    broker.stop();
    broker.start();
    broker.run();
    MemoryMachine c(broker, name, "third", 0);
    broker.run();
    EXPECT_EQ(c.room().role(), Room::Role::follower);
    EXPECT_EQ(c.journal(), a->journal());
    c.session.tick(0);
    c.session.tick(Session::journal_patience_ms);
    EXPECT_EQ(c.room().role(), Room::Role::follower) << "no second room made";
}

TEST_F(Room2, ANoAfterAWinHandsThatMachinesColoursToTheComputer) {
    b->shown.answers = {false};
    black_wins();
    EXPECT_EQ(b->room().seats(), 0);
    EXPECT_EQ(std::count(a->room().holders().begin(), a->room().holders().end(), "second"), 0);
    EXPECT_NE(a->journal().find("press 7 10\nok\nyes\ncomputer 10\n"), std::string::npos) << a->journal();
    // In the next game blue and red are the computer's: after black's stone
    // blue plays, then white (A's) is to move.
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    const GameState& s = a->game.state();
    EXPECT_EQ(s.move_number, 2);
    EXPECT_EQ(s.to_move, colour_white);
    give(*a, at(1, 1));
    EXPECT_EQ(s.move_number, 4) << "white, then red by the computer";
    EXPECT_EQ(s.to_move, colour_black);
    same_game();
}

TEST_F(Room2, TwoMachinesWithDifferentSavedOptionsPlayOneGameEachKeepingItsOwnFile) {
    b.reset();
    a.reset();
    const std::string numbers_no_music = settings_text(true, true, false);
    const std::string defaults = settings_text(false, true, true);
    open(numbers_no_music, defaults);
    EXPECT_TRUE(a->marks.ticks[int(Mark::TEJYUN)]);
    EXPECT_FALSE(b->marks.ticks[int(Mark::TEJYUN)]);
    black_wins();
    give(*b, cmd(CommandKind::PLAY_4));
    a->log.clear();
    b->log.clear();
    for (int i = 0; i < 4; ++i) give(mover(), at(9 + i, 9 + i % 2));
    same_game();
    EXPECT_EQ(a->game.state().move_number, 4);
    // A shows the number of every stone but the newest (which has the
    // mark), B's stones too; B shows none.
    // Numbers drawn on the board (the move count beside it is drawn alike).
    const auto on_board = [](const Log& log, const char* number) {
        const auto lines = log.with("text ");
        return std::count_if(lines.begin(), lines.end(), [&](const std::string& l) {
            return l.find(number) != std::string::npos && std::stod(l.substr(5)) < twips_x(field_last + 1);
        });
    };
    for (const char* number : {"' 1 '", "' 2 '", "' 3 '"}) {
        EXPECT_EQ(on_board(a->log, number), 1) << number;
        EXPECT_EQ(on_board(b->log, number), 0) << number;
    }
    EXPECT_EQ(a->settings(), numbers_no_music);
    EXPECT_EQ(b->settings(), defaults);
}

TEST_F(Room2, OnePlayersOptionSwitchesLeaveTheOthersOptionsAndFileAlone) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    const std::string b_file = b->settings();
    const FakeMarks a_marks = a->marks, b_marks = b->marks;
    const auto b_log = b->log.lines.size();
    const auto position = a->room().position();
    for (const auto k : {CommandKind::TEJYUN, CommandKind::AICON, CommandKind::BGM}) give(*a, cmd(k));
    for (const Mark m : {Mark::TEJYUN, Mark::AICON, Mark::BGM}) {
        EXPECT_NE(a->marks.ticks[int(m)], a_marks.ticks[int(m)]) << "switched on A";
        EXPECT_EQ(b->marks.ticks[int(m)], b_marks.ticks[int(m)]) << "and only there";
    }
    EXPECT_EQ(a->room().position(), position) << "never a room command";
    EXPECT_EQ(b->log.lines.size(), b_log) << "nothing painted or sounded on B";
    EXPECT_EQ(b->settings(), b_file);
    EXPECT_NE(a->settings(), b_file) << "the icons' switch is stored on A";
    give(*b, at(10, 11));
    same_game();
}

TEST_F(Room2, AMachineThatCrashesLosesItsSeatsAndComesBackWithThem) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    give(*b, at(3, 1));
    b->link.drop(true);
    broker.run();
    EXPECT_EQ(std::count(a->room().holders().begin(), a->room().holders().end(), "second"), 0);
    b.reset();
    b = std::make_unique<MemoryMachine>(broker, name, "second-again", seats("青,赤"));
    broker.run();
    EXPECT_EQ(b->room().seats(), seats("青,赤"));
    EXPECT_EQ(b->log.count("dsPlay"), 0u);
    give(*a, at(3, 19));
    give(*b, at(3, 17));
    // Its will goes out while it lives on (a broker stopped and started): it
    // takes its seats back, and its player is not told it went unheard.
    b->link.drop();
    broker.run();
    EXPECT_EQ(b->room().seats(), seats("青,赤"));
    EXPECT_FALSE(has_note(b->room(), Word::seat_freed));
    same_game();
}

TEST_F(Room2, WhenTheOrdererVanishesTheNextTakesOverAndNothingIsLostOrDoubled) {
    MemoryMachine c(broker, name, "third", 0);
    broker.run();
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    give(*b, at(3, 1));
    const auto position = b->room().position();
    a->link.drop(true);
    broker.run();
    ASSERT_EQ(b->room().role(), Room::Role::orderer);
    EXPECT_EQ(b->room().notes().back().word, Word::took_over);
    EXPECT_EQ(b->room().position(), position);
    EXPECT_EQ(b->room().epoch(), 1u);
    // Black and white are held by nobody now: B plays them as well.
    for (const Command command : {at(3, 19), at(3, 17), at(4, 10), cmd(CommandKind::MODORU)}) give(*b, command);
    MemoryMachine again(broker, name, "first-again", seats("黒,白"));
    broker.run();
    EXPECT_EQ(again.room().seats(), seats("黒,白"));
    EXPECT_EQ(b->journal(), c.journal());
    EXPECT_EQ(b->journal(), again.journal());
    EXPECT_EQ(b->game.shared_signature(), again.game.shared_signature());
    EXPECT_NE(b->journal().find("PLAY_4\nok\npress 3 10\npress 3 1\npress 3 19\npress 3 17\npress 4 10\nMODORU\n"),
              std::string::npos)
        << b->journal();
}

TEST_F(Room2, ACommandSentAsTheOrdererVanishesIsSaidToBeLostNotDropped) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    const auto position = b->room().position();
    b->session.give(at(10, 11));  // on its way when the orderer dies
    a->link.drop(true);
    broker.run();
    ASSERT_EQ(b->room().role(), Room::Role::orderer);
    EXPECT_TRUE(has_note(b->room(), Word::given_again));
    EXPECT_EQ(b->room().position(), position);
    give(*b, at(10, 11));
    EXPECT_EQ(b->room().position(), position + 1);
}

TEST_F(Room2, TheGameGoesOnWhenTheBrokerStopsAndStartsAgain) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    broker.stop();
    broker.run();
    EXPECT_EQ(b->room().notes().back().word, Word::lost);
    b->session.give(at(3, 1));
    EXPECT_EQ(b->room().notes().back().word, Word::not_connected);
    EXPECT_NE(b->session.line().find("部屋につながっていません"), std::string::npos) << b->session.line();
    broker.start();
    broker.run();
    EXPECT_TRUE(b->room().orderer_here());
    EXPECT_EQ(b->room().seats(), seats("青,赤"));
    EXPECT_EQ(b->session.line(), "青、赤 — 部屋への接続が戻りました");
    give(*b, at(3, 1));
    give(*a, at(3, 19));
    same_game();
}

// The broker restarted under a page that ordered: its will went out while it
// lived on, a follower took over, and for a moment two machines ordered.
TEST_F(Room2, TwoOrderersAfterARestartEndAsOneTheLongerGameGoingOn) {
    MemoryMachine c(broker, name, "third", 0);
    broker.run();
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    a->link.drop();  // the will goes out; A connects again at once
    // Before it hears that it was away, A orders one more command of its own.
    a->session.give(cmd(CommandKind::MODORU));
    broker.run();
    // B took over for a moment and then found A's longer game: it follows.
    EXPECT_TRUE(has_note(b->room(), Word::took_over));
    EXPECT_EQ(a->room().role(), Room::Role::orderer);
    EXPECT_EQ(b->room().role(), Room::Role::follower);
    EXPECT_EQ(c.room().orderer(), "maker");
    EXPECT_EQ(b->journal(), a->journal());
    EXPECT_EQ(c.journal(), a->journal());
    EXPECT_NE(a->journal().find("MODORU"), std::string::npos);
    give(*a, cmd(CommandKind::SUSUMU));
    give(*b, at(3, 1));
    same_game();
    EXPECT_EQ(c.journal(), a->journal());
}

TEST_F(Room2, AMachineWhoseGameCannotFollowTheRoomSaysSoAndStops) {
    give(*a, cmd(CommandKind::PLAY_4));
    a->link.drop();
    broker.run(1);  // B hears A's will first and takes over...
    broker.run(1);
    // ...while A, not yet back, plays black's stone alone; B, ordering now,
    // finds black free (A's seats went with its will) and plays another.
    a->session.give(at(10, 10));
    b->session.give(at(3, 3));
    broker.run();
    // The games went apart, each one step long: B's later epoch goes on, and
    // A says that it cannot follow.
    EXPECT_EQ(b->room().role(), Room::Role::orderer);
    EXPECT_FALSE(b->room().diverged());
    EXPECT_TRUE(a->room().diverged());
    EXPECT_EQ(a->room().notes().back().word, Word::cannot_follow);
    EXPECT_EQ(a->room().role(), Room::Role::follower);
    EXPECT_NE(a->session.line().find("続けられません"), std::string::npos) << a->session.line();
}

TEST_F(Room2, AMachineThatSkipsACommandIsCaughtByTheSignature) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    b->room().skip_step_for_test = a->room().position();
    give(*b, at(4, 4));
    EXPECT_TRUE(b->room().diverged());
    EXPECT_EQ(b->room().notes().back().word, Word::mismatch);
    const auto journal = b->journal();
    give(*b, cmd(CommandKind::SAISYO));
    EXPECT_EQ(b->room().notes().back().word, Word::differs);
    EXPECT_EQ(b->journal(), journal);
}

// A machine that has the room's link (it can seal) but speaks as it likes.
struct Intruder {
    sodium::SodiumCrypto crypto;
    RoomKeys keys;
    SigningKeys signing = crypto.signing_keys();
    Topics topics;
    std::uint64_t seq = 1000;
    explicit Intruder(const std::string& secret) : keys(room_keys(crypto, secret)), topics(keys.id) {}
    std::string wire(const char* kind, const std::string& body, const std::string& sender = "intruder") {
        return seal_message(crypto, keys, kind, sender, ++seq, signing.secret_key, body);
    }
    std::string key() const { return hex_text(signing.public_key); }
};

TEST_F(Room2, AStrangerWithoutTheLinkReadsNothingAndChangesNothing) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    const auto journal = a->journal();
    // What the broker carried: the room's id in the topics, and sealed text.
    for (const auto& [topic, payload] : broker.published) {
        EXPECT_EQ(topic.find(name), std::string::npos);
        for (const char* word : {"press", "maker", "second", "join", "PLAY_4"})
            EXPECT_EQ(payload.find(word), std::string::npos) << word;
    }
    const Topics t(a->room().id());
    for (const std::string& p : {std::string("step 0 0000000000000000 maker intruder\nesc\n"),
                                 std::string("cmd second 9 0123 press 10 10"), std::string("\xff\xfe", 2)}) {
        broker.inject(t.step, p);
        broker.inject(t.cmd, p);
        broker.inject(t.journal, p, true);
    }
    // Sealed with a key of its own: no better.
    Intruder other("another room");
    broker.inject(t.step, other.wire("step", "step 2 0000000000000000 maker maker\nSAISYO\n", "maker"));
    broker.run();
    // A hears the three on every topic and the fourth; B is not on the commands' topic.
    EXPECT_EQ(reasons(a->room()), std::vector<std::string>(10, "rejected (not sealed with the room's key)"));
    EXPECT_EQ(reasons(b->room()), std::vector<std::string>(7, "rejected (not sealed with the room's key)"));
    EXPECT_EQ(a->journal(), journal);
    same_game();
}

TEST_F(Room2, AMemberCannotSpeakInAnotherMachinesNameNorEndAnyonesProgram) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(3, 10));
    give(*b, at(3, 1));
    Intruder i(name);
    const Topics& t = i.topics;
    std::string victim;
    for (const auto& [topic, payload] : broker.published)
        if (topic == t.cmd) victim = payload;  // B's press, as sealed
    const auto position = a->room().position();
    const auto journal = a->journal();
    broker.inject(t.cmd, victim);  // again
    broker.inject(t.cmd, i.wire("cmd", "cmd second 9 0123456789abcdef0123456789abcdef press 10 10", "second"));
    broker.inject(t.step, i.wire("step", "step " + std::to_string(position) +
                                              " 0000000000000000 maker second\nesc\nSYURYOU\n", "maker"));
    broker.inject(t.step, i.wire("step", "step " + std::to_string(position) +
                                              " 0000000000000000 maker second\npress 9 9\n", "maker"));
    broker.inject(t.journal, i.wire("journal", "journal 0000000000000000 maker 0\nesc\n", "maker"), true);
    broker.inject(t.orderer, i.wire("orderer", "orderer maker 0000000000000000 9 999 " + i.key(), "maker"));
    broker.inject(t.gone, i.wire("gone", "leave maker 0123456789abcdef0123456789abcdef", "maker"));
    // As a machine of its own it joins, and may then give only room commands
    // for colours it holds (none are free).
    const std::string mine = random_hex128();
    broker.inject(t.cmd, i.wire("cmd", "join intruder " + mine + " 3 " + i.key()));
    broker.inject(t.cmd, i.wire("cmd", "cmd intruder 1 " + mine + " esc"));
    broker.inject(t.cmd, i.wire("cmd", "cmd intruder 2 " + mine + " computer 15"));
    broker.inject(t.cmd, i.wire("cmd", "cmd intruder 3 " + mine + " press 10 10"));
    broker.run();
    // The orderer message in A's own name A takes for its own, come back.
    const std::vector<std::string> at_orderer{"rejected (replayed)", "rejected (unknown machine)",
                                              "rejected (not a room command)",
                                              "rejected (colours of another machine)", "rejected (out of turn)"};
    EXPECT_EQ(reasons(a->room()), at_orderer);
    const std::string unsigned_here = "rejected (not signed by a machine known here)";
    const std::vector<std::string> at_follower{unsigned_here, unsigned_here, unsigned_here,
                                               "rejected (forged orderer)", unsigned_here};
    EXPECT_EQ(reasons(b->room()), at_follower);
    EXPECT_EQ(a->journal(), journal);
    EXPECT_EQ(b->room().role(), Room::Role::follower) << "the forged will took no one's place";
    EXPECT_EQ(a->log.count("exit"), 0u);
    EXPECT_EQ(b->log.count("exit"), 0u);
    EXPECT_EQ(b->game.state().board[9][9], cell_empty);
    give(*b, at(4, 1));
    same_game();
}

TEST_F(Room2, FloodsAndFakeJoinsCostABoundedAmountAndAreSaidOnce) {
    give(*a, cmd(CommandKind::PLAY_4));
    Intruder i(name);
    const std::string mine = random_hex128();
    broker.inject(i.topics.cmd, i.wire("cmd", "join intruder " + mine + " - " + i.key()));
    for (int n = 1; n <= 500; ++n)
        broker.inject(i.topics.cmd, i.wire("cmd", "cmd intruder " + std::to_string(n) + " " + mine + " SAISYO"));
    const auto published = broker.published.size();
    for (int n = 0; n < 2000; ++n) {
        Intruder stranger(name);
        broker.inject(i.topics.cmd, stranger.wire("cmd", "join fake" + std::to_string(n) + " " + mine + " 0123 " +
                                                             stranger.key(), "fake" + std::to_string(n)));
    }
    broker.run();
    EXPECT_EQ(a->room().members(), Room::max_members);
    EXPECT_LE(a->room().rejections().size(), 64u);
    EXPECT_GT(a->room().rejected(), 2000u);
    // A join that changes something is answered; fourteen more machines fit.
    // The 2,000 joins themselves; the state answered to the fourteen that
    // fit; the forty commands of the flood's first burst, ordered (40 steps,
    // and the journal after 32 of them).
    EXPECT_EQ(broker.published.size() - published, 2000u + 3 * 14u + 40u + 1u);
    EXPECT_EQ(std::count_if(a->room().notes().begin(), a->room().notes().end(),
                            [](const RoomNote& n) { return n.word == Word::flood; }),
              1);
    // At a person's pace it is heard again.
    a->session.tick(Session::journal_patience_ms + 10000);
    const auto position = a->room().position();
    broker.inject(i.topics.cmd, i.wire("cmd", "cmd intruder 501 " + mine + " SAISYO"));
    broker.run();
    EXPECT_EQ(a->room().position(), position + 1);
    same_game();
}

TEST_F(Room2, ASeatWhoseMachineIsNotHeardIsFreedAndSaidOnEveryMachine) {
    give(*a, cmd(CommandKind::PLAY_4));
    // A join without a will, then silence: blue and red would be held for ever.
    MemoryMachine c(broker, name, "third", 0);
    broker.run();
    std::uint64_t now = Session::journal_patience_ms;
    b->link.cut();  // as a squatter that never speaks again, and left no will
    for (int s = 0; s <= 130; ++s) {
        now += 1000;
        for (MemoryMachine* m : {a.get(), &c}) m->session.tick(now);
        broker.run();
    }
    EXPECT_EQ(std::count(a->room().holders().begin(), a->room().holders().end(), "second"), 0);
    EXPECT_TRUE(has_note(a->room(), Word::seat_freed));
    EXPECT_TRUE(has_note(c.room(), Word::seat_freed));
    Seats freed = 0;
    for (const RoomNote& n : c.room().notes())
        if (n.word == Word::seat_freed && n.who == "second") freed |= n.seats;
    EXPECT_EQ(freed, seats("青,赤"));
    EXPECT_EQ(a->room().members(), 2u) << "the follower that speaks stays";
}

TEST_F(Room2, TheOrdererGoesOnOrderingWhileItsOwnBoxIsOpen) {
    // A's question stays open two and a half minutes; B plays on meanwhile.
    std::uint64_t now = Session::journal_patience_ms;
    std::string during;
    a->shown.on_ask = [&] {
        for (int s = 0; s < 150; ++s) {
            now += 1000;
            b->session.tick(now);
            a->session.tick(now);
            broker.run();
        }
        give(*b, cmd(CommandKind::PLAY_4));
        during = a->journal();
    };
    black_wins();
    // B's new game (and the OK of its box, shown on B) was ordered while A's box stood open.
    const std::string tail = "press 7 10\nok\nyes\nPLAY_4\nok\n";
    EXPECT_EQ(during.substr(during.size() - std::min(during.size(), tail.size())), tail);
    EXPECT_EQ(a->log.count("ask 続けますか？"), 1u);
    EXPECT_EQ(a->room().holders()[1], "second");
    EXPECT_FALSE(has_note(a->room(), Word::seat_freed));
    same_game();
}

TEST_F(Room2, ANoOnTheOrderingMachineHandsItsColoursToTheComputer) {
    a->shown.answers = {false};
    black_wins();
    EXPECT_EQ(a->room().seats(), 0);
    EXPECT_EQ(a->room().holders()[0], "");
    EXPECT_NE(a->journal().find("press 7 10\nok\nyes\ncomputer 5\n"), std::string::npos) << a->journal();
    same_game();
}

TEST_F(Room2, APressGivenWhileTheOrderersBrokerWasAwayIsOrderedOnceWhenItIsBack) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    const auto position = a->room().position();
    // The orderer's node goes: A is cut off on a clean session, B is not.
    a->link.cut();
    b->session.give(at(10, 11));  // sent, and lost on the way
    broker.run();
    EXPECT_EQ(a->room().position(), position);
    // A is back and says so: B sends what it saw no step of, once.
    a->link.restore();
    broker.run();
    EXPECT_EQ(a->room().position(), position + 1);
    a->link.cut();
    a->link.restore();
    broker.run();
    EXPECT_EQ(a->room().position(), position + 1) << "never twice";
    same_game();
}

TEST_F(Room2, APressThatWaitsOnTheOrderersOpenBoxIsSaidToWait) {
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    a->link.cut();  // as good as a box that holds the orderer: nothing is answered
    b->session.tick(Session::journal_patience_ms);
    b->session.give(at(10, 11));
    b->session.tick(Session::journal_patience_ms + 5000);
    EXPECT_TRUE(has_note(b->room(), Word::orderer_slow));
}

TEST(Rooms, TwoMachinesThatMakeOneRoomAtTheSameMomentEndWithOneOrderer) {
    MemoryBroker broker;
    MemoryMachine first(broker, "room", "aaa", seats("黒,白"));
    MemoryMachine second(broker, "room", "bbb", seats("青,赤"));
    broker.run();
    for (MemoryMachine* m : {&first, &second}) {
        m->session.tick(0);
        m->session.tick(Session::journal_patience_ms);
    }
    broker.run();
    EXPECT_EQ(first.room().role(), Room::Role::orderer);
    EXPECT_EQ(second.room().role(), Room::Role::follower);
    EXPECT_EQ(second.room().seats(), seats("青,赤"));
    EXPECT_TRUE(has_note(second.room(), Word::same_moment));
    for (const auto& [by, c] : {std::pair{&second, cmd(CommandKind::PLAY_4)}, std::pair{&first, at(10, 10)},
                                std::pair{&second, at(10, 11)}}) {
        by->session.give(c);
        broker.run();
    }
    EXPECT_EQ(first.game.shared_signature(), second.game.shared_signature());
    EXPECT_EQ(first.journal(), second.journal());
    EXPECT_EQ(first.game.state().move_number, 2);
}

TEST_F(Room2, AForgedOrdererInAFreshRoomTakesNoOnesPlace) {
    Intruder i(name);
    broker.inject(i.topics.orderer, i.wire("orderer", message_text(OrdererMessage{"aaaa", 1, 0, 0, i.key()}), "aaaa"));
    broker.run();
    EXPECT_EQ(a->room().role(), Room::Role::orderer);
    EXPECT_EQ(reasons(a->room()).back(), "rejected (another orderer)");
    give(*a, cmd(CommandKind::PLAY_4));
    give(*a, at(10, 10));
    same_game();
}

}  // namespace
