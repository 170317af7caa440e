// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <cstdio>
#include <cstring>
#include <memory>
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
    quintora::Program program;
    std::unique_ptr<quintora::NetworkGame> network;
    if (join) {
        std::string error;
        network = quintora::NetworkGame::make(program.form(), program.room_dialogs(), program.room_sound(), join,
                                              seats, error);
        if (!network) {
            std::fprintf(stderr, "quintora: %s\n", error.c_str());
            return 2;
        }
    }
    program.show_and_start();
    if (network)
        network->start();
    else {
        program.form().think_beside_the_window();
        program.form().game().restore_strength();
    }
    return app.exec();
}
