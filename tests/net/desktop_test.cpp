// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop program itself in a room: `quintora --join` (off-screen) makes
// the room and orders; a machine on the fakes holds every colour, plays
// against the computers, and checks the desktop's signature after each step.
#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

#include "net/broker.h"
#include "net/machine.h"

using namespace quintora;
using namespace quintora::net;
using namespace quintora::testing;
using namespace std::chrono_literals;

namespace {

// The program in a folder of its own, its error output kept there.
struct Desktop {
    ScratchFolder folder;
    pid_t pid = -1;
    explicit Desktop(const std::string& address) {
        pid = fork();
        if (pid == 0) {
            setenv("QT_QPA_PLATFORM", "offscreen", 1);
            setenv("SDL_AUDIODRIVER", "dummy", 1);
            if (!freopen("errors.log", "w", stderr)) _exit(126);
            execl(QUINTORA_DESKTOP, QUINTORA_DESKTOP, "--join", address.c_str(), static_cast<char*>(nullptr));
            _exit(127);
        }
    }
    ~Desktop() {
        if (pid > 0) {
            ::kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
        }
    }
    std::string errors() const {
        std::ifstream in(folder.path() / "errors.log");
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

}  // namespace

TEST(Desktop, JoinsARoomMakesItAndOrdersAnotherMachinesGameWithTheSameSignatures) {
    Broker broker;
    ASSERT_TRUE(broker.start()) << broker.log();
    const std::string room = random_hex128();
    Desktop desktop("mqtt://127.0.0.1:" + std::to_string(broker.port()) + "/" + room);
    {
        Machine m(broker.port(), room, "player", *parse_seat_names("黒,青,白,赤"));
        ASSERT_TRUE(m.started);
        Game& game = m.game;
        Room& r = *m.room;
        const RoomSetup& setup = m.setup;
        const auto until = [&](auto done) {
            const auto deadline = std::chrono::steady_clock::now() + 60s;
            while (std::chrono::steady_clock::now() < deadline) {
                m.link->pump();
                if (done()) return true;
                m.link->wait(20ms);
            }
            return false;
        };
        // The desktop finds no game in the room, makes it, and gives this
        // machine the seats it asks for.
        ASSERT_TRUE(until([&] { return r.seats() == setup.seats && r.orderer_here(); })) << desktop.errors();
        EXPECT_EQ(r.role(), Room::Role::follower);
        // One person as black against three computers, whose moves every
        // machine works out for itself.
        for (const Command c : {Command::of(CommandKind::JYUNBAN_1), Command::press_at(Cell{10, 10}),
                                Command::press_at(Cell{9, 11}), Command::of(CommandKind::MODORU),
                                Command::press_at(Cell{11, 9}), Command::press_at(Cell{8, 12})}) {
            const auto before = r.position();
            r.local(c);
            ASSERT_TRUE(until([&] { return r.position() > before; })) << command_text(c) << desktop.errors();
            ASSERT_FALSE(r.diverged()) << command_text(c) << ": " << (r.notes().empty() ? 0 : int(r.notes().back().word));
        }
        EXPECT_GE(game.state().move_number, 8) << "the computers moved";
        EXPECT_NE(desktop.errors().find("部屋にはまだ対局がありません"), std::string::npos) << desktop.errors();
        EXPECT_EQ(desktop.errors().find("違ってしまいました"), std::string::npos) << desktop.errors();
    }
}
