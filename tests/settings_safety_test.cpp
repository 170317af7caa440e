// The settings file in a folder others can reach, and under a writer that is
// killed: a pipe put in its place never holds the game, a link is followed
// only when it and its target are the player's, a file the player may not
// write is left alone (with one warning), a replaced file keeps its owner and
// permissions, and no temporary file is left behind. And a wave the game's
// check lets through but the library cannot play is reported like the others.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "files/replace_file.h"
#include "app/loaded_library.h"
#include "sound/module1.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;
namespace fs = std::filesystem;

namespace {

const char* const ini = "Quintora.ini";
const std::string aicon_ok = "\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6=OK";  // ｱｲｺﾝ表示=OK
const std::string unwritable =
    "warning 設定ファイル「Quintora.ini」に書き込めません。\rｵﾌﾟｼｮﾝの設定は保存されません。|書込データ";
constexpr uid_t nobody = 65534;

bool root() { return ::geteuid() == 0; }

std::vector<std::string> temporaries(const fs::path& folder = ".") {
    std::vector<std::string> out;
    for (const auto& e : fs::directory_iterator(folder))
        if (e.path().filename().string().rfind(".Quintora.ini.", 0) == 0) out.push_back(e.path().filename());
    return out;
}

}  // namespace

// The settings file swapped for a named pipe and back while the game resets
// again and again: each reset opens whatever is there at that moment, and
// none may wait for a writer.
namespace {
[[noreturn]] void resets_while_a_pipe_comes_and_goes() {
    Harness h;
    h.start();
    write_bytes("plain.ini", "BGM=NG\r\n");
    ASSERT_EQ(mkfifo("pipe.ini", 0644), 0);
    std::atomic<bool> done{false};
    std::thread swapper([&done] {
        while (!done) {
            fs::copy_file("plain.ini", "next.ini", fs::copy_options::overwrite_existing);
            fs::rename("next.ini", ini);
            ::unlink("pipe2.ini");
            ::mkfifo("pipe2.ini", 0644);
            fs::rename("pipe2.ini", ini);
        }
    });
    alarm(60);  // a reset waiting on the pipe never comes back
    for (int i = 0; i < 3000; ++i) h.game.on_SAISYO();
    done = true;
    swapper.join();
    std::_Exit(0);
}
}  // namespace

TEST(SettingsSafety, APipeSwappedInBetweenResetsNeverHoldsTheGame) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(resets_while_a_pipe_comes_and_goes(), ::testing::ExitedWithCode(0), "");
}

TEST(SettingsSafety, SomeoneElsesLinkIsNotFollowed) {
    if (!root()) GTEST_SKIP() << "a link of another user's can only be made as root";
    Harness h;
    write_bytes("notes.txt", "my own notes\n");
    fs::create_symlink("notes.txt", ini);
    ASSERT_EQ(::lchown(ini, nobody, nobody), 0);
    h.start();
    h.game.options().on_AICON();
    h.game.options().on_AICON();
    EXPECT_EQ(read_bytes("notes.txt"), "my own notes\n");
    EXPECT_TRUE(fs::is_symlink(ini));
    EXPECT_EQ(h.log.with("warning"), std::vector<std::string>{unwritable}) << "told once";
    EXPECT_EQ(temporaries(), std::vector<std::string>{});
}

// A relative link is read from the folder it stands in, not from the
// current folder: sub/Quintora.ini -> mine.ini is sub/mine.ini.
TEST(SettingsSafety, ARelativeLinkLeadsFromItsOwnFolder) {
    ScratchFolder folder;
    fs::create_directory("sub");
    write_bytes("sub/mine.ini", "old\r\n");
    write_bytes("mine.ini", "a file of the current folder\n");
    fs::create_symlink("mine.ini", "sub/Quintora.ini");
    ASSERT_TRUE(replace_file("sub/Quintora.ini", "BGM=NG\r\n"));
    EXPECT_EQ(read_bytes("sub/mine.ini"), "BGM=NG\r\n");
    EXPECT_EQ(read_bytes("mine.ini"), "a file of the current folder\n");
    EXPECT_TRUE(fs::is_symlink("sub/Quintora.ini"));
}

