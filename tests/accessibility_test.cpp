// SPDX-License-Identifier: GPL-3.0-or-later
// What Qt's accessibility gives a screen reader: the board as a table of 361
// named cells with the cursor's cell focused, and the texts beside the board
// and the last stone as labels.
#include <gtest/gtest.h>

#include <QAccessible>
#include <QTest>

#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {
QAccessibleInterface* board_of(Form1& form) {
    QAccessibleInterface* canvas = QAccessible::queryAccessibleInterface(&form.canvas());
    return canvas ? canvas->child(0) : nullptr;
}
QString label(Form1& form, int n) {
    return QAccessible::queryAccessibleInterface(&form.canvas())->child(1 + n)->text(QAccessible::Name);
}
void click_cell(Form1& form, int x, int y) {
    QTest::mouseClick(&form.canvas(), Qt::LeftButton, {},
                      QPoint(int((800 + 315 * x + 157) / 15), int((450 + 315 * y + 157) / 15)));
}
}  // namespace

TEST(Accessibility, TheBoardIsATableOf361NamedCells) {
    WindowHarness w;
    w.form.start();
    w.form.game().on_PLAY_4();
    click_cell(w.form, 10, 10);
    QAccessibleInterface* board = board_of(w.form);
    ASSERT_NE(board, nullptr);
    EXPECT_EQ(board->role(), QAccessible::Table);
    ASSERT_EQ(board->childCount(), 361);
    EXPECT_EQ(board->child(0)->text(QAccessible::Name), "A1 空");
    EXPECT_EQ(board->child(9 * 19 + 9)->text(QAccessible::Name), "K10 黒");
    EXPECT_EQ(board->child(10 * 19 + 9)->text(QAccessible::Name), "K11 空");
    EXPECT_EQ(board->child(360)->text(QAccessible::Name), "T19 空");
    EXPECT_EQ(board->child(360)->role(), QAccessible::Cell);
    EXPECT_EQ(board->indexOfChild(board->child(200)), 200);
    EXPECT_EQ(board->child(5)->parent(), board);
    // Its cells lie where they are drawn.
    const QRect k10 = board->child(9 * 19 + 9)->rect();
    EXPECT_EQ(board->childAt(k10.center().x(), k10.center().y()), board->child(9 * 19 + 9));
}

TEST(Accessibility, TheCursorsCellIsFocusedAndTheLabelsFollowTheWindow) {
    WindowHarness w;
    w.form.show();
    QApplication::setActiveWindow(&w.form);
    w.form.start();
    w.form.game().on_PLAY_4();
    QAccessibleInterface* board = board_of(w.form);
    QTest::keyClick(&w.form.canvas(), Qt::Key_Right);  // shows the cursor on K10
    QTest::keyClick(&w.form.canvas(), Qt::Key_Right);
    QAccessibleInterface* l10 = board->child(9 * 19 + 10);
    EXPECT_TRUE(l10->state().focused);
    EXPECT_FALSE(board->child(9 * 19 + 9)->state().focused);
    EXPECT_EQ(QAccessible::queryAccessibleInterface(&w.form.canvas())->focusChild(), l10);
    QTest::keyClick(&w.form.canvas(), Qt::Key_Return);
    EXPECT_EQ(l10->text(QAccessible::Name), "L10 黒");
    EXPECT_EQ(label(w.form, 0), "青の番です");
    EXPECT_EQ(label(w.form, 1), "1手目");
    EXPECT_EQ(label(w.form, 3), "黒 L10") << "the last stone";
    // Said through the focused cell's description, which Orca reads out
    // (it ignores the labels' and the cells' name changes).
    EXPECT_EQ(l10->text(QAccessible::Description), "黒 L10. 青の番です, 1手目");
    // The next cell is read alone; 最初, which ends the game, says how to
    // start another.
    QTest::keyClick(&w.form.canvas(), Qt::Key_Right);
    QAccessibleInterface* m10 = board->child(9 * 19 + 11);
    EXPECT_EQ(m10->text(QAccessible::Description), "");
    w.form.action("SAISYO")->trigger();
    EXPECT_EQ(m10->text(QAccessible::Description), "「対局」で始めて下さい");
}

TEST(Accessibility, ComputersStonesAreAnnouncedToo) {
    WindowHarness w;
    w.form.start();
    w.form.action("JYUNBAN_1")->trigger();  // black is the person; three computers follow
    click_cell(w.form, 10, 10);
    // The label holds the last of the computers' three stones: red's.
    EXPECT_TRUE(label(w.form, 3).startsWith("赤 ")) << label(w.form, 3).toStdString();
    EXPECT_EQ(label(w.form, 0), "黒の番です");
    EXPECT_EQ(label(w.form, 1), "4手目");
    EXPECT_EQ(label(w.form, 2), "") << "思考中 is gone once they have moved";
}
