// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The program's command line, read before the window system is reached, so
// that --help, --version and a refusal need no display. Plain C++: no Qt.

#include <optional>
#include <string>

namespace quintora {

struct CommandLine {
    enum class Action { play, help, version, refuse };
    Action action = Action::play;
    // --installed FOLDER: the launcher's, the folder of the installed waves.
    std::optional<std::string> installed;
    // --join ADDRESS and --seats COLOURS: a game in a room.
    std::optional<std::string> join;
    std::optional<std::string> seats;
    // Why the command line was refused, in one line.
    std::string refusal;
};

// Reads the game's own options. Anything else is left to Qt when
// `others_for_qt` (before the application object has taken its own out),
// and refused otherwise.
CommandLine read_command_line(int argc, const char* const* argv, bool others_for_qt);

// What --help and --version print.
std::string usage_text();
std::string version_text();

// The status a refused command line ends with (and a bad room address).
constexpr int refused_status = 2;

}  // namespace quintora