TEST(SettingsSafety, AFileOfSomeoneElsesIsNotReplacedThroughTheLink) {
    if (!root()) GTEST_SKIP() << "a file of another user's can only be made as root";
    Harness h;
    write_bytes("notes.txt", "their notes\n");
    ASSERT_EQ(::chown("notes.txt", nobody, nobody), 0);
    fs::permissions("notes.txt", fs::perms(0666));
    fs::create_symlink("notes.txt", ini);  // the player's own link
    h.start();
    h.game.options().on_AICON();
    EXPECT_EQ(read_bytes("notes.txt"), "their notes\n");
    EXPECT_EQ(h.log.with("warning"), std::vector<std::string>{unwritable});
}

TEST(SettingsSafety, AReadOnlyFileIsLeftAloneAndSaidOnce) {
    for (const bool linked : {false, true}) {
        SCOPED_TRACE(linked ? "through a link" : "plain");
        Harness h;
        const char* file = linked ? "kept.ini" : ini;
        write_bytes(file, "BGM=NG\r\n");
        fs::permissions(file, fs::perms(0444));
        if (linked) fs::create_symlink("kept.ini", ini);
        h.start();
        h.game.options().on_AICON();
        h.game.options().on_AICON();
        h.game.options().on_AICON();
        EXPECT_EQ(read_bytes(file), "BGM=NG\r\n");
        EXPECT_EQ(fs::status(file).permissions(), fs::perms(0444));
        EXPECT_EQ(h.log.with("warning"), std::vector<std::string>{unwritable});
    }
}

// (Run as root, the file is another user's, which the others may write:
// permission bits are read as for anyone, so root writes only what they let
// it.)
TEST(SettingsSafety, AReplacedFileKeepsItsOwnerGroupAndPermissions) {
    Harness h;
    write_bytes(ini, "BGM=NG\r\n");
    fs::permissions(ini, fs::perms(0646));
    const bool other_owner = root();
    if (other_owner) {
        ASSERT_EQ(::chown(ini, nobody, nobody), 0);
    }
    struct stat before {};
    ASSERT_EQ(::stat(ini, &before), 0);
    h.start();
    h.game.options().on_AICON();
    EXPECT_NE(read_bytes(ini).find(aicon_ok), std::string::npos);
    struct stat after {};
    ASSERT_EQ(::stat(ini, &after), 0);
    EXPECT_NE(after.st_ino, before.st_ino) << "replaced, not rewritten in place";
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode & 07777, 0646u);
    EXPECT_EQ(h.log.count("warning"), 0u);
}

// A writer killed again and again at random moments of its writing: the file
// is whole every time and no temporary file is left.
TEST(SettingsSafety, AKillDuringTheWriteLeavesNoTemporaryFile) {
    ScratchFolder folder(false);
    const std::string text = "BGM=NG\r\n" + std::string(4000, 'x') + "\r\n";
    for (int round = 0; round < 30; ++round) {
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            ::prctl(PR_SET_PDEATHSIG, SIGKILL);  // never outlives a test that was stopped
            // A shell's background job starts with SIGINT ignored; the writer must die of it.
            ::signal(SIGINT, SIG_DFL);
            ::signal(SIGTERM, SIG_DFL);
            for (;;) replace_file(ini, text);
        }
        std::this_thread::sleep_for(std::chrono::microseconds(2000 + 997 * round % 9000));
        ::kill(child, round % 2 ? SIGTERM : SIGINT);
        int status = 0;
        ::waitpid(child, &status, 0);
        ASSERT_TRUE(WIFSIGNALED(status));
        EXPECT_EQ(temporaries(), std::vector<std::string>{}) << "round " << round;
        const std::string now = read_bytes(ini);
        EXPECT_TRUE(now.empty() || now == text) << "round " << round;
    }
}

