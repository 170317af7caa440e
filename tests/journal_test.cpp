// SPDX-License-Identifier: GPL-3.0-or-later
// Commands, the menu table and the journal: every input as a command, and a
// journal that replays a game exactly.
#include <gtest/gtest.h>

#include "game/signature.h"
#include "signature/seeded_journals.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
Command cmd(CommandKind k) { return Command::of(k); }
Command at(int x, int y) { return Command::press_at(Cell{x, y}); }

// A game on the fakes, started, its start-up left out of the log.
struct Started {
    Harness h;
    Started() {
        h.start();
        h.log.clear();
    }
    // Replays `journal` and says whether it fitted; an exit is a fit.
    bool replay(const Journal& journal) {
        try {
            return h.game.replay(journal);
        } catch (const ProcessEnded&) {
            return true;
        }
    }
};
}  // namespace

TEST(Commands, TextIsExactAndEveryOtherTextIsRefused) {
    EXPECT_EQ(command_text(at(1, 19)), "press 1 19");
    EXPECT_EQ(command_text(Command::press_at(std::nullopt)), "press -");
    EXPECT_EQ(command_text(Command::press_at(Cell{0, 5})), "press -") << "row and column 0 are off the field";
    EXPECT_EQ(command_text(cmd(CommandKind::PLAY_TOIMEN)), "PLAY_TOIMEN");
    EXPECT_EQ(command_text(cmd(CommandKind::escape)), "esc");
    for (int k = 0; k < command_kind_count; ++k) {
        const Command c = k == 0 ? at(10, 9) : cmd(CommandKind(k));
        EXPECT_EQ(parse_command(command_text(c)), c) << command_text(c);
    }
    for (const char* bad : {"press 0 1", "press 20 1", "press 1 20", "press 01 1", "press +1 1", "press 1  1",
                            "press 1 1 ", " press 1 1", "press 1", "press", "press -1 5", "press 99999999999 1",
                            "JYUNBAN_5", "jyunban_1", "SYURYOU ", "", "ok\r", "TAIKYOKU", "PLAY_1"})
        EXPECT_EQ(parse_command(bad), std::nullopt) << "'" << bad << "'";
    EXPECT_EQ(parse_journal("PLAY_4\npress 3 3\n\nyes\n"),
              (Journal{cmd(CommandKind::PLAY_4), at(3, 3), cmd(CommandKind::yes)}));
    EXPECT_EQ(parse_journal("PLAY_4\npress 3 x\n"), std::nullopt);
    EXPECT_EQ(parse_journal("esc\nesc\nesc\n", 2), std::nullopt) << "longer than allowed";
}

TEST(Commands, APressIsTheCellUnderIt) {
    // Cell (x, y) spans twips 800 + 315x .. 800 + 315x + 314.
    EXPECT_EQ(cell_under(1115, 765), (Cell{1, 1}));
    EXPECT_EQ(cell_under(1114, 765), std::nullopt);
    EXPECT_EQ(cell_under(800 + 315 * 20 - 1, 765), (Cell{19, 1}));
    EXPECT_EQ(cell_under(800 + 315 * 20, 765), std::nullopt);
    EXPECT_EQ(cell_under(0.0 / 0.0, 765), std::nullopt);
    EXPECT_EQ(cell_under(1e300, -1e300), std::nullopt);
}

