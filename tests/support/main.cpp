// SPDX-License-Identifier: GPL-3.0-or-later
// The test program's entry: headless window system and silent audio unless
// the caller chose otherwise, then GoogleTest.
#include <gtest/gtest.h>

#include <cstdlib>

// fontconfig keeps its caches for the whole process on purpose. SDL 2.26's
// PulseAudio driver never releases the queries it sends from its thread
// for device changes when a sink or source changes (as a suspended sink
// wakes), so the real-server tests see those; the stacks end in libpulse
// (built without frame pointers), and nothing of ours calls libpulse.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libfontconfig.so\n"
           "leak:libpulse.so\n";
}

int main(int argc, char** argv) {
#ifdef QUINTORA_SCREENS_FILE
    // Off-screen screens of several device pixel ratios side by side; the
    // first is an ordinary one, where every window starts.
    setenv("QT_QPA_PLATFORM", "offscreen:configfile=" QUINTORA_SCREENS_FILE, 0);
#else
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
#endif
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
