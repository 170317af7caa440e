// SPDX-License-Identifier: GPL-3.0-or-later
// The board surface at the ordinary screen scale: what the window shows is
// still what it showed before the surface learned about other scales, and the
// turn icons stand beside the board. The other scales are tested in
// screen_ratios_test.cpp, a program of its own.

#include <gtest/gtest.h>

#include <QLabel>
#include <QTest>
#include <set>

#include "support/board_scenario.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

const QString reference_file = QStringLiteral(QUINTORA_TEST_FIXTURES "/board_at_ratio_1.png");

}  // namespace

// The rendering of the scenario as the game drew it before the surface knew
// about screen scales. QUINTORA_WRITE_REFERENCE=1 writes it anew.
TEST(ScreenScale, AtRatioOneTheScreenIsTheReferenceRendering) {
    WindowHarness w;
    w.form.show();
    w.form.start();
    play_scenario(w.form);
    const GameState& s = w.form.game().state();
    ASSERT_EQ(s.move_number, scenario_stones);
    ASSERT_EQ(s.to_move, colour_blue);
    ASSERT_TRUE(w.form.marks().checked(Mark::TEJYUN));
    ASSERT_TRUE(w.form.marks().checked(Mark::AICON));
    const QImage now = shown(w.form);
    if (qEnvironmentVariableIntValue("QUINTORA_WRITE_REFERENCE") == 1) {
        ASSERT_TRUE(now.save(reference_file));
        GTEST_SKIP() << "wrote " << reference_file.toStdString();
    }
    const QImage reference(reference_file);
    ASSERT_FALSE(reference.isNull()) << reference_file.toStdString();
    EXPECT_EQ(now, reference.convertToFormat(QImage::Format_RGB32));
}

// The icons stand beside the board: none reaches into the part of a cell
// where a stone is drawn (all but the cell's outermost pixel), nor into the
// turn text right of the board.
TEST(ScreenScale, NoTurnIconCoversABoardCell) {
    WindowHarness w;
    w.form.start();
    w.form.action("AICON")->trigger();
    w.form.action("PLAY_4")->trigger();
    const QRect turn_box(int(7572.5 / 15), 135, 147, 20);
    std::set<int> seen;
    for (int k = 0; k < 4; ++k) {
        QLabel* icon = nullptr;
        for (QLabel* l : w.form.canvas().findChildren<QLabel*>())
            if (l->isVisibleTo(&w.form.canvas())) icon = l;
        ASSERT_NE(icon, nullptr);
        seen.insert(w.form.game().state().to_move);
        for (int x = 1; x <= 19; ++x)
            for (int y = 1; y <= 19; ++y) {
                const QRect cell(qRound((800 + 315.0 * x) / 15), qRound((450 + 315.0 * y) / 15), 21, 21);
                EXPECT_FALSE(icon->geometry().intersects(cell.adjusted(1, 1, -1, -1)))
                    << "icon of colour " << w.form.game().state().to_move << " over cell " << x << "," << y;
            }
        EXPECT_FALSE(icon->geometry().intersects(turn_box));
        QTest::mouseClick(&w.form.canvas(), Qt::LeftButton, {}, cell_centre(3 + k, 3));
    }
    EXPECT_EQ(seen, (std::set<int>{colour_black, colour_blue, colour_white, colour_red}));
}
