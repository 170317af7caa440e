// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The main window: menu bar, painted surface, mouse, keys and close. Every
// event goes to the game; the window holds nothing of the game itself.

#include <QAction>
#include <QMainWindow>
#include <functional>
#include <memory>
#include <vector>

#include "game/board_cursor.h"
#include "game/board_reading.h"
#include "game/game.h"
#include "files/posix_storage.h"
#include "net/session.h"
#include "ports/canvas_tee.h"
#include "ports/marks.h"
#include "app/qt_quit_watch.h"
#include "app/qt_canvas.h"
#include "app/thread_thinking.h"

namespace quintora {

class Form1 : public QMainWindow, private Marks {
public:
    // `paint_log`, when given, is told of every call the game paints with.
    Form1(Dialogs& dialogs, Pause& pause, SoundLibrary& sound, ProcessExit& exit, Canvas* paint_log = nullptr);

    // Runs the start-up of the game; call once, after construction.
    void start();

    Game& game() { return *game_; }
    // The game's one door: every event of the window goes in there.
    net::Session& session() { return *session_; }
    QtCanvas& canvas() { return *canvas_; }
    Marks& marks() { return *this; }
    QAction* action(const char* name) const;
    // Ends the program if Esc or a close request waits in the queue; called
    // before any message box opens.
    void end_if_quit_waiting();
    // The searching strengths think on a thread beside the window (playing
    // alone; a room's messages must not wait on a search).
    void think_beside_the_window() { game_->set_thinking(thinking_); }
    // Every command of the window (a press, a key, a menu item, a box's
    // answer) goes in here, and on to the session.
    void take(Command c);

protected:
    void keyPressEvent(QKeyEvent* e) override;
    void closeEvent(QCloseEvent* e) override;
    // Esc reaching the menu bar: after a menu was closed the bar keeps the
    // keyboard focus and would swallow it.
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    bool checked(Mark m) const override { return ticks_[int(m)]; }
    void set_checked(Mark m, bool on) override;
    void build_menus();
    // The title, with the room's line after it in a networked game.
    void show_title();

    // Arrows, Home/End, Page Up/Down, Return and Space on the board; false
    // for any other key.
    bool board_key(int key);
    // The keys while その他 or 終了 (on the bar, without a menu) is
    // highlighted: Return or Space takes it, Left and Right go along the bar,
    // Esc leaves it. False when no such item is highlighted.
    bool bar_action_key(int key);

    // Tells the screen reader of every stone put down since the last call.
    void announce_stones();

    PosixStorage storage_;
    QtCanvas* canvas_;
    std::unique_ptr<CanvasTee> tee_;
    BoardCursor cursor_;
    StoneReader stones_;
    // The turn and the move count as drawn, and the two as last said.
    std::string turn_text_, count_text_, said_status_;
    QAction* tick_actions_[mark_count]{};
    bool ticks_[mark_count]{};
    QActionGroup* strengths_ = nullptr;
    ThreadThinking thinking_;
    std::vector<Command> waiting_;  // taken while the computer thought
    std::unique_ptr<Game> game_;
    std::unique_ptr<net::Session> session_;
    QuitWatch quit_watch_{this};
};

}  // namespace quintora