TEST(MenuTable, HoldsTheMenusInOrderWithTheirCaptionsAndOneRowACommand) {
    std::string bar;
    int depth = 0, rows_with_commands[command_kind_count]{};
    for (const MenuEntry& e : menu_table()) {
        if (e.row == MenuRow::end) {
            --depth;
            bar += ")";
            continue;
        }
        ASSERT_GE(depth, 0);
        bar += std::string(bar.empty() || bar.back() == '(' ? "" : " ") + e.caption;
        if (e.row == MenuRow::menu || e.row == MenuRow::submenu) {
            ++depth;
            bar += "(";
        } else {
            ++rows_with_commands[int(e.command)];
            if (e.row == MenuRow::check) bar += "✓";
        }
    }
    EXPECT_EQ(depth, 0);
    EXPECT_EQ(bar,
              "対局(1_PLAY(黒 青 白 赤) 2_PLAY(黒　×　白 青　×　赤) 4_PLAY) 局面(最初 戻 進) "
              "ｵﾌﾟｼｮﾝ(手順番号表示✓ ｱｲｺﾝ表示✓ BGM✓ 強さ(入門✓ 標準✓ 上級✓ 名人✓)) その他 終了");
    for (int k = 0; k < command_kind_count; ++k) {
        const bool menu_command = k >= int(CommandKind::JYUNBAN_1) && k <= int(CommandKind::SYURYOU);
        EXPECT_EQ(rows_with_commands[k], menu_command ? 1 : 0) << command_text(cmd(CommandKind(k)));
    }
    EXPECT_EQ(menu_entry(CommandKind::AICON)->mark, Mark::AICON);
    EXPECT_EQ(menu_entry(CommandKind::BGM)->mark, Mark::BGM);
    EXPECT_EQ(menu_entry(CommandKind::MEIJIN)->mark, Mark::MEIJIN);
}

TEST(Journal, KeepsEveryCommandAndTheAnswersToItsBoxesInOrder) {
    Started g;
    g.h.dialogs.answers = {true};
    for (const Command c : {cmd(CommandKind::PLAY_4), at(1, 1), cmd(CommandKind::MODORU), at(2, 2),
                            cmd(CommandKind::SONOTA)})
        g.h.game.apply(c);
    // PLAY_4's box, 戻, then the press that resumes play shows two boxes.
    EXPECT_EQ(journal_text(g.h.game.journal()),
              "PLAY_4\nok\npress 1 1\nMODORU\npress 2 2\nok\nok\nSONOTA\nok\n");
    g.h.game.apply(cmd(CommandKind::TEJYUN));
    EXPECT_EQ(g.h.game.journal().back(), cmd(CommandKind::TEJYUN)) << "a command with no box adds itself only";
}

TEST(Journal, AReplayIsTheSameGameWithNoWaitsAndNoBoxesShown) {
    // Black wins in a four-person game after a step back and forth, and a
    // new game is chosen: every kind of box is in it.
    Started live;
    live.h.dialogs.answers = {true};
    Journal commands{cmd(CommandKind::PLAY_4), cmd(CommandKind::TEJYUN)};
    for (int x = 1; x <= 5; ++x) {
        commands.push_back(at(x, 1));
        if (x < 5)
            for (const int y : {19, 17, 15}) commands.push_back(at(x, y));
        if (x == 3) {
            commands.push_back(cmd(CommandKind::MODORU));
            commands.push_back(cmd(CommandKind::SUSUMU));
            commands.push_back(at(10, 10));  // the boxes before play resumes
        }
    }
    commands.push_back(cmd(CommandKind::SUSUMU));  // nothing ahead: 進めません
    for (const Command c : commands) live.h.game.apply(c);
    ASSERT_EQ(live.h.log.count("ask 続けますか？"), 1u);

    Started again;
    ASSERT_TRUE(again.replay(live.h.game.journal()));
    EXPECT_EQ(paint_and_sound_lines(again.h.log.lines), paint_and_sound_lines(live.h.log.lines));
    EXPECT_EQ(again.h.game.signature(), live.h.game.signature());
    EXPECT_EQ(again.h.game.journal(), live.h.game.journal());
    EXPECT_EQ(again.h.log.count("box "), 0u);
    EXPECT_EQ(again.h.log.count("ask "), 0u);
    EXPECT_EQ(again.h.pause.total, 0.0);
    EXPECT_EQ(live.h.log.count("wait 0.2"), 10u) << "the five blinks in play";
}

