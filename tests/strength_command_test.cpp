// SPDX-License-Identifier: GPL-3.0-or-later
// The strength as a command of the game: journaled and replayed, shown by
// the 強さ check marks, part of the signature except at 標準, and kept in a
// file of its own beside "Quintora.ini", which keeps its three lines.
#include <gtest/gtest.h>

#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

// 強さ=名人 and 強さ=入門 in Shift-JIS, with the CR LF of every settings line.
const std::string meijin_line = "\x8B\xAD\x82\xB3=\x96\xBC\x90\x6C\r\n";
const std::string nyumon_line = "\x8B\xAD\x82\xB3=\x93\xFC\x96\xE5\r\n";
const std::string three_default_lines =
    "\x8E\xE8\x8F\x87\x94\xD4\x8D\x86\x95\x5C\x8E\xA6=NG\r\n\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6=NG\r\nBGM=OK\r\n";

bool only_checked(const Harness& h, Mark m) {
    for (const Mark k : {Mark::NYUMON, Mark::HYOJUN, Mark::JYOKYU, Mark::MEIJIN})
        if (h.mark(k) != (k == m)) return false;
    return true;
}

}  // namespace

TEST(StrengthCommand, IsJournaledShownAndKeptInAFileOfItsOwn) {
    Harness h;
    h.start();
    EXPECT_TRUE(only_checked(h, Mark::HYOJUN));
    EXPECT_EQ(h.s.strength, strength_standard);
    const std::uint64_t standard = h.game.signature();

    h.game.apply(Command::of(CommandKind::MEIJIN));
    EXPECT_EQ(h.s.strength, strength_master);
    EXPECT_TRUE(only_checked(h, Mark::MEIJIN));
    EXPECT_EQ(journal_text(h.game.journal()), "MEIJIN\n");
    EXPECT_NE(h.game.signature(), standard);
    EXPECT_EQ(read_bytes("QuintoraStrength.ini"), meijin_line);
    EXPECT_EQ(read_bytes("Quintora.ini"), three_default_lines);

    // Back at 標準 the position is the one it was: 標準 adds nothing.
    h.game.apply(Command::of(CommandKind::HYOJUN));
    EXPECT_EQ(h.game.signature(), standard);
}

TEST(StrengthCommand, TheNextRunTakesTheKeptStrengthAsACommand) {
    Harness h;
    write_bytes("QuintoraStrength.ini", "BGM=OK\r\n" + meijin_line + nyumon_line);
    h.start();
    h.game.restore_strength();
    EXPECT_EQ(journal_text(h.game.journal()), "NYUMON\n") << "the last line that names a strength";
    EXPECT_TRUE(only_checked(h, Mark::NYUMON));

    Harness fresh;
    fresh.start();
    fresh.game.restore_strength();
    EXPECT_TRUE(fresh.game.journal().empty()) << "no file: 標準, and nothing to journal";
}

// Two moves of a person against three 上級 (the second far from the
// computers' stones, so that it is free), replayed into a fresh game: the
// same stones and signatures, and the replay leaves the player's own file
// alone.
TEST(StrengthCommand, AGameAtExpertReplaysStoneForStone) {
    Harness live;
    live.start();
    std::vector<std::uint64_t> seen;
    for (const Command c : {Command::of(CommandKind::JYOKYU), Command::of(CommandKind::JYUNBAN_1),
                            Command::press_at(Cell{10, 10}), Command::press_at(Cell{1, 1})}) {
        live.game.apply(c);
        seen.push_back(live.game.signature());
    }
    EXPECT_EQ(live.s.move_number, 8);

    Harness again;
    again.start();
    write_bytes("QuintoraStrength.ini", nyumon_line);
    std::vector<std::uint64_t> replayed;
    ASSERT_TRUE(again.game.replay(live.game.journal(), [&] { replayed.push_back(again.game.signature()); }));
    EXPECT_EQ(replayed, seen);
    EXPECT_EQ(read_bytes("QuintoraStrength.ini"), nyumon_line);
}
