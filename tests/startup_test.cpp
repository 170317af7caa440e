// SPDX-License-Identifier: GPL-3.0-or-later
#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>
#include <fstream>

#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
std::vector<std::string> sound_calls(const Log& log) {
    std::vector<std::string> out;
    for (const auto& l : log.lines)
        if (l.rfind("ds", 0) == 0) out.push_back(l.substr(0, l.find(" len ")));
    return out;
}
void write(const char* name, const std::string& bytes) {
    std::ofstream(std::filesystem::u8path(name), std::ios::binary | std::ios::trunc) << bytes;
}
}  // namespace

TEST(StartUp, ALibraryThatPlaysInPlaceCanReadEveryImageAfterwards) {
    Harness h;
    h.sound.in_place = true;
    h.start();
    ASSERT_EQ(h.sound.images.size(), 5u);
    // A dropped image is a use-after-free here, which the sanitizer reports.
    for (const unsigned char* image : h.sound.images) EXPECT_EQ(std::memcmp(image + 8, "WAVE", 4), 0);
}

TEST(StartUp, SoundCallsInTheirOrderThenTheEmptyBoardAndTheName) {
    Harness h;
    h.start();
    const auto calls = sound_calls(h.log);
    ASSERT_GE(calls.size(), 8u);
    EXPECT_EQ(calls[0], "dsInitialize 1");
    EXPECT_EQ(calls[1], "dsCreateDSB 7 flags 3");
    EXPECT_EQ(calls[5], "dsCreateDSB 7 flags 1");
    EXPECT_EQ(calls[6], "dsPlayLooping 104") << "the music is the fifth buffer";
    EXPECT_EQ(h.s.snd_other, 100);
    EXPECT_EQ(h.s.snd_forbidden, 101);
    EXPECT_EQ(h.s.snd_stone, 102);
    EXPECT_EQ(h.s.snd_game_end, 103);
    EXPECT_EQ(h.s.snd_bgm, 104);
    EXPECT_TRUE(h.mark(Mark::BGM));
    EXPECT_FALSE(h.mark(Mark::TEJYUN));
    EXPECT_EQ(h.s.game_mode, no_game);
    EXPECT_EQ(h.s.to_move, no_game);
    for (int c = 0; c <= 4; ++c) EXPECT_EQ(h.s.player_kind[c], 0);
    EXPECT_EQ(h.log.count("pic KARA"), 361u);
    EXPECT_EQ(h.log.with("pic PG_NAME"), std::vector<std::string>{"pic PG_NAME 7415 607.5"});
    EXPECT_EQ(h.log.count("warning"), 0u);
    EXPECT_EQ(broken_invariant(h.s), "");
}

TEST(StartUp, NoSoundSystemWarnsOnceAndCreatesNoBuffer) {
    Harness h;
    h.sound.system_handle = 0;
    h.start();
    EXPECT_EQ(h.log.with("warning"),
              std::vector<std::string>{"warning Direct Soundインターフェースが作成できません。|Quintora.dll"});
    EXPECT_EQ(h.log.count("dsCreateDSB"), 0u);
    EXPECT_EQ(h.s.snd_bgm, 0);
    EXPECT_THROW(h.game.on_key(27), ProcessEnded);
    EXPECT_EQ(h.log.count("dsFree 0"), 5u);
    EXPECT_EQ(h.log.count("dsTerminate"), 0u);
}

TEST(StartUp, MissingWaveIsSilentAndBadWavesWarnWithoutReachingTheLibrary) {
    Harness h(false);
    write("その他.wav", "");
    write("禁止.wav", "not a wave at all");
    write("石打音.wav", riff_image(1000, 100));  // the header claims more than the file holds
    std::filesystem::create_directory(std::filesystem::u8path("終局.wav"));
    h.start();  // BGM.wav is missing
    const auto warnings = h.log.with("warning");
    ASSERT_EQ(warnings.size(), 4u);
    EXPECT_NE(warnings[0].find("その他.wav"), std::string::npos);
    EXPECT_NE(warnings[0].find("空"), std::string::npos);
    EXPECT_NE(warnings[1].find("RIFF/WAVE"), std::string::npos);
    EXPECT_NE(warnings[2].find("切れて"), std::string::npos);
    EXPECT_NE(warnings[3].find("フォルダー"), std::string::npos);
    for (const auto& w : warnings) EXPECT_EQ(w.substr(w.size() - 13), "|Quintora.dll");
    EXPECT_EQ(h.log.count("dsCreateDSB"), 0u);
    EXPECT_EQ(h.s.snd_other + h.s.snd_forbidden + h.s.snd_stone + h.s.snd_game_end + h.s.snd_bgm, 0);
    EXPECT_EQ(h.log.count("dsPlayLooping 0"), 2u) << "start-up and the settings both loop handle 0";
}

