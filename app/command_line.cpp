// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/command_line.h"

#include <string_view>

namespace quintora {

namespace {

struct ValueOption {
    std::string_view name;
    std::optional<std::string> CommandLine::*field;
};

constexpr ValueOption value_options[] = {
    {"--installed", &CommandLine::installed},
    {"--join", &CommandLine::join},
    {"--seats", &CommandLine::seats},
};

}  // namespace

CommandLine read_command_line(int argc, const char* const* argv, bool others_for_qt) {
    CommandLine line;
    std::optional<CommandLine::Action> asked;  // --help or --version, the first given
    std::string refusal;
    auto refuse = [&](std::string why) {
        if (refusal.empty()) refusal = std::move(why);
    };
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            if (!asked) asked = CommandLine::Action::help;
            continue;
        }
        if (arg == "--version") {
            if (!asked) asked = CommandLine::Action::version;
            continue;
        }
        bool known = false;
        for (const auto& option : value_options) {
            // --join ADDRESS, or --join=ADDRESS.
            std::optional<std::string> value;
            if (arg == option.name) {
                if (i + 1 < argc) value = argv[++i];
                else refuse(std::string(option.name) + " needs a value");
            } else if (arg.size() > option.name.size() && arg.starts_with(option.name) &&
                       arg[option.name.size()] == '=') {
                value = std::string(arg.substr(option.name.size() + 1));
            } else {
                continue;
            }
            known = true;
            if (value && line.*option.field) refuse(std::string(option.name) + " is given twice");
            if (value) line.*option.field = std::move(value);
            break;
        }
        if (!known && !others_for_qt) refuse("unknown argument: " + std::string(arg));
    }
    if (asked) {
        line.action = *asked;
        return line;
    }
    if (refusal.empty() && line.seats && !line.join)
        refuse("--seats names the colours this machine holds in a room: give the room with --join ADDRESS");
    if (!refusal.empty()) {
        line.action = CommandLine::Action::refuse;
        line.refusal = std::move(refusal);
    }
    return line;
}

std::string usage_text() {
    return "Usage: quintora [--join ADDRESS [--seats COLOURS]] [Qt option ...]\n"
           "Five in a row for one to four people, in four colours (black 黒, blue 青, white 白, red 赤).\n"
           "\n"
           "Without options the game opens its window and plays alone: choose a setup from 対局.\n"
           "\n"
           "  --join ADDRESS     play one game with other machines through a room of an MQTT broker:\n"
           "                       mqtt://HOST:PORT/ROOM, mqtts://HOST:PORT/ROOM?ca=FILE,\n"
           "                       mqtts://HOST1:PORT1,HOST2:PORT2/ROOM (brokers tried in turn);\n"
           "                       without ROOM a new room is made and its address printed\n"
           "  --seats COLOURS    the colours this machine holds in the room, e.g. 黒,白\n"
           "  --installed FOLDER play in the player's data folder, with links to the waves in FOLDER\n"
           "                       (the installed launcher gives it)\n"
           "  --help             print this and end\n"
           "  --version          print the version and end\n"
           "\n"
           "Exit status: 0 when the game is ended by 終了, Esc, the window or No, and after --help or\n"
           "--version; 1 when the data folder could not be made; 2 when the command line or the room's\n"
           "address or colours are refused.\n"
           "See quintora(6).\n";
}

std::string version_text() { return "quintora " QUINTORA_VERSION "\n"; }

}  // namespace quintora
