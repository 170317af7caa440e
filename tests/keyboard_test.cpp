// SPDX-License-Identifier: GPL-3.0-or-later
// Playing from the keyboard: the cursor, the keys that move it, and a game
// played by keys alone that is the same game as by clicks.
#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QMenuBar>
#include <QTest>

#include "game/board_cursor.h"
#include "net/memory_broker.h"
#include "net/session.h"
#include "sodium/sodium_crypto.h"
#include "support/window_harness.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

// Black makes five across row 10 from F10 to K10 (x 6..10); blue, white and
// red play elsewhere. Then the game goes on after the box: one more stone.
const Cell game_cells[] = {
    {6, 10}, {6, 3}, {7, 3}, {8, 3},    //
    {7, 10}, {6, 15}, {7, 15}, {8, 15},  //
    {8, 10}, {15, 3}, {15, 4}, {15, 5},  //
    {9, 10}, {15, 15}, {16, 15}, {17, 15},
    {10, 10},  // five: the box, 続けますか？ (Yes), a new game
    {12, 12},  // before a setup: the box that asks for one
};

std::string log_text(const Log& log) {
    std::string all;
    for (const std::string& l : log.lines) all += l + "\n";
    return all;
}

void click_cell(Form1& form, Cell c) {
    const QPoint p(int((800 + 315 * c.x + 157) / 15), int((450 + 315 * c.y + 157) / 15));
    QTest::mouseClick(&form.canvas(), Qt::LeftButton, {}, p);
}

// The window takes the key as its focus widget would.
void key(Form1& form, Qt::Key k) {
    QWidget* to = QApplication::activePopupWidget();
    if (!to) to = QApplication::focusWidget() ? QApplication::focusWidget() : &form.canvas();
    QTest::keyClick(to, k);
}

// Arrow keys from where the cursor is to `c`, then Return.
void play_by_keys(Form1& form, Cell c) {
    if (!form.canvas().cursor()) key(form, Qt::Key_Right);  // the first key only shows it
    Cell at = *form.canvas().cursor();
    for (; at.x < c.x; ++at.x) key(form, Qt::Key_Right);
    for (; at.x > c.x; --at.x) key(form, Qt::Key_Left);
    for (; at.y < c.y; ++at.y) key(form, Qt::Key_Down);
    for (; at.y > c.y; --at.y) key(form, Qt::Key_Up);
    ASSERT_EQ(form.canvas().cursor(), std::optional<Cell>(c));
    key(form, Qt::Key_Return);
}

// F10, then Down through the first menu until 4_PLAY is highlighted, Return.
void four_players_by_keys(Form1& form) {
    key(form, Qt::Key_F10);
    auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
    ASSERT_NE(menu, nullptr) << "F10 opens the first menu";
    EXPECT_EQ(menu->objectName(), "TAIKYOKU");
    for (int i = 0; i < 4 && (!menu->activeAction() || menu->activeAction()->objectName() != "PLAY_4"); ++i)
        key(form, Qt::Key_Down);
    ASSERT_TRUE(menu->activeAction());
    ASSERT_EQ(menu->activeAction()->objectName(), "PLAY_4");
    key(form, Qt::Key_Return);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr);
}

}  // namespace

TEST(BoardCursor, ShowsFirstThenMovesStopsAtTheEdgesAndPlaysItsCell) {
    BoardCursor c;
    EXPECT_FALSE(c.at());
    EXPECT_FALSE(c.key(BoardKey::play)) << "the first key, Return too, only shows the cursor";
    EXPECT_EQ(c.at(), std::optional<Cell>(Cell{10, 10}));
    c.key(BoardKey::home);
    c.key(BoardKey::left);
    c.key(BoardKey::page_up);
    c.key(BoardKey::up);
    EXPECT_EQ(c.at(), std::optional<Cell>(Cell{1, 1}));
    c.key(BoardKey::end);
    c.key(BoardKey::page_down);
    c.key(BoardKey::right);
    c.key(BoardKey::down);
    EXPECT_EQ(c.at(), std::optional<Cell>(Cell{19, 19}));
    c.key(BoardKey::left);
    EXPECT_EQ(c.key(BoardKey::play), std::optional<Command>(Command::press_at(Cell{18, 19})));
    c.hide();
    EXPECT_FALSE(c.at());
    c.key(BoardKey::down);
    EXPECT_EQ(c.at(), std::optional<Cell>(Cell{18, 19})) << "shown again where it was";
}

