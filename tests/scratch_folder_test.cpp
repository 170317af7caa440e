// SPDX-License-Identifier: GPL-3.0-or-later
// The scratch folders of the tests link the committed wave files. Tidying a
// folder up once gave every permission back through those links, and so made
// the repository's waves executable.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/fakes.h"

namespace fs = std::filesystem;

TEST(ScratchFolder, LeavesTheModesOfTheLinkedWavesAlone) {
    const fs::path wave = fs::u8path(QUINTORA_WAVES_DIR "/BGM.wav");
    const int before = int(fs::status(wave).permissions());
    { quintora::testing::ScratchFolder folder(true); }
    EXPECT_EQ(int(fs::status(wave).permissions()), before) << "modes in decimal";
}
