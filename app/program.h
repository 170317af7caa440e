// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program put together: the window, its message boxes, the sleeping
// pause, the sound library from the program folder and the way out. The
// one wiring of main, shared by the measuring probes.

#include "app/immediate_exit.h"
#include "app/loaded_library.h"
#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "app/sleeping_pause.h"
#include "net/room_platform.h"
#include "sound/held_loops.h"

#include <memory>

namespace quintora {

// Names the application, gives it its desktop identity and its faces. Call
// once, after the application object is made and before the first widget.
void prepare_application();
// Qt's own words (the boxes' OK, Yes and No) in `language`, from the
// translations Debian ships with Qt; Qt's English when it has none.
void use_qt_words(std::string_view language);

class Program {
public:
    // With the window system's message boxes, or with `dialogs` instead.
    // `in_room`: the game is to be shared through a room, whose boxes and
    // sound stand between the game and the window's; a game alone has none.
    explicit Program(Dialogs* dialogs = nullptr, bool in_room = false);
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    Form1& form() { return form_; }
    LoadedSoundLibrary& sound() { return sound_; }
    // What a networked game puts before the boxes and the sound (nothing
    // in a game alone).
    net::RoomDialogs* room_dialogs() { return room_dialogs_.get(); }
    net::QuietSound* room_sound() { return room_sound_.get(); }
    // Shows the window, then runs the game's start-up.
    void show_and_start();

private:
    QtDialogs qt_dialogs_;
    SleepingPause pause_;
    ImmediateExit exit_;
    LoadedSoundLibrary sound_;
    // The music waits for the settings read at start-up.
    HeldLoops held_{sound_};
    std::unique_ptr<net::RoomDialogs> room_dialogs_;
    std::unique_ptr<net::QuietSound> room_sound_;
    Form1 form_;
};

}  // namespace quintora
