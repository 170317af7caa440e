// The board surface at the screen's own resolution.
//
// The fixed scenario every test here plays: a fresh window, four people
// (4_PLAY), icons and move numbers ticked, then 109 presses in reading order
// over columns A..S (1..18) of rows 1..6 and the first cell of row 7. With
// rows 18 cells wide the colours along every line cycle, so no colour ever
// has two neighbours and nobody makes five; 109 stones give one-, two- and
// three-digit numbers, and blue (a person) is to move, with its icon shown.

#include <gtest/gtest.h>

#include <QTest>
#include <cstdlib>

#include "game/qt_form1.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

constexpr int scenario_stones = 109;
constexpr int scenario_row = 18;

// The canvas as the window shows it: the surface with the icon above it.
QImage shown(Form1& form) {
    return form.canvas().grab().toImage().convertToFormat(QImage::Format_RGB32);
}

// A press at the centre of cell (x, y), in the canvas's logical pixels.
QPoint cell_centre(int x, int y) {
    return QPoint(int((800 + 315 * x + 157) / 15), int((450 + 315 * y + 157) / 15));
}

void play_scenario(Form1& form) {
    form.action("PLAY_4")->trigger();
    form.action("AICON")->trigger();
    form.action("TEJYUN")->trigger();
    for (int k = 0; k < scenario_stones; ++k)
        QTest::mouseClick(&form.canvas(), Qt::LeftButton, {}, cell_centre(1 + k % scenario_row, 1 + k / scenario_row));
}

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
