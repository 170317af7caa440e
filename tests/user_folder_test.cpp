// SPDX-License-Identifier: GPL-3.0-or-later
// The installed game's folder of the player's: where it goes, what is linked
// into it, what is left alone, and how a folder that cannot be made reaches
// the player.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#include "app/user_folder.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;
namespace fs = std::filesystem;

namespace {

// A scratch folder with an installed wave folder holding two waves and a
// file that is not one.
struct Scratch {
    Scratch() {
        char name[] = "/tmp/quintora-user-XXXXXX";
        root = mkdtemp(name);
        waves = root / "installed";
        fs::create_directories(waves);
        for (const char* f : {"石打音.wav", "BGM.wav", "readme.txt"}) std::ofstream(waves / fs::u8path(f)) << f;
        home = root / "home";
    }
    ~Scratch() { fs::remove_all(root); }
    UserFolder prepare(const char* xdg = nullptr) {
        return prepare_user_folder(xdg, home.c_str(), waves.string());
    }
    fs::path root, waves, home;
};

std::string target(const fs::path& link) { return fs::read_symlink(link).string(); }

}  // namespace

TEST(UserFolder, TheFirstStartMakesTheFolderAndLinksEveryWaveOnly) {
    Scratch s;
    const UserFolder f = s.prepare();
    ASSERT_EQ(f.failure, "");
    const fs::path folder = s.home / ".local/share/quintora";
    EXPECT_EQ(f.path, folder.string());
    EXPECT_EQ(target(folder / "BGM.wav"), (s.waves / "BGM.wav").string());
    EXPECT_EQ(target(folder / fs::u8path("石打音.wav")), (s.waves / fs::u8path("石打音.wav")).string());
    EXPECT_FALSE(fs::exists(fs::symlink_status(folder / "readme.txt")));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 2);
}

TEST(UserFolder, AnAbsoluteDataHomeIsTakenAndARelativeOneMeansTheDefault) {
    Scratch s;
    const std::string xdg = (s.root / "data").string();
    EXPECT_EQ(s.prepare(xdg.c_str()).path, xdg + "/quintora");
    EXPECT_FALSE(fs::exists(s.home));
    EXPECT_EQ(s.prepare("data").path, (s.home / ".local/share/quintora").string());
    EXPECT_EQ(s.prepare("").path, (s.home / ".local/share/quintora").string());
}

TEST(UserFolder, WithoutAnAbsoluteHomeNothingIsMade) {
    Scratch s;
    const fs::path before = fs::current_path();
    fs::current_path(s.root);
    for (const char* home : {static_cast<const char*>(nullptr), "", "home"}) {
        const UserFolder f = prepare_user_folder(nullptr, home, s.waves.string());
        EXPECT_NE(f.failure.find("HOME"), std::string::npos) << f.failure;
    }
    fs::current_path(before);
    EXPECT_FALSE(fs::exists(s.root / "home"));
    EXPECT_FALSE(fs::exists(s.root / ".local"));
}

TEST(UserFolder, ThePlayersOwnWaveIsKeptAndALinkToNothingMended) {
    Scratch s;
    const fs::path folder = s.prepare().path;
    fs::remove(folder / "BGM.wav");
    std::ofstream(folder / "BGM.wav") << "mine";
    fs::remove(folder / fs::u8path("石打音.wav"));
    fs::create_symlink(s.root / "gone.wav", folder / fs::u8path("石打音.wav"));

    EXPECT_EQ(s.prepare().failure, "");
    EXPECT_FALSE(fs::is_symlink(folder / "BGM.wav"));
    std::ifstream in(folder / "BGM.wav");
    std::string text;
    in >> text;
    EXPECT_EQ(text, "mine");
    EXPECT_EQ(target(folder / fs::u8path("石打音.wav")), (s.waves / fs::u8path("石打音.wav")).string());
}

TEST(UserFolder, AFolderThatCannotBeMadeOrWrittenIsAFailureNamingIt) {
    Scratch s;
    fs::create_directories(s.home / ".local/share");
    std::ofstream(s.home / ".local/share/quintora") << "in the way";
    UserFolder f = s.prepare();
    EXPECT_NE(f.failure.find(f.path), std::string::npos) << f.failure;
    EXPECT_NE(f.failure.find("Not a directory"), std::string::npos) << f.failure;

    if (geteuid() == 0) GTEST_SKIP() << "root writes into a read-only folder";
    fs::remove(s.home / ".local/share/quintora");
    fs::permissions(s.home / ".local/share", fs::perms::owner_read | fs::perms::owner_exec);
    f = s.prepare();
    fs::permissions(s.home / ".local/share", fs::perms::owner_all);
    EXPECT_NE(f.failure.find("Permission denied"), std::string::npos) << f.failure;
}

TEST(UserFolder, TwoCopiesStartingAtOnceBothSucceed) {
    for (int trial = 0; trial < 300; ++trial) {
        Scratch s;
        UserFolder a, b;
        std::atomic<int> ready{0};
        const auto start = [&ready] {
            ++ready;
            while (ready < 2) {
            }
        };
        std::thread other([&] { start(), b = s.prepare(); });
        start();
        a = s.prepare();
        other.join();
        EXPECT_EQ(a.failure, "") << "trial " << trial;
        EXPECT_EQ(b.failure, "") << "trial " << trial;
        EXPECT_TRUE(fs::exists(fs::path(a.path) / "BGM.wav"));
    }
}

TEST(UserFolder, AFailureReachesThePlayerInABoxAndTheFolderStaysAsItWas) {
    Scratch s;
    const fs::path before = fs::current_path();
    // HOME, XDG_DATA_HOME and the current folder come back whatever happens.
    struct Restore {
        const char* home = std::getenv("HOME");
        std::string saved = home ? home : "";
        const char* xdg = std::getenv("XDG_DATA_HOME");
        std::string saved_xdg = xdg ? xdg : "";
        fs::path folder = fs::current_path();
        ~Restore() {
            if (home) setenv("HOME", saved.c_str(), 1);
            if (xdg) setenv("XDG_DATA_HOME", saved_xdg.c_str(), 1);
            fs::current_path(folder);
        }
    } restore;
    Log log;
    ScriptedDialogs dialogs{log};

    unsetenv("XDG_DATA_HOME");
    unsetenv("HOME");
    EXPECT_FALSE(enter_user_folder(s.waves.string(), dialogs));
    EXPECT_EQ(fs::current_path(), before);
    ASSERT_EQ(log.with("warning").size(), 1u);
    EXPECT_EQ(log.with("warning")[0],
              "warning HOME が設定されていないので、ゲームのフォルダを作る場所がありません。|Quintora");

    setenv("HOME", s.home.c_str(), 1);
    EXPECT_TRUE(enter_user_folder(s.waves.string(), dialogs));
    EXPECT_EQ(fs::current_path(), s.home / ".local/share/quintora");
    EXPECT_EQ(log.with("warning").size(), 1u);
}