TEST(Quit, EveryPathFreesFiveBuffersThenTerminatesAndEndsWithZero) {
    for (int path = 0; path < 3; ++path) {
        Harness h;
        h.start();
        h.log.clear();
        h.marks.ticks[int(Mark::TEJYUN)] = false;
        try {
            if (path == 0) h.game.on_key(27);
            if (path == 1) h.game.終了();
            if (path == 2) {  // No to "続けますか？" after a win
                h.dialogs.answers = {false};
                h.game.対局_判定(colour_black);
            }
            FAIL() << "the process should have ended";
        } catch (const ProcessEnded& e) {
            EXPECT_EQ(e.code, 0);
        }
        const auto calls = sound_calls(h.log);
        const std::vector<std::string> tail(calls.end() - 6, calls.end());
        EXPECT_EQ(tail, (std::vector<std::string>{"dsFree 100", "dsFree 101", "dsFree 102", "dsFree 103", "dsFree 104",
                                                  "dsTerminate 7"}))
            << path;
        EXPECT_EQ(h.log.lines.back(), "exit 0");
    }
}

TEST(Quit, OtherKeysDoNothing) {
    Harness h;
    h.start();
    h.log.clear();
    for (int k : {13, 32, int('q'), int('x'), 26, 28}) h.game.on_key(k);
    EXPECT_TRUE(h.log.lines.empty());
}

TEST(AboutBox, PlaysItsSoundBeforeTheBox) {
    Harness h;
    h.start();
    h.log.clear();
    h.game.on_about();
    ASSERT_EQ(h.log.lines.size(), 2u);
    EXPECT_EQ(h.log.lines[0], "dsPlay 100");
    EXPECT_EQ(h.log.lines[1].rfind("about QuintoraⅠ\r\r", 0), 0u);
    EXPECT_NE(h.log.lines[1].find("\rHome page\r"), std::string::npos);
    EXPECT_NE(h.log.lines[1].find("\re-mail\r"), std::string::npos);
}

TEST(Music, BgmTwiceStopsAndRestartsTheLoopAndLeavesTheFileAlone) {
    Harness h;
    h.start();
    const auto before = std::filesystem::last_write_time("Quintora.ini");
    std::ifstream in("Quintora.ini", std::ios::binary);
    const std::string content((std::istreambuf_iterator<char>(in)), {});
    h.log.clear();
    h.game.options().on_BGM();
    EXPECT_FALSE(h.mark(Mark::BGM));
    h.game.options().on_BGM();
    EXPECT_TRUE(h.mark(Mark::BGM));
    EXPECT_EQ(h.log.lines, (std::vector<std::string>{"dsStop 104", "dsPlayLooping 104"}));
    std::ifstream again("Quintora.ini", std::ios::binary);
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(again)), {}), content);
    EXPECT_EQ(std::filesystem::last_write_time("Quintora.ini"), before);
}

TEST(Reset, KeepsPlayerKindsAndRedrawsOnlyCellsThatHeldStones) {
    Harness h;
    h.start();
    h.game.on_PLAY_4();
    h.press(3, 3);
    h.press(4, 4);
    h.log.clear();
    h.game.初期設定();
    EXPECT_EQ(h.log.count("pic "), 2u);
    EXPECT_EQ(h.s.player_kind[1], player_human);
    EXPECT_EQ(h.s.move_number, 0);
    EXPECT_EQ(h.s.near_flag[10][10], flag_yes);
    EXPECT_EQ(h.s.near_flag[3][3], flag_no);
    EXPECT_EQ(broken_invariant(h.s), "");
    EXPECT_EQ(h.log.with("rect"), (std::vector<std::string>{"rect 7572.5 2025 2200 300 2", "rect 7415 2340 1800 2600 2"}));
}
