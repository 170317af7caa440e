// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sleeping_pause.h"

#include <chrono>
#include <thread>

namespace quintora {

void SleepingPause::wait(double seconds) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(seconds));
    // Sleep until the deadline is no longer later than the clock; a wake-up
    // that comes early simply sleeps again for the rest.
    while (clock::now() < deadline) std::this_thread::sleep_until(deadline);
}

}  // namespace quintora
