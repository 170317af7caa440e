// SPDX-License-Identifier: GPL-3.0-or-later
// A game played through the real window, its menus opened and its boxes
// answered with the mouse, leaves a journal that replays headless to the
// same positions, painting and sound.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "app/qt_dialogs.h"
#include "app/qt_form1.h"
#include "signature/seeded_journals.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

struct RealWindow {
    QApplication& app = test_app();
    ScratchFolder folder;
    Log log;
    RecordingCanvas paint{log};
    QtDialogs dialogs;
    RecordingPause pause{log};
    FakeSound sound{log};
    ThrowingExit exit{log};
    Form1 form{dialogs, pause, sound, exit, &paint};
    // The answer each question gets, in order; every box with one button is
    // closed with its OK.
    std::deque<QMessageBox::StandardButton> answers;
    int boxes = 0;
    QTimer poll;

    RealWindow() {
        dialogs.set_parent(&form);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box || !box->isVisible()) return;
            ++boxes;
            QMessageBox::StandardButton which = QMessageBox::Ok;
            if (box->button(QMessageBox::Yes)) {
                which = answers.empty() ? QMessageBox::Yes : answers.front();
                if (!answers.empty()) answers.pop_front();
            }
            QTest::mouseClick(box->button(which), Qt::LeftButton);
        });
        poll.start(5);
        form.show();
        form.start();
    }

    void click_cell(int x, int y) {
        const QPoint p(int((800 + 315 * x + 157) / 15), int((450 + 315 * y + 157) / 15));
        QTest::mouseClick(&form.canvas(), Qt::LeftButton, {}, p);
    }
    // Opens the menus on the way to an item, as a person would, and clicks it.
    void choose(std::initializer_list<const char*> path) {
        QMenuBar* bar = form.menuBar();
        QWidget* on = bar;
        for (const char* step : path) {
            QAction* a = form.action(step);
            QMenu* sub = form.findChild<QMenu*>(QString::fromLatin1(step));
            if (!a) a = sub->menuAction();
            const QRect r = on == bar ? bar->actionGeometry(a) : static_cast<QMenu*>(on)->actionGeometry(a);
            QTest::mouseClick(on, Qt::LeftButton, {}, r.center());
            if (sub) {
                ASSERT_TRUE(QTest::qWaitFor([sub] { return sub->isVisible(); })) << step;
                on = sub;
            }
        }
        QApplication::processEvents();
    }
};

}  // namespace

TEST(WindowJournal, AGamePlayedThroughTheWindowReplaysHeadlessToTheSameGame) {
    auto w = std::make_unique<RealWindow>();
    w->answers = {QMessageBox::Yes};
    w->log.clear();  // start-up is no command; the replaying game starts up itself
    // Four people: black makes five on row 2 after a step back and forth and
    // the move numbers switched on, then one person against the computers.
    w->choose({"TAIKYOKU", "PLAY_4"});
    w->choose({"OPTION", "TEJYUN"});
    for (int x = 3; x <= 7; ++x) {
        w->click_cell(x, 2);
        if (x < 7)
            for (const int y : {18, 16, 14}) w->click_cell(x, y);
        if (x == 4) {
            w->choose({"KYOKUMEN", "MODORU"});
            w->choose({"KYOKUMEN", "SUSUMU"});
            w->click_cell(10, 10);  // the two boxes before play resumes
        }
    }
    ASSERT_EQ(w->form.game().state().game_mode, no_game) << "Yes to the question resets";
    w->choose({"TAIKYOKU", "PLAY_1", "JYUNBAN_2"});
    w->click_cell(9, 9);
    w->click_cell(9, 9);  // taken: the refusal sound
    w->choose({"SONOTA"});
    EXPECT_GE(w->boxes, 6);

    const Journal journal = w->form.game().journal();
    EXPECT_NE(std::find(journal.begin(), journal.end(), Command::of(CommandKind::yes)), journal.end());
    EXPECT_EQ(journal.front(), Command::of(CommandKind::PLAY_4));

    Harness h;
    h.start();
    h.log.clear();
    ASSERT_TRUE(h.game.replay(journal));
    EXPECT_EQ(h.game.signature(), w->form.game().signature());
    EXPECT_EQ(paint_and_sound_lines(h.log.lines), paint_and_sound_lines(w->log.lines));
    EXPECT_EQ(h.game.journal(), journal);
}
