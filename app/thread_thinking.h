// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The computer's search on a thread of its own, while the window's thread
// goes on handling its events: menus open, Esc and the close end the
// program at once. Commands the window takes meanwhile wait until the game
// is free again (Form1 keeps them), as they would in the queue during a
// pause. Sockets are left alone meanwhile: a room's messages wait too.
#include <atomic>

#include "ports/thinking.h"

namespace quintora {

class ThreadThinking : public Thinking {
public:
    void run(const std::function<void()>& search) override;
    // True while a search runs.
    bool busy() const { return busy_; }

private:
    bool busy_ = false;
};

}  // namespace quintora
