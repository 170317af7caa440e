// SPDX-License-Identifier: GPL-3.0-or-later
// The native core on the recording test doubles, fed a script of commands:
// writes the ordered log the browser build must write for the same script.
//
//   web_reference_log SCRIPT
//
// A script has one command a line: "menu NAME" (a menu item by its name),
// "press X Y" (a press on cell X, Y), "key N" (a key by its character code),
// "answer yes|no" (the next answer to the question box; Yes when none is
// left). Blank lines and lines starting with # are skipped. Each command's
// part of the log starts with "> " and the command.
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::cerr << "usage: web_reference_log SCRIPT\n";
        return 2;
    }
    std::ifstream in(argv[1]);
    if (!in) {
        std::cerr << "cannot read " << argv[1] << "\n";
        return 2;
    }
    std::vector<std::string> commands;
    Harness h;
    for (std::string line; std::getline(in, line);) {
        if (line.empty() || line[0] == '#') continue;
        std::istringstream words(line);
        std::string verb, arg;
        words >> verb;
        if (verb == "answer") {
            words >> arg;
            h.dialogs.answers.push_back(arg == "yes");
        } else {
            commands.push_back(line);
        }
    }
    Game& g = h.game;
    // The page draws in IPA P Mincho and labels the columns for it.
    g.view().use_column_labels(std::string(column_labels_for_ipa_face));
    int status = 0;
    try {
        h.start();
        for (const std::string& line : commands) {
            // Each command's part of the log starts with a line of its own.
            h.log.add("> " + line);
            std::istringstream words(line);
            std::string verb;
            words >> verb;
            if (verb == "menu") {
                std::string name;
                words >> name;
                const auto command = parse_command(name);
                if (!command || !menu_entry(command->kind)) {
                    std::cerr << "no menu item " << name << "\n";
                    status = 2;
                    break;
                }
                g.apply(*command);
            } else if (verb == "press") {
                int x = 0, y = 0;
                words >> x >> y;
                h.press(x, y);
            } else if (verb == "key") {
                int k = 0;
                words >> k;
                if (k == 27) g.apply(Command::of(CommandKind::escape));
            } else {
                std::cerr << "unknown command: " << line << "\n";
                status = 2;
                break;
            }
        }
    } catch (const ProcessEnded&) {
        // The log ends with the exit.
    }
    for (const std::string& l : h.log.lines) std::cout << l << "\n";
    return status;
}
