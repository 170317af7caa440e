// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Everything the game reaches outside itself, as small interfaces: the
// painted surface, message boxes, pauses, the sound library, the check marks
// of the option menu and the way out. The window passes the real ones; the
// tests pass recording fakes.

#include "ports/dialogs.h"
#include "ports/marks.h"
#include "ports/pause.h"
#include "ports/process_exit.h"
#include "ports/sound_library.h"
#include "ports/canvas.h"
#include "ports/storage.h"

namespace quintora {

struct Platform {
    Canvas& canvas;
    Dialogs& dialogs;
    Pause& pause;
    SoundLibrary& sound;
    Marks& marks;
    ProcessExit& exit;
    Storage& storage;
};

}  // namespace quintora
