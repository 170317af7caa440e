// SPDX-License-Identifier: GPL-3.0-or-later
// What a hostile or unlucky folder can do to the game: special files by the
// names of its waves, a settings file that cannot be written whole, links,
// and a quit that arrives while the game is busy.
#include <gtest/gtest.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QWindow>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "support/fakes.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;
namespace fs = std::filesystem;

namespace {

const char* const ini = "Quintora.ini";

std::vector<std::string> folder_entries() {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(".")) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

const std::vector<std::string> waves_and_ini = {"BGM.wav", "Quintora.ini", "その他.wav", "石打音.wav",
                                                "禁止.wav", "終局.wav"};

}  // namespace

TEST(WaveFiles, APipeAndADeviceAreRefusedWithoutWaiting) {
    Harness h;
    fs::remove("BGM.wav");
    ASSERT_EQ(mkfifo("BGM.wav", 0644), 0);
    fs::remove(fs::u8path("終局.wav"));
    fs::create_symlink("/dev/zero", fs::u8path("終局.wav"));
    alarm(20);  // opening the pipe the old way waits for a writer for ever
    h.start();
    alarm(0);
    EXPECT_EQ(h.log.with("warning"),
              (std::vector<std::string>{
                  "warning 「終局.wav」はデバイスです。音声ファイルではありません。|Quintora.dll",
                  "warning 「BGM.wav」は名前付きパイプです。音声ファイルではありません。|Quintora.dll"}));
    EXPECT_EQ(h.log.count("dsCreateDSB"), 3u);
    EXPECT_EQ(h.s.snd_bgm, 0);
    EXPECT_EQ(h.s.snd_game_end, 0);
}

TEST(WaveFiles, ALinkToNothingIsAMissingFile) {
    Harness h;
    fs::remove("BGM.wav");
    fs::create_symlink("nowhere.wav", "BGM.wav");
    h.start();
    EXPECT_EQ(h.log.count("warning"), 0u);
    EXPECT_EQ(h.s.snd_bgm, 0);
}

// A writer that runs out of room after ten bytes, as on a full disk: the
// write fails part-way through the three lines.
namespace {
void limit_file_size_to_ten_bytes() {
    std::signal(SIGXFSZ, SIG_IGN);
    const rlimit ten{10, 10};
    setrlimit(RLIMIT_FSIZE, &ten);
}

[[noreturn]] void switch_icons_on_a_full_disk() {
    Harness h;
    h.start();
    const std::string before = read_bytes(ini);
    limit_file_size_to_ten_bytes();
    h.game.options().on_AICON();
    h.game.options().on_AICON();
    const bool intact = read_bytes(ini) == before && before.size() > 10;
    const bool no_stray_file = folder_entries() == waves_and_ini;
    const bool told_once = h.log.with("warning") == std::vector<std::string>{
                                                         "warning 設定ファイル「Quintora.ini」に書き込めません。\r"
                                                         "ｵﾌﾟｼｮﾝの設定は保存されません。|書込データ"};
    std::fprintf(stderr, "intact %d clean %d told %d\n", intact, no_stray_file, told_once);
    std::_Exit(intact && no_stray_file && told_once && h.mark(Mark::AICON) == false ? 0 : 1);
}

// The game's folder on a disk that is full: a small tmpfs mounted over it
// in a mount namespace of this process (and a user namespace when not
// root), filled up. False when the system allows neither.
bool on_a_full_disk() {
    const std::string folder = fs::current_path().string();
    const uid_t uid = geteuid();
    const gid_t gid = getegid();
    if (unshare(CLONE_NEWNS) != 0) {
        if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return false;
        std::ofstream("/proc/self/setgroups") << "deny";
        std::ofstream("/proc/self/uid_map") << "0 " << uid << " 1";
        std::ofstream("/proc/self/gid_map") << "0 " << gid << " 1";
    }
    if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0) return false;
    if (mount("quintora-full", folder.c_str(), "tmpfs", 0, "size=16k") != 0) return false;
    if (chdir(folder.c_str()) != 0) return false;
    std::FILE* filler = std::fopen("filler", "wb");
    if (filler == nullptr) return false;
    const std::string block(512, 'x');
    while (std::fwrite(block.data(), 1, block.size(), filler) == block.size() && std::fflush(filler) == 0) {
    }
    std::fclose(filler);
    return true;
}

[[noreturn]] void first_run_on_a_full_disk() {
    Harness h;
    if (!on_a_full_disk()) std::_Exit(77);
    h.start();
    const bool no_file = folder_entries() == std::vector<std::string>{"filler"};
    // The reset says why the file it could not find is missing, and nothing more.
    const bool reported = h.log.with("box") == std::vector<std::string>{"box ディスクに空きがありません。|読込データ"} &&
                          h.log.count("warning") == 0;
    std::fprintf(stderr, "no file %d reported %d\n", no_file, reported);
    std::_Exit(no_file && reported ? 0 : 1);
}
}  // namespace

TEST(SettingsWrite, AWriteThatFailsPartWayLeavesTheOldFileAndNoOtherAndSaysSoOnce) {
    EXPECT_EXIT(switch_icons_on_a_full_disk(), ::testing::ExitedWithCode(0), "");
}

