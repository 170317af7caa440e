// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <cstring>

#include "app/program.h"
#include "app/qt_dialogs.h"
#include "app/user_folder.h"

// `quintora --installed WAVE_FOLDER`, as the installed launcher starts it,
// runs in the player's own folder with links to the installed waves.
// Started without it, the game runs in the current folder.
int main(int argc, char** argv) {
    QApplication app(argc, argv);
    quintora::prepare_application();
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--installed") == 0) {
            quintora::QtDialogs dialogs;
            if (!quintora::enter_user_folder(argv[i + 1], dialogs)) return 1;
            break;
        }
    quintora::Program program;
    program.show_and_start();
    return app.exec();
}
