// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ports/pause.h"

namespace quintora {

// Sleeps on the monotonic clock until `seconds` have passed; handles no
// events and burns no processor time while it waits.
class SleepingPause : public Pause {
public:
    void wait(double seconds) override;
};

}  // namespace quintora
