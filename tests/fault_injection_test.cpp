// SPDX-License-Identifier: GPL-3.0-or-later
// Broken surroundings: the program must start, play a whole game and quit
// with code 0, showing the warnings it documents and no others. Each case
// runs in a child process with the real window, the real sound library
// loader and the real way out.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>

#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "app/loaded_library.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;
namespace fs = std::filesystem;

namespace {

// Ends the process for real, after telling the parent which boxes it saw.
struct ReportingExit : ProcessExit {
    const Log* log = nullptr;
    [[noreturn]] void end_process(int code) override {
        for (const auto& l : log->lines)
            if (l.rfind("warning", 0) == 0 || l.rfind("box", 0) == 0) std::fprintf(stderr, "[%s]\n", l.c_str());
        std::fprintf(stderr, "[end]\n");
        ImmediateExit().end_process(code);
    }
};

// Starts the window in a prepared folder and plays a whole game to its end:
// four people at the mouse, black lays five along the top row while the
// others play rows 5, 9 and 13; the win is answered with No.
[[noreturn]] void play_whole_game(const std::string& library, const std::function<void(const fs::path&)>& prepare) {
    test_app();
    ScratchFolder folder;
    prepare(folder.path());
    Log log;
    ScriptedDialogs dialogs{log};
    dialogs.answers = {false};
    RecordingPause pause{log};
    LoadedSoundLibrary sound(library);
    ReportingExit exit;
    exit.log = &log;
    Form1 form(dialogs, pause, sound, exit);
    form.start();
    form.action("PLAY_4")->trigger();
    auto click = [&form](int x, int y) {
        QTest::mouseClick(&form.canvas(), Qt::LeftButton, {},
                          QPoint((1115 + 315 * (x - 1) + 150) / 15, (765 + 315 * (y - 1) + 150) / 15));
    };
    for (int x = 1; x <= 4; ++x)
        for (int y : {1, 5, 9, 13}) click(x, y);
    click(5, 1);  // black's fifth stone in the row: the game must end here
    std::fprintf(stderr, "[no end] mode %d moves %d\n", form.game().state().game_mode, form.game().state().move_number);
    for (const auto& l : log.lines) std::fprintf(stderr, "%s\n", l.c_str());
    std::_Exit(3);
}

const std::string real_library = QUINTORA_SOUND_LIBRARY;
void nothing(const fs::path&) {}

// The boxes of a game without faults: the start box, black's win, and that
// is all. (No "." for a kanji: in the C locale it matches one byte only.)
const char* const clean_end = "\\[box 黒の番です\\|\\]\n\\[box 　黒の勝ち！！\\|\\]\n\\[end\\]\n$";
const char* const no_sound_warning = "\\[warning Direct Soundインターフェースが作成できません。\\|Quintora.dll\\]\n";

struct Faults : ::testing::Test {
    Faults() {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        setenv("SDL_AUDIODRIVER", "dummy", 1);
    }
};
}  // namespace

TEST_F(Faults, NothingBrokenShowsNoWarning) {
    EXPECT_EXIT(play_whole_game(real_library, nothing), ::testing::ExitedWithCode(0), std::string("(^|\n)") + clean_end);
}

TEST_F(Faults, SoundLibraryMissingOrIncompleteOrNoAudioDevice) {
    const std::string expect = std::string("(^|\n)") + no_sound_warning + clean_end;
    EXPECT_EXIT(play_whole_game("/nonexistent/libQuintora.so", nothing), ::testing::ExitedWithCode(0), expect);
    EXPECT_EXIT(play_whole_game(QUINTORA_PARTIAL_SOUND, nothing), ::testing::ExitedWithCode(0), expect);
    EXPECT_EXIT(
        {
            setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
            play_whole_game(real_library, nothing);
        },
        ::testing::ExitedWithCode(0), expect);
}