TEST(BoardCursor, NamesCellsAsTheBoardLabelsThem) {
    EXPECT_EQ(cell_name({1, 1}), "A1");
    EXPECT_EQ(cell_name({8, 3}), "H3");
    EXPECT_EQ(cell_name({9, 3}), "J3") << "no I";
    EXPECT_EQ(cell_name({10, 10}), "K10");
    EXPECT_EQ(cell_name({19, 19}), "T19");
    EXPECT_EQ(cell_name({0, 5}), "");
}

// The same game by clicks and by keys alone: the same journal, and the same
// drawing, sounds, waits and boxes.
TEST(KeyboardPlay, AGameByKeysIsTheGameByClicks) {
    std::string clicked_journal, clicked_log;
    {
        WindowHarness w;
        w.form.start();
        w.log.clear();
        w.form.action("PLAY_4")->trigger();
        for (const Cell c : game_cells) click_cell(w.form, c);
        clicked_journal = journal_text(w.form.game().journal());
        clicked_log = log_text(w.log);
    }
    WindowHarness w;
    w.form.show();
    QApplication::setActiveWindow(&w.form);
    w.form.start();
    w.log.clear();
    EXPECT_FALSE(w.form.canvas().cursor()) << "no cursor before a key";
    EXPECT_EQ(QApplication::focusWidget(), &w.form.canvas()) << "the board takes the keyboard";
    four_players_by_keys(w.form);
    for (const Cell c : game_cells) play_by_keys(w.form, c);
    EXPECT_EQ(journal_text(w.form.game().journal()), clicked_journal);
    EXPECT_EQ(log_text(w.log), clicked_log);
    EXPECT_NE(clicked_journal.find("yes"), std::string::npos) << "the game went through its box";
    EXPECT_NE(clicked_log.find("「対局」で始めて下さい"), std::string::npos) << "and on into the new game";
}

namespace {

// A window of a room on the in-memory broker.
struct RoomWindow {
    Log log;
    ScriptedDialogs shown{log};
    net::RoomDialogs dialogs{shown};
    RecordingPause pause{log};
    FakeSound sound{log};
    net::QuietSound quiet{sound};
    ThrowingExit exit{log};
    Form1 form{dialogs, pause, quiet, exit};
    sodium::SodiumCrypto crypto;
    net::RoomSetup setup;
    MemoryBroker::Link link;
    RoomWindow(MemoryBroker& broker, const std::string& client, const char* seats)
        : setup{"room", client, *net::parse_seat_names(seats), net::random_hex128()}, link(broker) {
        form.session().join(dialogs, quiet, link, crypto, setup);
        form.start();
        link.connect();
    }
    ~RoomWindow() { form.session().leave(); }
    std::string journal() const { return journal_text(const_cast<Form1&>(form).session().room()->journal()); }
};

void keys_to(Form1& form, Cell c) {
    auto press = [&](Qt::Key k) { QTest::keyClick(&form.canvas(), k); };
    if (!form.canvas().cursor()) press(Qt::Key_Right);
    Cell at = *form.canvas().cursor();
    for (; at.x < c.x; ++at.x) press(Qt::Key_Right);
    for (; at.x > c.x; --at.x) press(Qt::Key_Left);
    for (; at.y < c.y; ++at.y) press(Qt::Key_Down);
    for (; at.y > c.y; --at.y) press(Qt::Key_Up);
    press(Qt::Key_Return);
}

}  // namespace

// In a room the board's keys go where a click goes: to the room, so that
// every machine has the stone; one player by keys, the other by clicks.
TEST(KeyboardPlay, InARoomAGameByKeysIsTheGameByClicksOnEveryMachine) {
    std::string clicked_journal;
    {
        WindowHarness w;
        w.form.start();
        w.form.action("PLAY_4")->trigger();
        for (const Cell c : game_cells) click_cell(w.form, c);
        clicked_journal = journal_text(w.form.game().journal());
    }
    test_app();
    ScratchFolder folder;
    MemoryBroker broker;
    RoomWindow keys(broker, "keys", "黒,白");
    broker.run();
    keys.form.session().tick(0);
    keys.form.session().tick(net::Session::journal_patience_ms);
    RoomWindow clicks(broker, "clicks", "青,赤");
    broker.run();
    ASSERT_EQ(clicks.form.session().room()->role(), net::Room::Role::follower);
    keys.form.action("PLAY_4")->trigger();
    broker.run();
    for (std::size_t i = 0; i < std::size(game_cells); ++i) {
        if (i % 2 == 0 || i >= 16)
            keys_to(keys.form, game_cells[i]);
        else
            click_cell(clicks.form, game_cells[i]);
        broker.run();
    }
    EXPECT_EQ(keys.journal(), clicked_journal);
    EXPECT_EQ(clicks.journal(), clicked_journal);
    EXPECT_EQ(keys.form.game().shared_signature(), clicks.form.game().shared_signature());
}

