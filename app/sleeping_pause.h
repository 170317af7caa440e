// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ports/pause.h"

namespace quintora {

// Sleeps on the monotonic clock until `seconds` have passed; burns no
// processor time while it waits. It handles no events but one kind: a screen
// reader's calls on the accessibility bus, which it answers as they come, so
// that the window is not dead to it through the computers' turns. No key,
// click, paint, timer or network message is taken in between.
class SleepingPause : public Pause {
public:
    SleepingPause();
    void wait(double seconds) override;
    // True while a screen reader's call is being answered inside a wait: a
    // command it gives then (a menu item's action) waits for the turn's end.
    static bool answering();
};

}  // namespace quintora
