// SPDX-License-Identifier: GPL-3.0-or-later
// Peak resident memory of the game after a 200-stone game with the move
// numbers shown, in the real window with the real sound library.
//
//   quintora_rss_probe [stones=200]
//
// Start-up as the program does it, then the move-number tick through its menu
// command, the four-person mode and one press per stone on the canvas (a fixed
// game without a five), the event loop run after every press. Message boxes
// return at once: the four-person mode greets with one. Prints the peak
// resident set (getrusage ru_maxrss) and leaves; compare it with
// bare_window_probe.
#include <QAction>
#include <cstdio>
#include <cstdlib>

#include "boards.h"
#include "app/program.h"
#include "qt_setup.h"

using namespace quintora;
using namespace quintora::bench;

int main(int argc, char** argv) {
    const int stones = argc > 1 ? std::atoi(argv[1]) : 200;
    default_to_offscreen();
    setenv("SDL_AUDIODRIVER", "dummy", 0);  // a device that opens, as on a machine with sound
    QApplication app(argc, argv);
    enter_program_folder();
    prepare_application();
    NullDialogs dialogs;
    Program program(&dialogs);
    Form1& form = program.form();
    LoadedSoundLibrary& sound = program.sound();
    program.show_and_start();
    app.processEvents();
    const long after_start = peak_rss_kib();

    form.action("TEJYUN")->trigger();
    form.action("PLAY_4")->trigger();
    Game& g = form.game();
    if (!form.marks().checked(Mark::TEJYUN)) {
        std::fprintf(stderr, "the move numbers are not ticked\n");
        return 1;
    }
    for (const Move& m : make_game(stones)) {
        press_canvas(form.canvas(), centre_px_x(m.x), centre_px_y(m.y));
        if (g.state().board[m.x][m.y] != m.colour) {
            std::fprintf(stderr, "the press on %d,%d placed nothing\n", m.x, m.y);
            return 1;
        }
        app.processEvents();
    }
    if (dialogs.boxes != 1 || sound.dsInitialize(0) == 0) {
        std::fprintf(stderr, "%d message boxes (1 expected), sound system %s\n", dialogs.boxes,
                     sound.dsInitialize(0) ? "open" : "not open");
        return 1;
    }
    form.canvas().repaint();
    app.processEvents();
    std::printf("stones %d, move numbers %s, peak rss after start-up %ld KiB, after the game %ld KiB\n",
                int(g.state().move_number), form.marks().checked(Mark::TEJYUN) ? "shown" : "hidden", after_start,
                peak_rss_kib());
    std::fflush(stdout);
    std::_Exit(0);
}
