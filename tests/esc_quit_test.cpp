// SPDX-License-Identifier: GPL-3.0-or-later
// Esc ends the program from every state in which the window has the focus,
// delivered as the window system delivers it: to the window, whose focus
// widget (the board, or the menu bar after a menu was used) receives it. On
// an open menu or an open box Esc only closes that.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <cstdio>

#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

[[noreturn]] void fail(const char* what) {
    std::fprintf(stderr, "%s\n", what);
    std::_Exit(3);
}

void press_esc(QWidget& window) {
    QTest::keyClick(window.windowHandle(), Qt::Key_Escape);
    QApplication::processEvents();
}

// Clicks a menu's title (or an item standing in the menu bar itself).
void click_title(Form1& form, const char* name) {
    QMenuBar* bar = form.menuBar();
    QAction* a = form.action(name);
    if (!a) a = form.findChild<QMenu*>(QString::fromLatin1(name))->menuAction();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->actionGeometry(a).center());
    QApplication::processEvents();
}

// Presses Esc on a computer's pause, once, as a person would while it thinks.
struct EscDuringPause : Pause {
    QWidget* window = nullptr;
    bool armed = false;
    void wait(double) override {
        if (!armed) return;
        armed = false;
        QCoreApplication::postEvent(window->windowHandle(),
                                    new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    }
};

enum class Before { menu_closed_by_esc, menu_closed_by_click, message_box_closed_by_esc, computer_turn };

[[noreturn]] void esc_after(Before before) {
    test_app();
    ScratchFolder folder;
    Log log;
    QtDialogs dialogs;
    EscDuringPause pause;
    FakeSound sound{log};
    ImmediateExit exit;
    Form1 form(dialogs, pause, sound, exit);
    dialogs.set_parent(&form);
    dialogs.before_box = [&form] { form.end_if_quit_waiting(); };
    pause.window = &form;
    form.show();
    form.start();
    QApplication::setActiveWindow(&form);
    if (!QTest::qWaitForWindowActive(&form)) fail("window not active");

    switch (before) {
        case Before::menu_closed_by_esc: {
            click_title(form, "KYOKUMEN");
            if (!QApplication::activePopupWidget()) fail("menu did not open");
            press_esc(form);
            if (QApplication::activePopupWidget()) fail("Esc did not close the menu");
            // The bar is left highlighted: Esc closes that too, and no more.
            if (form.menuBar()->activeAction()) press_esc(form);
            if (form.menuBar()->activeAction()) fail("Esc did not leave the menu bar");
            break;
        }
        case Before::menu_closed_by_click: {
            click_title(form, "OPTION");
            if (!QApplication::activePopupWidget()) fail("menu did not open");
            click_title(form, "OPTION");  // the title again closes it
            if (QApplication::activePopupWidget()) fail("the click did not close the menu");
            break;
        }
        case Before::message_box_closed_by_esc: {
            bool box_seen = false;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&box_seen, &poll] {
                auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
                if (!box) return;
                poll.stop();
                box_seen = true;
                QTest::keyClick(box->windowHandle(), Qt::Key_Escape);
            });
            poll.start(10);
            click_title(form, "SONOTA");  // a menu bar item of its own: the about box
            if (!box_seen) fail("the about box did not open");
            QApplication::processEvents();
            break;
        }
        case Before::computer_turn: {
            // 対局, 1_PLAY, 赤: black, blue and white move by the computer.
            click_title(form, "TAIKYOKU");
            QMenu* taikyoku = form.findChild<QMenu*>("TAIKYOKU");
            QMenu* one = form.findChild<QMenu*>("PLAY_1");
            QTest::mouseClick(taikyoku, Qt::LeftButton, {}, taikyoku->actionGeometry(one->menuAction()).center());
            if (!QTest::qWaitFor([one] { return one->isVisible(); })) fail("1_PLAY did not open");
            pause.armed = true;
            QTest::mouseClick(one, Qt::LeftButton, {}, one->actionGeometry(form.action("JYUNBAN_4")).center());
            if (form.game().state().move_number != 3) fail("the computers did not play");
            QApplication::processEvents();  // the Esc pressed while they thought
            fail("Esc during the computer turn was lost");
        }
    }
    std::fprintf(stderr, "still running after the first step\n");
    press_esc(form);
    fail("Esc did not end the program");
}

}  // namespace

TEST(EscQuits, AfterAMenuClosedByEscOrByAClickAfterABoxAndDuringAComputerTurn) {
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    const char* const alive_then_quit = "still running after the first step\n$";
    EXPECT_EXIT(esc_after(Before::menu_closed_by_esc), ::testing::ExitedWithCode(0), alive_then_quit);
    EXPECT_EXIT(esc_after(Before::menu_closed_by_click), ::testing::ExitedWithCode(0), alive_then_quit);
    EXPECT_EXIT(esc_after(Before::message_box_closed_by_esc), ::testing::ExitedWithCode(0), alive_then_quit);
    EXPECT_EXIT(esc_after(Before::computer_turn), ::testing::ExitedWithCode(0), "");
}
