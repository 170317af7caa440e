// SPDX-License-Identifier: GPL-3.0-or-later
// Random sequences of presses and menu commands in the headless window, with
// the game's invariants checked after every event. Seeds are fixed, so a
// failure names its seed and event and can be replayed. QUINTORA_STRESS_EVENTS
// sets the number of events per seed for a long run.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTest>
#include <cstdlib>
#include <random>

#include "app/qt_form1.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
// Cells whose centre shows the last-stone mark's colour on the surface.
int marks_on_surface(const QImage& s) {
    int n = 0;
    for (int x = 1; x <= 19; ++x)
        for (int y = 1; y <= 19; ++y) n += s.pixel((1115 + 315 * (x - 1) + 150) / 15, (765 + 315 * (y - 1) + 150) / 15) == qRgb(0, 255, 255);
    return n;
}

const char* const commands[] = {"JYUNBAN_1", "JYUNBAN_2", "JYUNBAN_3", "JYUNBAN_4", "PLAY_TOIMEN", "PLAY_TONARI", "PLAY_4",
                                "SAISYO",    "MODORU",    "SUSUMU",    "TEJYUN",    "AICON",       "BGM",         "SONOTA"};

long events_per_seed() {
    const char* e = std::getenv("QUINTORA_STRESS_EVENTS");
    return e ? std::atol(e) : 400;
}

void run_seed(unsigned seed) {
    WindowHarness w;
    Form1& form = w.form;
    Log& log = w.log;
    form.start();
    const GameState& s = form.game().state();
    std::mt19937 rng(seed);
    const long n = events_per_seed();
    for (long e = 0; e < n; ++e) {
        log.clear();  // keep memory flat over long runs
        std::string what;
        const unsigned r = rng() % 100;
        if (r < 70) {
            // Mostly on the board, sometimes anywhere in the client area.
            int px, py;
            if (rng() % 8 == 0) {
                px = int(rng() % 657);
                py = int(rng() % 500);
            } else {
                px = (1115 + 315 * int(rng() % 19) + 20 + int(rng() % 270)) / 15;
                py = (765 + 315 * int(rng() % 19) + 20 + int(rng() % 270)) / 15;
            }
            what = "press " + std::to_string(px) + "," + std::to_string(py);
            QTest::mouseClick(&form.canvas(), Qt::LeftButton, {}, QPoint(px, py));
        } else {
            const char* c = commands[rng() % std::size(commands)];
            what = c;
            form.action(c)->trigger();
        }
        const std::string broken = broken_invariant(s);
        ASSERT_EQ(broken, "") << "seed " << seed << " event " << e << " (" << what << ")";
        ASSERT_LE(marks_on_surface(form.canvas().surface()), 1) << "seed " << seed << " event " << e << " (" << what << ")";
        ASSERT_EQ(log.count("exit"), 0u);
    }
}
}  // namespace

class Stress : public ::testing::TestWithParam<unsigned> {};

TEST_P(Stress, RandomEventsKeepTheGameWhole) { run_seed(GetParam()); }

INSTANTIATE_TEST_SUITE_P(Seeds, Stress, ::testing::Range(1u, 9u));
