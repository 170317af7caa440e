// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the sound system must leave Ctrl-C and kill their usual effect:
// SDL, left to itself, turns SIGINT and SIGTERM into a quit event that the
// game never reads, and the game would then not end.
#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>

#include "sound/library/quintora_dll.h"

TEST(SoundLibrarySignals, InterruptAndTerminateStillEndTheProcess) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    for (const int sig : {SIGINT, SIGTERM}) {
        SCOPED_TRACE(sig);
        EXPECT_EXIT(
            {
                setenv("SDL_AUDIODRIVER", "dummy", 0);
                // As a program started from a terminal has them; a background
                // job of a shell starts with SIGINT ignored.
                std::signal(sig, SIG_DFL);
                if (dsInitialize(0) == 0) std::_Exit(3);
                std::raise(sig);
                std::_Exit(0);
            },
            ::testing::KilledBySignal(sig), "");
    }
}
