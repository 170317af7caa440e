// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>

#include "app/program.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    quintora::prepare_application();
    quintora::Program program;
    program.show_and_start();
    return app.exec();
}