TEST_F(Faults, EachBadWaveIsReportedOnceAndAMissingOneNotAtAll) {
    const char* waves[] = {"その他.wav", "禁止.wav", "石打音.wav", "終局.wav", "BGM.wav"};
    const std::pair<std::string, std::string> damage[] = {
        {"", "空"}, {riff_image(36, 8).substr(0, 10), "RIFF"}, {"MThd\0\0\0\6 not a wave", "RIFF"}, {riff_image(100000, 64), "切れて"},
        // two format chunks, the second without channels, once fatal to the music reader
        {read_bytes(fs::path(QUINTORA_WAVES_DIR) / "../../fuzz/regressions/wave/second-format-without-channels-after-odd-data.wav"), "壊れて"}};
    for (const char* w : waves) {
        EXPECT_EXIT(play_whole_game(real_library, [w](const fs::path& d) { fs::remove(d / fs::u8path(w)); }),
                    ::testing::ExitedWithCode(0), std::string("(^|\n)") + clean_end)
            << w << " missing";
        for (const auto& [bytes, word] : damage) {
            const std::string expect = std::string("(^|\n)\\[warning 「") + w + "」: [^]]*" + word + "[^]]*\\|Quintora.dll\\]\n" + clean_end;
            EXPECT_EXIT(play_whole_game(real_library,
                                        [w, b = bytes](const fs::path& d) {
                                            fs::remove(d / fs::u8path(w));
                                            write_bytes(d / fs::u8path(w), b);
                                        }),
                        ::testing::ExitedWithCode(0), expect)
                << w << " " << word;
        }
    }
}

TEST_F(Faults, BadSettingsFilesAreSurvivedSilently) {
    const std::function<void(const fs::path&)> cases[] = {
        [](const fs::path& d) { fs::create_directory(d / "Quintora.ini"); },
        [](const fs::path& d) {
            std::string junk;
            std::mt19937 rng(3);
            for (int i = 0; i < 100000; ++i) junk.push_back(char(rng()));
            write_bytes(d / "Quintora.ini", junk);
        },
        [](const fs::path& d) {
            write_bytes(d / "Quintora.ini", "BGM=NG\r\n");
            fs::permissions(d / "Quintora.ini", fs::perms::none);
        },
        [](const fs::path& d) {
            write_bytes(d / "Quintora.ini", std::string(1 << 20, 'x') + "\nBGM=NG\n");
            fs::permissions(d, fs::perms::owner_read | fs::perms::owner_exec);
        },
    };
    for (const auto& prepare : cases)
        EXPECT_EXIT(play_whole_game(real_library, prepare), ::testing::ExitedWithCode(0), std::string("(^|\n)") + clean_end);
}

TEST_F(Faults, ReadOnlyFolderWithoutASettingsFileSaysSoAndPlaysOn) {
    if (geteuid() == 0) GTEST_SKIP() << "permissions do not bind the superuser";
    EXPECT_EXIT(play_whole_game(real_library,
                                [](const fs::path& d) { fs::permissions(d, fs::perms::owner_read | fs::perms::owner_exec); }),
                ::testing::ExitedWithCode(0), "(^|\n)\\[box ファイルが見つかりません。\\|読込データ\\]\n");
}

// Without the window's face and its fallback the labels and numbers are
// still drawn, in whatever face the system has.
namespace {
[[noreturn]] void draw_without_japanese_faces() {
    const fs::path conf = fs::temp_directory_path() / "quintora-fonts.conf";
    write_bytes(conf,
          "<?xml version=\"1.0\"?><!DOCTYPE fontconfig SYSTEM \"fonts.dtd\"><fontconfig>"
          "<dir>/usr/share/fonts/truetype/dejavu</dir><cachedir>/tmp/quintora-fc-cache</cachedir></fontconfig>");
    setenv("FONTCONFIG_FILE", conf.c_str(), 1);
    WindowHarness w;
    Form1& form = w.form;
    form.start();
    const QImage& s = form.canvas().surface();
    // White pixels of the row labels left of the board.
    int white = 0;
    for (int x = 53; x < 74; ++x)
        for (int y = 51; y < 470; ++y) white += qRed(s.pixel(x, y)) > 200 && qGreen(s.pixel(x, y)) > 200;
    std::fprintf(stderr, "face %s white %d\n", qPrintable(form.canvas().font_family()), white);
    std::_Exit(white > 50 && !form.canvas().font_family().contains("Mincho") ? 0 : 1);
}
}  // namespace

TEST_F(Faults, LabelsAndNumbersWithoutTheJapaneseFaces) {
    EXPECT_EXIT(draw_without_japanese_faces(), ::testing::ExitedWithCode(0), "face");
}
