// SPDX-License-Identifier: GPL-3.0-or-later
// The desktop's side of the browser's turn measurement (bench/web_budgets.py):
// the real window with the real pauses lays the same position through
// presses and then plays the same commands, each followed by three computer
// turns; prints the processor time per computer turn of the process and of
// its main thread (the one the game, its painting and its showing run on).
// Off-screen without a display; on the X display when DISPLAY is set, which
// is where a person plays it: there each repaint is also handed to the
// screen, as the browser's frames are.
//
//   quintora_web_turn_reference [rounds=5]
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "app/sleeping_pause.h"
#include "boards.h"
#include "qt_setup.h"

using namespace quintora;
using namespace quintora::bench;

int main(int argc, char** argv) {
    const int rounds = argc > 1 ? std::atoi(argv[1]) : 5;
    default_to_offscreen();
    QApplication app(argc, argv);
    enter_program_folder();
    NullDialogs dialogs;
    SleepingPause pause;
    NullSound sound;
    FailingExit exit;
    Form1 form(dialogs, pause, sound, exit);
    form.show();
    form.start();
    app.processEvents();
    Game& g = form.game();
    // 100 stones on rows 1, 19, 3, 17, 5 and 15 in the four-person mode: no
    // line of five anywhere, black to move.
    g.on_PLAY_4();
    const int rows[] = {1, 19, 3, 17, 5, 15};
    int laid = 0;
    for (int y : rows)
        for (int x = 1; x <= 19 && laid < 100; ++x, ++laid) press_canvas(form.canvas(), centre_px_x(x), centre_px_y(y));
    app.processEvents();
    std::vector<double> per_turn, main_per_turn;
    // Red is the person's: black, blue and white move after each command.
    const double c0 = process_cpu_seconds(), t0 = thread_cpu_seconds();
    g.on_JYUNBAN_4();
    per_turn.push_back((process_cpu_seconds() - c0) * 1e3 / 3);
    main_per_turn.push_back((thread_cpu_seconds() - t0) * 1e3 / 3);
    app.processEvents();
    const int cells[][2] = {{10, 10}, {10, 11}, {11, 9}, {9, 11}, {12, 12}, {8, 8}, {13, 10}, {7, 12}};
    for (int r = 0; r + 1 < rounds && r < 8; ++r) {
        const double c = process_cpu_seconds(), t = thread_cpu_seconds();
        press_canvas(form.canvas(), centre_px_x(cells[r][0]), centre_px_y(cells[r][1]));
        per_turn.push_back((process_cpu_seconds() - c) * 1e3 / 3);
        main_per_turn.push_back((thread_cpu_seconds() - t) * 1e3 / 3);
        app.processEvents();
        if (g.state().game_mode == no_game) break;
    }
    for (std::size_t i = 0; i < per_turn.size(); ++i) std::printf("%.3f %.3f\n", per_turn[i], main_per_turn[i]);
    std::printf("median cpu per computer turn: process %.3f ms, main thread %.3f ms over %zu commands (%s)\n",
                quantile(per_turn, 0.5), quantile(main_per_turn, 0.5), per_turn.size(),
                qPrintable(QGuiApplication::platformName()));
    return 0;
}
