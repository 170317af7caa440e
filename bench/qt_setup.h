// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Small helpers of the window probes.

#include <QApplication>
#include <QMouseEvent>
#include <cstdlib>
#include <string>
#include <unistd.h>

#include "app/qt_form1.h"
#include "app/program_folder.h"

namespace quintora::bench {

// Without a display the probes draw off-screen, as the tests do.
inline void default_to_offscreen() {
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
}

// The game reads its waves and settings from the current folder, which is the
// program folder when it is started the usual way (`make run`).
inline void enter_program_folder() {
    if (chdir(program_folder().c_str()) != 0) std::perror("chdir to the program folder");
}

// A left-button press on the canvas at pixel (px, py), delivered at once.
inline void press_canvas(QWidget& canvas, int px, int py) {
    const QPointF local(px, py);
    QMouseEvent e(QEvent::MouseButtonPress, local, canvas.mapToGlobal(local), Qt::LeftButton, Qt::LeftButton,
                  Qt::NoModifier);
    QCoreApplication::sendEvent(&canvas, &e);
}

}  // namespace quintora::bench