// The cursor is drawn over the window, not into the surface: the surface,
// and with it everything the game drew, stays as it is; the brackets sit in
// the cell's corners, leaving the stone and its mark to be seen.
TEST(KeyboardPlay, CursorIsAnOverlayInTheCornersOfItsCell) {
    WindowHarness w;
    w.form.start();
    w.form.game().on_PLAY_4();
    click_cell(w.form, {10, 10});
    const QImage before = w.form.canvas().surface().copy();
    const QImage plain = w.form.canvas().grab().toImage();
    key(w.form, Qt::Key_Down);
    ASSERT_EQ(w.form.canvas().cursor(), std::optional<Cell>(Cell{10, 10}));
    const QImage shown = w.form.canvas().grab().toImage();
    EXPECT_EQ(w.form.canvas().surface(), before);
    const QRect r = QtCanvas::cursor_rect({10, 10});
    EXPECT_EQ(QColor(shown.pixel(r.topLeft())), QColor(255, 0, 255));
    EXPECT_EQ(QColor(shown.pixel(r.bottomRight())), QColor(255, 0, 255));
    int changed = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x)
            if (shown.pixel(x, y) != plain.pixel(x, y)) {
                ++changed;
                EXPECT_TRUE(r.contains(x, y)) << x << "," << y;
                // Outside the stone's circle.
                const double dx = x + 0.5 - r.center().x() - 0.5, dy = y + 0.5 - r.center().y() - 0.5;
                EXPECT_GT(dx * dx + dy * dy, 9.0 * 9.0) << x << "," << y;
            }
    EXPECT_EQ(changed, 4 * (10 + 10 - 4)) << "four brackets of two bars, five by two";
    click_cell(w.form, {11, 11});
    EXPECT_FALSE(w.form.canvas().cursor()) << "a click takes the cursor away";
}

// その他 and 終了 stand on the bar without a menu: the arrows reach them
// from a menu and Return takes them. Esc closes only what is open: the
// menu, then the highlighted bar; the game runs on.
TEST(KeyboardPlay, TheBarsOwnItemsByKeysAndEscClosesOnlyWhatIsOpen) {
    WindowHarness w;
    w.form.show();
    QApplication::setActiveWindow(&w.form);
    w.form.start();
    w.log.clear();
    const std::size_t before = w.form.game().journal().size();
    key(w.form, Qt::Key_F10);
    for (int i = 0; i < 3; ++i) key(w.form, Qt::Key_Right);  // 局面, ｵﾌﾟｼｮﾝ, その他
    ASSERT_TRUE(w.form.menuBar()->activeAction());
    EXPECT_EQ(w.form.menuBar()->activeAction()->objectName(), "SONOTA");
    key(w.form, Qt::Key_Return);
    EXPECT_NE(log_text(w.log).find("about "), std::string::npos) << log_text(w.log);
    EXPECT_EQ(w.form.menuBar()->activeAction(), nullptr);

    key(w.form, Qt::Key_F10);
    key(w.form, Qt::Key_Escape);
    EXPECT_EQ(QApplication::activePopupWidget(), nullptr) << "the menu closed";
    if (w.form.menuBar()->activeAction()) key(w.form, Qt::Key_Escape);
    EXPECT_EQ(w.form.menuBar()->activeAction(), nullptr) << "the bar left";
    EXPECT_EQ(QApplication::focusWidget(), &w.form.canvas());
    const Journal& j = w.form.game().journal();
    ASSERT_EQ(j.size(), before + 2) << "その他 and its box's OK, no Esc";
    EXPECT_EQ(j[before], Command::of(CommandKind::SONOTA));
}