TEST(SettingsWrite, AFirstRunOnAFullDiskLeavesNoEmptyFileAndSaysWhy) {
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) first_run_on_a_full_disk();
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no mount namespace for a full disk of its own";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST(SettingsWrite, TheFileIsReplacedWholeNeverRewrittenInPlace) {
    Harness h;
    h.start();
    std::ifstream old_file(ini, std::ios::binary);  // still open on the old file afterwards
    const std::string before = read_bytes(ini);
    h.game.options().on_AICON();
    EXPECT_EQ(std::string((std::istreambuf_iterator<char>(old_file)), {}), before);
    EXPECT_NE(read_bytes(ini), before);
    EXPECT_EQ(folder_entries(), waves_and_ini);
}

TEST(SettingsWrite, ALinkIsFollowedAndItsTargetReplacedWhole) {
    Harness h;
    fs::create_directory("kept");
    write_bytes("kept/mine.ini", "BGM=NG\r\n");
    fs::permissions("kept/mine.ini", fs::perms(0640));
    fs::create_symlink("kept/mine.ini", ini);
    h.start();
    EXPECT_FALSE(h.mark(Mark::BGM));
    h.game.options().on_AICON();
    EXPECT_TRUE(fs::is_symlink(ini));
    EXPECT_EQ(fs::read_symlink(ini), "kept/mine.ini");
    const std::string written = read_bytes("kept/mine.ini");
    EXPECT_NE(written.find("\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6=OK\r\nBGM=NG\r\n"), std::string::npos) << written;
    EXPECT_EQ(fs::status("kept/mine.ini").permissions(), fs::perms(0640));
    EXPECT_EQ(std::distance(fs::directory_iterator("kept"), fs::directory_iterator()), 1);
}

TEST(SettingsWrite, ALinkToNothingCreatesItsTarget) {
    Harness h;
    fs::create_directory("kept");
    fs::create_symlink("kept/new.ini", ini);
    h.start();
    EXPECT_TRUE(fs::is_symlink(ini));
    EXPECT_EQ(read_bytes("kept/new.ini").substr(0, 3), "\x8E\xE8\x8F");
    EXPECT_EQ(h.log.count("box"), 0u);
}

// Esc or a close request that arrives while a five blinks must not be lost
// to the box that follows: the program ends before any box opens.
namespace {
struct QuitDuringBlink : Pause {
    QWidget* window = nullptr;
    bool armed = false;
    bool by_close = false;
    void wait(double) override {
        if (!armed) return;
        armed = false;
        // Queued for the window's QWindow, which is where the window system
        // delivers a real key or close button, before any widget sees it.
        QWindow* w = window->windowHandle();
        if (by_close)
            QCoreApplication::postEvent(w, new QCloseEvent);
        else
            QCoreApplication::postEvent(w, new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }
};

// Real boxes only from the blink on; the setup's "black to move" box before
// it is answered at once.
struct BoxesFromTheBlinkOn : QtDialogs {
    const bool* armed = nullptr;
    void message(std::string_view text, std::string_view caption) override {
        if (*armed) QtDialogs::message(text, caption);
    }
};

struct FailOnBox : QObject {
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Show && qobject_cast<QMessageBox*>(o)) {
            std::fprintf(stderr, "a box opened: %s\n", qPrintable(static_cast<QMessageBox*>(o)->text()));
            std::_Exit(4);
        }
        return false;
    }
};

[[noreturn]] void quit_during_blink(bool by_close) {
    test_app();
    ScratchFolder folder;
    Log log;
    QuitDuringBlink pause;
    BoxesFromTheBlinkOn dialogs;
    bool blinking = false;
    dialogs.armed = &blinking;
    pause.by_close = by_close;
    FakeSound sound{log};
    ImmediateExit exit;
    Form1 form(dialogs, pause, sound, exit);
    dialogs.set_parent(&form);
    dialogs.before_box = [&form] { form.end_if_quit_waiting(); };
    pause.window = &form;
    form.start();
    FailOnBox fail_on_box;
    QApplication::instance()->installEventFilter(&fail_on_box);
    Game& g = form.game();
    g.on_PLAY_4();
    auto press = [&g](int x, int y) { g.on_board_press(grid_origin_x + x * cell_width, grid_origin_y + y * cell_height); };
    for (int x = 1; x <= 4; ++x) {
        press(x, 1);      // black
        press(x, 5);      // blue
        press(x, 9);      // white
        press(x, 13);     // red
    }
    pause.armed = blinking = true;
    press(5, 1);  // black's five blinks, then the win would be announced
    std::fprintf(stderr, "still running\n");
    std::_Exit(3);
}
}  // namespace

TEST(QuitWhileBusy, EscOrCloseDuringTheBlinkEndsTheProgramBeforeTheWinBox) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(quit_during_blink(false), ::testing::ExitedWithCode(0), "");
    EXPECT_EXIT(quit_during_blink(true), ::testing::ExitedWithCode(0), "");
}
