// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's drawing of a position: the real window's painted surface on
// the offscreen platform, after a script of commands, written as a PNG. The
// browser's canvas of the same position is compared with it.
//
//   QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=2 web_desktop_picture SCRIPT OUT.png
//
// The script is web_reference_log's: "menu NAME", "press X Y", "answer ...".
#include <QApplication>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "app/qt_form1.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: web_desktop_picture SCRIPT OUT.png\n";
        return 2;
    }
    QApplication app(argc, argv);
    ScratchFolder folder;
    Log log;
    ScriptedDialogs dialogs{log};
    RecordingPause pause{log};
    FakeSound sound{log};
    ThrowingExit exit{log};
    Form1 form{dialogs, pause, sound, exit};
    form.show();
    form.start();
    Game& g = form.game();
    const std::map<std::string, void (*)(Game&)> menu = {
        {"JYUNBAN_1", [](Game& g) { g.on_JYUNBAN_1(); }}, {"PLAY_TOIMEN", [](Game& g) { g.on_PLAY_TOIMEN(); }},
        {"PLAY_4", [](Game& g) { g.on_PLAY_4(); }},       {"TEJYUN", [](Game& g) { g.options().on_TEJYUN(); }},
        {"MODORU", [](Game& g) { g.history().on_MODORU(); }},
    };
    std::ifstream in(argv[1]);
    for (std::string line; std::getline(in, line);) {
        std::istringstream words(line);
        std::string verb, arg;
        words >> verb;
        if (verb == "menu") {
            words >> arg;
            const auto it = menu.find(arg);
            if (it == menu.end()) {
                std::cerr << "no menu item " << arg << " here\n";
                return 2;
            }
            it->second(g);
        } else if (verb == "press") {
            int x = 0, y = 0;
            words >> x >> y;
            g.on_board_press(grid_origin_x + x * cell_width + cell_width / 2.0,
                             grid_origin_y + y * cell_height + cell_height / 2.0);
        } else if (verb == "answer") {
            words >> arg;
            dialogs.answers.push_back(arg == "yes");
        }
    }
    QImage surface = form.canvas().surface();
    surface.setDevicePixelRatio(1.0);
    if (!surface.save(QString::fromLocal8Bit(argv[2]), "PNG")) {
        std::cerr << "cannot write " << argv[2] << "\n";
        return 1;
    }
    std::cout << surface.width() << "x" << surface.height() << " at ratio " << form.canvas().devicePixelRatioF()
              << "\n";
    return 0;
}
