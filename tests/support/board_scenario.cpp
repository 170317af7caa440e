// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/board_scenario.h"

#include <QAction>
#include <QTest>

namespace quintora::testing {

QPoint cell_centre(int x, int y) { return QPoint(int((800 + 315 * x + 157) / 15), int((450 + 315 * y + 157) / 15)); }

void play_scenario(Form1& form) {
    constexpr int row = 18;
    form.action("PLAY_4")->trigger();
    form.action("AICON")->trigger();
    form.action("TEJYUN")->trigger();
    for (int k = 0; k < scenario_stones; ++k)
        QTest::mouseClick(&form.canvas(), Qt::LeftButton, {}, cell_centre(1 + k % row, 1 + k / row));
}

QImage shown(Form1& form) { return form.canvas().grab().toImage().convertToFormat(QImage::Format_RGB32); }

}  // namespace quintora::testing
