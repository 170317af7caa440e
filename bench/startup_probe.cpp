// SPDX-License-Identifier: GPL-3.0-or-later
// Start-up of the game to its first complete paint, then out at once.
//
// Built like the program's main(): the real message boxes, pauses, exit and
// sound library, the window shown and its start-up run. The process ends
// right after the canvas has finished the first paint that follows the
// start-up's drawing, so timing the whole process measures start-up to first
// complete picture. Pair it with bare_window_probe for the ratio.
//
// It prints the time since main() and the peak resident set on stderr. A
// message box during start-up ends it with status 2.
// Run it from anywhere: it works in the program folder, as `make run` does.
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "boards.h"
#include "app/program.h"
#include "qt_setup.h"

using namespace quintora;

namespace {
double main_entered = 0;
bool armed = false;
int early_paints = 0;

struct FirstPaint : QObject {
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() != QEvent::Paint) return false;
        if (QWidget* box = QApplication::activeModalWidget()) {
            // A message box stopped the start-up: the window behind it is
            // not the complete picture, and the time would be the reader's.
            std::fprintf(stderr, "quintora_startup_probe: a message box came up during start-up: %s\n",
                         qPrintable(box->windowTitle()));
            std::_Exit(2);
        }
        if (!armed) {
            ++early_paints;  // before the start-up drew anything: not complete
            return false;
        }
        armed = false;
        // Leave once the paint that is being delivered has been done.
        QTimer::singleShot(0, [] {
            std::fprintf(stderr, "quintora_startup_probe: first complete paint %.2f ms after main(), %d earlier paints, peak rss %ld KiB\n",
                         (bench::wall_seconds() - main_entered) * 1e3, early_paints, bench::peak_rss_kib());
            std::fflush(stderr);
            std::_Exit(0);
        });
        return false;
    }
};
}  // namespace

int main(int argc, char** argv) {
    main_entered = bench::wall_seconds();
    bench::default_to_offscreen();
    // The sound library needs a device that opens, or start-up stops at its
    // warning box; SDL's dummy device stands for a machine with sound: the
    // waves are loaded and the music starts as they would there.
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    bench::enter_program_folder();
    prepare_application();
    Program program;
    Form1& form = program.form();
    FirstPaint first;
    form.canvas().installEventFilter(&first);
    form.show();
    armed = true;  // from here on the surface holds the start-up's drawing when painted
    form.start();
    return app.exec();
}
