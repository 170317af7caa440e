// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>
#include <string>

#include "app/network_game.h"
#include "app/program.h"
#include "app/qt_dialogs.h"
#include "app/user_folder.h"

// `quintora --installed WAVE_FOLDER`, as the installed launcher starts it,
// runs in the player's own folder with links to the installed waves.
// Started without it, the game runs in the current folder.
// `quintora --join mqtt://HOST:PORT/ROOM --seats 黒,青` plays in a room of a
// broker, holding the colours named (none when left out).
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    quintora::prepare_application();
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--installed") == 0) {
            quintora::QtDialogs dialogs;
            if (!quintora::enter_user_folder(argv[i + 1], dialogs)) return 1;
            break;
        }
    const char* join = nullptr;
    const char* seats = "";
    for (int i = 1; i + 1 < argc; ++i) {
        if (std::strcmp(argv[i], "--join") == 0) join = argv[i + 1];
        if (std::strcmp(argv[i], "--seats") == 0) seats = argv[i + 1];
    }
    std::optional<quintora::RoomPlan> plan;
    if (join) {
        std::string error;
        plan = quintora::NetworkGame::plan(join, seats, error);
        if (!plan) {
            std::fprintf(stderr, "quintora: %s\n", error.c_str());
            return 2;
        }
    }
    // A game alone makes nothing of rooms.
    quintora::Program program(nullptr, plan.has_value());
    std::unique_ptr<quintora::NetworkGame> network;
    if (plan)
        network = std::make_unique<quintora::NetworkGame>(program.form(), *program.room_dialogs(),
                                                          *program.room_sound(), std::move(*plan));
    program.show_and_start();
    if (network) network->start();
    return app.exec();
}
