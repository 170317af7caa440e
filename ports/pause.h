// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Pauses of the game: nothing else happens in the window while one lasts.

namespace quintora {

class Pause {
public:
    virtual ~Pause() = default;
    virtual void wait(double seconds) = 0;
};

}  // namespace quintora
