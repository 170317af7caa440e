// SPDX-License-Identifier: GPL-3.0-or-later
// The searching strengths think beside the window: the window handles its
// events during the search, and a command it takes then waits until the
// computer's turn is over, as a command waits in the queue during a pause.
#include <gtest/gtest.h>

#include <QAction>
#include <QTimer>

#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

TEST(ThinkingBesideTheWindow, TheWindowAnswersDuringTheSearchAndItsCommandWaits) {
    WindowHarness w;
    w.form.think_beside_the_window();
    w.form.start();
    w.form.action("MEIJIN")->trigger();
    // Pauses handle no events, so the first chance the timer has is the
    // search of black's first turn (black is the computer's after JYUNBAN_2).
    // A click on (1,1) then (twips 1120, 770) would be refused while black
    // is to move; waiting, it is blue's stone once black's is down.
    int stones_then = -1;
    QTimer::singleShot(0, &w.form, [&] {
        stones_then = w.form.game().state().move_number;
        w.form.canvas().on_press(1120, 770);
    });
    w.form.action("JYUNBAN_2")->trigger();
    EXPECT_EQ(stones_then, 0) << "handled while black was thinking";
    const std::string journal = journal_text(w.form.game().journal());
    EXPECT_EQ(journal.substr(0, journal.find("press 1 1\n")), "MEIJIN\nJYUNBAN_2\n");
    EXPECT_EQ(w.form.game().state().board[1][1], colour_blue);
}
