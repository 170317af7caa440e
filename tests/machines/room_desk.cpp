// SPDX-License-Identifier: GPL-3.0-or-later
// One desktop machine in a room, for the tests that spread a game over
// several machines: the real window (off-screen), its real message boxes,
// the room reached through libmosquitto, and the painting and sound
// recorded. A test drives it line by line on its standard input:
//
//   press X Y        a click on the cell, through the window
//   key NAME...      keys pressed on the board (left right up down home end
//                    pageup pagedown return space)
//   menu NAME        the menu item's action triggered, as a click on it does
//   answer no        the next question is answered No (Yes otherwise)
//   state            one line: position, signature, role, seats, diverged
//   title            one line: the window's title
//   dump FILE        the journal, then the painting and sound, into FILE
//   vanish           gone without a word, as a crash would
//   quit             leaves the room and ends
//
//   room_desk mqtt://HOST:PORT/ROOM SEATS
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QSocketNotifier>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <deque>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

#include "app/network_game.h"
#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "net/room_platform.h"
#include "state/colour.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

const char* role_name(net::Room::Role r) {
    switch (r) {
        case net::Room::Role::orderer: return "orderer";
        case net::Room::Role::follower: return "follower";
        default: return "waiting";
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: room_desk mqtt://HOST:PORT/ROOM SEATS\n");
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    ScratchFolder folder;
    Log log;
    RecordingCanvas paint{log};
    QtDialogs shown;
    RecordingPause pause{log};
    FakeSound sound{log};
    ThrowingExit exit{log};
    net::RoomDialogs dialogs{shown};
    net::QuietSound quiet{sound};
    Form1 form{dialogs, pause, quiet, exit, &paint};
    shown.set_parent(&form);
    std::string error;
    auto plan = NetworkGame::plan(argv[1], argv[2], error);
    if (!plan) {
        std::fprintf(stderr, "room_desk: %s\n", error.c_str());
        return 2;
    }
    auto network = std::make_unique<NetworkGame>(form, dialogs, quiet, std::move(*plan));

    // The boxes are answered with the mouse: OK, or the answer asked for.
    std::deque<QMessageBox::StandardButton> answers;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible()) return;
        QMessageBox::StandardButton which = QMessageBox::Ok;
        if (box->button(QMessageBox::Yes)) {
            which = answers.empty() ? QMessageBox::Yes : answers.front();
            if (!answers.empty()) answers.pop_front();
        }
        QTest::mouseClick(box->button(which), Qt::LeftButton);
    });
    poll.start(5);

    form.show();
    form.start();
    network->start();

    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    std::string pending;
    QObject::connect(&input, &QSocketNotifier::activated, [&] {
        char buffer[4096];
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n <= 0) {
            QApplication::quit();
            return;
        }
        pending.append(buffer, std::size_t(n));
        std::size_t end;
        while ((end = pending.find('\n')) != std::string::npos) {
            std::istringstream line(pending.substr(0, end));
            pending.erase(0, end + 1);
            std::string word;
            line >> word;
            if (word == "press") {
                int x = 0, y = 0;
                line >> x >> y;
                const QPoint p(int((800 + 315 * x + 157) / 15), int((450 + 315 * y + 157) / 15));
                QTest::mouseClick(&form.canvas(), Qt::LeftButton, {}, p);
            } else if (word == "key") {
                static const std::pair<const char*, Qt::Key> keys[] = {
                    {"left", Qt::Key_Left}, {"right", Qt::Key_Right},   {"up", Qt::Key_Up},
                    {"down", Qt::Key_Down}, {"home", Qt::Key_Home},     {"end", Qt::Key_End},
                    {"pageup", Qt::Key_PageUp}, {"pagedown", Qt::Key_PageDown},
                    {"return", Qt::Key_Return}, {"space", Qt::Key_Space}};
                std::string name;
                while (line >> name)
                    for (const auto& [n, k] : keys)
                        if (name == n) QTest::keyClick(&form.canvas(), k);
            } else if (word == "menu") {
                std::string name;
                line >> name;
                if (QAction* a = form.action(name.c_str())) a->trigger();
            } else if (word == "answer") {
                std::string a;
                line >> a;
                answers.push_back(a == "no" ? QMessageBox::No : QMessageBox::Yes);
            } else if (word == "state") {
                const net::Room& r = *form.session().room();
                const GameState& g = form.game().state();
                // The board by rows, a digit a cell: 0 empty, 1 to 4 the colours.
                std::string cells;
                for (int y = 1; y <= field_last; ++y)
                    for (int x = 1; x <= field_last; ++x) {
                        const auto c = Colour::from_code(g.board[x][y]);
                        cells += c ? char('1' + c->index()) : '0';
                    }
                const auto turn = Colour::from_code(g.to_move);
                std::printf("state mode=%d turn=%d cells=%s ", int(g.game_mode), turn ? turn->index() : -1,
                            cells.c_str());
                std::printf("position=%llu signature=%016llx role=%s seats=%s diverged=%d connected=%d\n",
                            static_cast<unsigned long long>(r.position()),
                            static_cast<unsigned long long>(form.game().shared_signature()), role_name(r.role()),
                            net::seat_names(r.seats()).c_str(), r.diverged() ? 1 : 0, r.is_connected() ? 1 : 0);
                std::fflush(stdout);
            } else if (word == "title") {
                std::printf("title %s\n", form.windowTitle().toStdString().c_str());
                std::fflush(stdout);
            } else if (word == "dump") {
                std::string path;
                line >> path;
                std::ofstream out(path);
                for (const Command c : form.session().room()->journal())
                    out << "journal " << command_text(c) << "\n";
                for (const auto& l : log.lines) out << l << "\n";
                out.close();
                std::printf("dumped\n");
                std::fflush(stdout);
            } else if (word == "vanish") {
                network->vanish();
                std::fflush(stdout);
                _exit(0);
            } else if (word == "quit") {
                QApplication::quit();
            }
        }
    });
    const int rc = app.exec();
    network.reset();
    return rc;
}
