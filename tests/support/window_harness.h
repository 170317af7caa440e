// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The real window on the offscreen platform, with the recording fakes for
// message boxes, pauses, sound and the way out.

#include <QApplication>
#include <memory>

#include "app/desktop_identity.h"
#include "app/immediate_exit.h"
#include "app/qt_form1.h"
#include "support/fakes.h"

namespace quintora::testing {

// The one application object of a test process, made on first use.
QApplication& test_app();

struct WindowHarness {
    // First of all members: the window needs the application object.
    QApplication& app = test_app();
    ScratchFolder folder;
    Log log;
    ScriptedDialogs dialogs{log};
    RecordingPause pause{log};
    FakeSound sound{log};
    ThrowingExit exit{log};
    Form1 form{dialogs, pause, sound, exit};
};

}  // namespace quintora::testing
