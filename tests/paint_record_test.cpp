// SPDX-License-Identifier: GPL-3.0-or-later
// The record of what is on the surface, which paints it again after a move
// to a screen of another resolution: it must keep every call that still
// shows, in its order, and must not grow with the length of the game.

#include <gtest/gtest.h>

#include <QAction>
#include <string>
#include <vector>

#include "support/window_harness.h"
#include "app/qt_paint_record.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

PaintOp call(const char* name, QRectF bounds, bool opaque) {
    PaintOp op{opaque ? PaintOp::Kind::rect : PaintOp::Kind::text};
    op.name = QString::fromLatin1(name);
    op.x = bounds.x();
    op.y = bounds.y();
    op.bounds = bounds;
    if (opaque) op.cover = bounds;
    return op;
}

std::vector<std::string> replayed(const PaintRecord& r) {
    std::vector<std::string> names;
    r.replay([&](const PaintOp& op) { names.push_back(op.name.toStdString()); });
    return names;
}

}  // namespace

TEST(PaintRecord, ACoverDropsOnlyWhatLiesWhollyUnderItAndTheOrderStays) {
    PaintRecord r;
    r.add(call("label", {0, 0, 60, 12}, false));
    r.add(call("turn", {505, 136, 40, 15}, false));
    r.add(call("beyond", {500, 130, 60, 15}, false));  // reaches out of the box below
    r.add(call("erase", {504.8, 135, 146.7, 20}, true));
    r.add(call("turn again", {505, 136, 40, 15}, false));
    EXPECT_EQ(replayed(r), (std::vector<std::string>{"label", "beyond", "erase", "turn again"}));
    EXPECT_EQ(r.size(), 4u);
}

TEST(PaintRecord, ACallRepeatedInPlaceIsKeptOnceWithItsCountUntilCovered) {
    PaintRecord r;
    for (int i = 0; i < 3; ++i) r.add(call("12", {100, 100, 10, 10}, false));
    r.add(call("mark", {200, 100, 5, 5}, false));
    EXPECT_EQ(replayed(r), (std::vector<std::string>{"12", "12", "12", "mark"}));
    for (int i = 0; i < 100; ++i) r.add(call("12", {100, 100, 10, 10}, false));
    EXPECT_EQ(r.size(), 2u);
    EXPECT_EQ(replayed(r).size(), 1u + PaintRecord::max_repeats);
    r.add(call("cell", {95, 95, 21, 21}, true));
    EXPECT_EQ(replayed(r), (std::vector<std::string>{"mark", "cell"}));
}

// A long session on the real window: games, history walks with move numbers
// (which draw every number again over itself), the numbers switched on and
// off. The record stays the size of one board's worth of calls.
TEST(PaintRecord, StaysBoundedOverALongSession) {
    WindowHarness w;
    w.form.start();
    Game& g = w.form.game();
    w.form.action("TEJYUN")->trigger();
    w.form.action("AICON")->trigger();
    std::size_t largest = 0;
    for (int game = 0; game < 3; ++game) {
        g.on_PLAY_4();
        for (int k = 0; k < 100; ++k) {
            const int x = 1 + (k * 7 + game) % 18, y = 1 + (k * 7 + game) / 18 % 19;
            g.on_board_press(800 + 315 * x + 100, 450 + 315 * y + 100);
        }
        for (int step = 0; step < 40; ++step) (step % 3 == 2 ? g.history().on_SUSUMU() : g.history().on_MODORU());
        g.options().on_TEJYUN();
        g.options().on_TEJYUN();
        largest = std::max(largest, w.form.canvas().recorded_calls());
        g.on_SAISYO();
    }
    // 361 cells, 20 labels, the title, and at most a number and a mark per
    // cell plus the texts beside the board.
    EXPECT_LT(largest, 800u) << largest;
    EXPECT_GT(largest, 361u) << largest;
}