// What a kill that cannot be held back (SIGKILL, a power cut) leaves is
// cleared at the next write, once it is old enough not to be another
// copy's work in progress.
TEST(SettingsSafety, StaleTemporariesOfOursAreClearedAtTheNextWrite) {
    ScratchFolder folder(false);
    write_bytes(".Quintora.ini.old123", "BGM=OK\r\n");
    write_bytes(".Quintora.ini.new456", "BGM=OK\r\n");
    write_bytes(".Quintora.ini.not-ours-at-all", "x");
    const auto old_time = fs::last_write_time(".Quintora.ini.old123") - std::chrono::minutes(5);
    fs::last_write_time(".Quintora.ini.old123", old_time);
    ASSERT_TRUE(replace_file(ini, "BGM=NG\r\n"));
    EXPECT_FALSE(fs::exists(".Quintora.ini.old123"));
    EXPECT_TRUE(fs::exists(".Quintora.ini.new456")) << "perhaps another copy of the game is writing it";
    EXPECT_TRUE(fs::exists(".Quintora.ini.not-ours-at-all"));
    EXPECT_EQ(read_bytes(ini), "BGM=NG\r\n");
}

// A wave the game's check accepts but the sound library refuses is reported
// once, as the files the check refuses are. Each has whole chunks; one
// field of its format is beyond what SDL takes.
TEST(SettingsSafety, AWaveTheLibraryCannotPlayIsReportedOnce) {
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ScratchFolder folder(false);
    struct Format {
        const char* name;
        std::uint16_t tag, channels;
        std::uint32_t rate;
        std::uint16_t block, bits;
        std::uint32_t data;
    };
    const Format odd[] = {
        {"twelve.wav", 1, 1, 22050, 2, 12, 400},        // 12-bit samples
        {"block.wav", 1, 1, 22050, 3, 16, 402},         // a block that is not a frame
        {"nine.wav", 1, 9, 22050, 18, 16, 360},         // nine channels
        {"many.wav", 1, 65535, 22050, 65535, 8, 65535},  // 65535 channels
        {"fast.wav", 1, 1, 250000, 2, 16, 400},         // 250 kHz
        {"tag.wav", 0x1234, 1, 22050, 2, 16, 400},      // a format tag nobody knows
        {"empty.wav", 1, 1, 22050, 2, 16, 0},           // no samples
        {"half.wav", 1, 2, 22050, 4, 16, 2},            // half a frame
    };
    std::vector<std::string> expected;
    for (const Format& f : odd) {
        std::string wave = "RIFF....WAVEfmt ";
        const auto le = [&wave](std::uint32_t v, int n) {
            for (int i = 0; i < n; ++i) wave.push_back(char(v >> (8 * i)));
        };
        le(16, 4);
        le(f.tag, 2);
        le(f.channels, 2);
        le(f.rate, 4);
        le(f.rate * f.block, 4);
        le(f.block, 2);
        le(f.bits, 2);
        wave += "data";
        le(f.data, 4);
        wave += std::string(f.data, '\x10');
        const std::uint32_t riff = std::uint32_t(wave.size() - 8);
        for (int i = 0; i < 4; ++i) wave[4 + i] = char(riff >> (8 * i));
        write_bytes(f.name, wave);
        expected.push_back(std::string("warning 「") + f.name + "」: 再生できない形式の音声ファイルです。|Quintora.dll");
    }

    Log log;
    ScriptedDialogs dialogs{log};
    LoadedSoundLibrary library(QUINTORA_SOUND_LIBRARY);
    PosixStorage files;
    Module1 module1(library, dialogs, files);
    module1.初期化_サウンド(0);
    ASSERT_EQ(log.count("warning"), 0u) << "no sound system with the dummy driver";
    for (const Format& f : odd) EXPECT_EQ(module1.読込_サウンド(f.name, 3), 0) << f.name;
    EXPECT_EQ(log.with("warning"), expected);
    module1.終了_サウンド();
}