TEST(Journal, AQuestionWithoutItsAnswerPutsTheReplayOutOfStep) {
    Started live;
    Journal j{cmd(CommandKind::PLAY_4)};
    for (int x = 1; x <= 5; ++x) {
        j.push_back(at(x, 1));
        if (x < 5)
            for (const int y : {19, 17, 15}) j.push_back(at(x, y));
    }
    Started replayed;
    EXPECT_FALSE(replayed.replay(j)) << "the win's question has no answer";
    j.push_back(cmd(CommandKind::ok));
    Started wrong;
    EXPECT_FALSE(wrong.replay(j)) << "an OK is no answer to the question";
    j.back() = cmd(CommandKind::no);
    Started ended;
    EXPECT_TRUE(ended.replay(j));
    EXPECT_EQ(ended.h.log.count("exit 0"), 1u) << "No ends the game in the replay too";
    // The win's OK, an OK of a box only the recording machine showed, then Yes.
    j.back() = cmd(CommandKind::ok);
    j.push_back(cmd(CommandKind::ok));
    j.push_back(cmd(CommandKind::yes));
    Started again;
    EXPECT_TRUE(again.replay(j)) << "an OK before the answer is passed over";
    EXPECT_EQ(again.h.log.count("exit 0"), 0u);
    EXPECT_EQ(again.h.s.move_number, 0) << "Yes: a new game";
}

TEST(Journal, OkWithNoBoxAndABoxWithNoOkLeaveTheReplayInStep) {
    // The OK boxes one machine alone shows (its settings file, say).
    Started live;
    for (const Command c : {cmd(CommandKind::JYUNBAN_1), at(9, 9), at(9, 9)}) live.h.game.apply(c);
    Journal j{cmd(CommandKind::ok), cmd(CommandKind::JYUNBAN_1), at(9, 9), cmd(CommandKind::ok), at(9, 9)};
    Started replayed;
    ASSERT_TRUE(replayed.replay(j));
    EXPECT_EQ(replayed.h.game.signature(), live.h.game.signature());
}

TEST(Journal, EscForABoxEndsTheGameWhereItStood) {
    Started g;
    EXPECT_TRUE(g.replay({cmd(CommandKind::JYUNBAN_1), cmd(CommandKind::escape), at(9, 9)}));
    EXPECT_EQ(g.h.log.count("exit 0"), 1u);
    EXPECT_EQ(g.h.s.move_number, 0) << "nothing after the Esc is played";
}

TEST(Signature, TellsApartWhatAPlayerSeesOrTheNextMoveDependsOn) {
    Started a, b;
    for (Started* g : {&a, &b}) g->h.game.apply(cmd(CommandKind::PLAY_4));
    EXPECT_EQ(a.h.game.signature(), b.h.game.signature());
    a.h.game.apply(at(3, 3));
    b.h.game.apply(at(3, 4));
    EXPECT_NE(a.h.game.signature(), b.h.game.signature()) << "a stone elsewhere";
    b.h.game.apply(cmd(CommandKind::MODORU));
    b.h.game.apply(at(3, 3));  // the 再開 boxes only
    b.h.game.apply(at(3, 3));
    EXPECT_EQ(b.h.s.board[3][3], colour_black);
    EXPECT_NE(a.h.game.signature(), b.h.game.signature())
        << "the same stones, but a step back leaves the candidate cells of the stone taken back";
    const std::uint64_t before = a.h.game.signature();
    a.h.game.apply(cmd(CommandKind::BGM));
    EXPECT_NE(a.h.game.signature(), before) << "an option";
    a.h.game.apply(cmd(CommandKind::BGM));
    EXPECT_EQ(a.h.game.signature(), before);
    a.h.s.five_stop[4][4] = 2;
    EXPECT_NE(a.h.game.signature(), before) << "the search's tables";
}

TEST(Signature, EverySeededJournalReplaysToTheSamePositionsAndLogs) {
    for (int n = 0; n < seeded_journal_count; ++n) {
        const PlayedJournal live = play_seeded_journal(n);
        PlayedJournal replayed;
        EXPECT_TRUE(replay_journal(live.journal, replayed)) << live.name;
        EXPECT_EQ(replayed.signatures, live.signatures) << live.name;
        EXPECT_EQ(replayed.paint_and_sound, live.paint_and_sound) << live.name;
    }
}
