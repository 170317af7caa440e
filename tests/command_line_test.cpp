// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <gtest/gtest.h>

#include <vector>

namespace quintora {
namespace {

CommandLine read(std::vector<const char*> args, bool others_for_qt = false) {
    args.insert(args.begin(), "quintora");
    return read_command_line(int(args.size()), args.data(), others_for_qt);
}

using Action = CommandLine::Action;

TEST(CommandLine, SeatsWithoutARoomAreRefusedWithAWord) {
    const auto line = read({"--seats", "黒"});
    EXPECT_EQ(line.action, Action::refuse);
    EXPECT_NE(line.refusal.find("--join"), std::string::npos) << line.refusal;

    const auto joined = read({"--seats=黒,白", "--join", "mqtt://127.0.0.1:1883/"});
    ASSERT_EQ(joined.action, Action::play);
    EXPECT_EQ(joined.join, "mqtt://127.0.0.1:1883/");
    EXPECT_EQ(joined.seats, "黒,白");
}

TEST(CommandLine, HelpAndVersionAnswerWhateverElseIsGiven) {
    // The launcher puts --installed first; a refusal does not hide the usage.
    EXPECT_EQ(read({"--installed", "/usr/share/games/quintora", "--seats", "黒", "--help"}).action, Action::help);
    EXPECT_EQ(read({"--version", "-h"}).action, Action::version);
    EXPECT_EQ(read({"--join"}).action, Action::refuse);
}

TEST(CommandLine, WhatIsNotTheGamesIsQtsUntilQtHasTakenItsOwn) {
    const auto before = read({"-platform", "offscreen", "--installed", "/w"}, true);
    EXPECT_EQ(before.action, Action::play);
    EXPECT_EQ(before.installed, "/w");
    const auto after = read({"-platform", "offscreen"});
    EXPECT_EQ(after.action, Action::refuse);
    EXPECT_EQ(after.refusal, "unknown argument: -platform");
}

}  // namespace
}  // namespace quintora
