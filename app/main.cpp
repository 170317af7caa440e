// SPDX-License-Identifier: GPL-3.0-or-later
#include <QApplication>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

#include "app/command_line.h"
#include "app/network_game.h"
#include "app/program.h"
#include "app/qt_dialogs.h"
#include "app/user_folder.h"

// `quintora --installed WAVE_FOLDER`, as the installed launcher starts it,
// runs in the player's own folder with links to the installed waves.
// Started without it, the game runs in the current folder.
// `quintora --join mqtt://HOST:PORT/ROOM --seats 黒,青` plays in a room of a
// broker, holding the colours named (none when left out). app/command_line.h
// reads them; --help lists them.
namespace {

// Answers --help and --version, or says why the command line is refused;
// returns the status to end with, or nothing when the game is to start.
std::optional<int> answer(const quintora::CommandLine& line) {
    using Action = quintora::CommandLine::Action;
    switch (line.action) {
    case Action::help: std::fputs(quintora::usage_text().c_str(), stdout); return 0;
    case Action::version: std::fputs(quintora::version_text().c_str(), stdout); return 0;
    case Action::refuse:
        std::fprintf(stderr, "quintora: %s\nquintora: see quintora --help\n", line.refusal.c_str());
        return quintora::refused_status;
    case Action::play: break;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char** argv) {
    // Before Qt, which needs a display: what is not the game's own may be Qt's.
    if (auto status = answer(quintora::read_command_line(argc, argv, true))) return *status;
    QApplication app(argc, argv);
    // Qt has taken its own options out: whatever is left must be the game's.
    const auto line = quintora::read_command_line(argc, argv, false);
    if (auto status = answer(line)) return *status;
    quintora::prepare_application();
    if (line.installed) {
        quintora::QtDialogs dialogs;
        if (!quintora::enter_user_folder(*line.installed, dialogs)) return 1;
    }
    std::optional<quintora::RoomPlan> plan;
    if (line.join) {
        std::string error;
        plan = quintora::NetworkGame::plan(*line.join, line.seats.value_or(""), error);
        if (!plan) {
            std::fprintf(stderr, "quintora: %s\n", error.c_str());
            return quintora::refused_status;
        }
    }
    // A game alone makes nothing of rooms.
    quintora::Program program(nullptr, plan.has_value());
    std::unique_ptr<quintora::NetworkGame> network;
    if (plan)
        network = std::make_unique<quintora::NetworkGame>(program.form(), *program.room_dialogs(),
                                                          *program.room_sound(), std::move(*plan));
    program.show_and_start();
    if (network)
        network->start();
    else {
        program.form().think_beside_the_window();
        program.form().game().restore_strength();
    }
    return app.exec();
}
