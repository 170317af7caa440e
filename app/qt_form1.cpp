// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_form1.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <utility>
#include <vector>

#include "app/qt_accessible.h"
#include "app/sleeping_pause.h"
#include "game/board_reading.h"
#include "lang/language.h"

namespace quintora {

Form1::Form1(Dialogs& dialogs, Pause& pause, SoundLibrary& sound, ProcessExit& exit, Canvas* paint_log)
    : canvas_(new QtCanvas(this)) {
    if (paint_log) tee_ = std::make_unique<CanvasTee>(*canvas_, *paint_log);
    setWindowTitle(QStringLiteral("QuintoraⅠ"));
    setCentralWidget(canvas_);
    build_menus();
    game_ = std::make_unique<Game>(
        Platform{tee_ ? static_cast<Canvas&>(*tee_) : static_cast<Canvas&>(*canvas_), dialogs, pause, sound, *this, exit, storage_});
    session_ = std::make_unique<net::Session>(*game_);
    session_->on_change = [this] { show_title(); };
    canvas_->on_press = [this](double x, double y) {
        cursor_.hide();
        canvas_->show_cursor(std::nullopt);
        take(Command::press_at(cell_under(x, y)));
    };
    // Screen readers see the board's cells, the texts beside it and each
    // stone as it is put down.
    install_board_accessibility();
    set_board_reading(canvas_, {[this](Cell c) { return cell_reading(game_->state(), c, &lang::tr); },
                                [this] { return cursor_.at(); }});
    // The turn and the move's number are said as they change (after a
    // stone, 戻, 進 and 最初 alike).
    canvas_->on_status_text = [this](int row, const std::string& text) {
        if (row == 5) notify_label(canvas_, StatusLabel::turn, text);
        if (row == 9) notify_label(canvas_, StatusLabel::count, text);
        if (row == 11) notify_label(canvas_, StatusLabel::thinking, text);
        if (row == 5) turn_text_ = text;
        if (row == 9) count_text_ = text;
    };
    canvas_->on_refresh = [this] { announce_stones(); };
    // The board takes the keyboard; the cursor shows once a key is used.
    canvas_->setFocusPolicy(Qt::StrongFocus);
    canvas_->setFocus();
    if (canvas_->font_family().contains(QStringLiteral("IPA")))
        game_->view().use_column_labels(std::string(column_labels_for_ipa_face));
    // Left -60, top -60 twips; the client area holds the board and the status
    // texts beside it, and the window keeps its size.
    move(-4, -4);
    setFixedSize(sizeHint());
}

QAction* Form1::action(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

void Form1::set_checked(Mark m, bool on) {
    ticks_[int(m)] = on;
    tick_actions_[int(m)]->setChecked(on);
}

void Form1::build_menus() {
    QMenuBar* bar = menuBar();
    bar->installEventFilter(this);
    // The game's menu table, row by row: a stack of the menus still open.
    std::vector<QMenu*> open;
    auto add_action = [&](const MenuEntry& e) {
        const QString caption = QString::fromStdString(lang::tr(e.caption));
        QAction* a = open.empty() ? bar->addAction(caption) : open.back()->addAction(caption);
        a->setObjectName(QString::fromLatin1(e.id));
        const Command command = Command::of(e.command);
        if (e.row == MenuRow::check) {
            a->setCheckable(true);
            const Mark mark = e.mark;
            tick_actions_[int(mark)] = a;
            // The strengths are one choice of four: shown as radio items.
            if (mark >= Mark::NYUMON) {
                if (!strengths_) strengths_ = new QActionGroup(this);
                strengths_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
                strengths_->addAction(a);
            }
            // Qt flips the tick before it tells us; the game decides the tick itself.
            connect(a, &QAction::triggered, this, [this, a, mark, command] {
                a->setChecked(ticks_[int(mark)]);
                take(command);
            });
        } else {
            connect(a, &QAction::triggered, this, [this, command] { take(command); });
        }
    };
    for (const MenuEntry& e : menu_table()) {
        switch (e.row) {
            case MenuRow::menu:
            case MenuRow::submenu: {
                const QString caption = QString::fromStdString(lang::tr(e.caption));
                QMenu* m = open.empty() ? bar->addMenu(caption) : open.back()->addMenu(caption);
                m->setObjectName(QString::fromLatin1(e.id));
                open.push_back(m);
                break;
            }
            case MenuRow::end: open.pop_back(); break;
            case MenuRow::separator: open.back()->addSeparator(); break;
            case MenuRow::item:
            case MenuRow::check:
            case MenuRow::action: add_action(e); break;
        }
    }
}

void Form1::take(Command c) {
    // Taken while a computer searches beside the window, or from a screen
    // reader answered during a pause: run after the turn.
    if ((thinking_.busy() || SleepingPause::answering()) && c.kind != CommandKind::SYURYOU)
        return waiting_.push_back(c);
    session_->give(c);
    announce_stones();
    for (const Command w : std::exchange(waiting_, {})) take(w);
}

void Form1::show_title() {
    const std::string line = session_->line();
    const QString title = QStringLiteral("QuintoraⅠ") +
                          (line.empty() ? QString() : QStringLiteral(" — ") + QString::fromStdString(line));
    if (windowTitle() != title) setWindowTitle(title);
}

void Form1::end_if_quit_waiting() {
    if (quit_watch_.quit_waiting()) take(Command::of(CommandKind::escape));
}

void Form1::start() { game_->起動(std::int32_t(winId())); }

void Form1::keyPressEvent(QKeyEvent* e) {
    if (bar_action_key(e->key())) return;
    if (e->key() == Qt::Key_Escape) {
        take(Command::of(CommandKind::escape));
        return;
    }
    // F10 opens the first menu, as in the other desktop programs (and the
    // page); Down goes to its first item.
    if (e->key() == Qt::Key_F10 && e->modifiers() == Qt::NoModifier) {
        menuBar()->setActiveAction(menuBar()->actions().value(0));
        return;
    }
    if (!board_key(e->key())) QMainWindow::keyPressEvent(e);
}

bool Form1::board_key(int key) {
    BoardKey k;
    switch (key) {
        case Qt::Key_Left: k = BoardKey::left; break;
        case Qt::Key_Right: k = BoardKey::right; break;
        case Qt::Key_Up: k = BoardKey::up; break;
        case Qt::Key_Down: k = BoardKey::down; break;
        case Qt::Key_Home: k = BoardKey::home; break;
        case Qt::Key_End: k = BoardKey::end; break;
        case Qt::Key_PageUp: k = BoardKey::page_up; break;
        case Qt::Key_PageDown: k = BoardKey::page_down; break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space: k = BoardKey::play; break;
        default: return false;
    }
    const std::optional<Command> press = cursor_.key(k);
    canvas_->show_cursor(cursor_.at());
    // Exactly what a click on that cell gives.
    notify_cursor(canvas_);
    if (press) take(*press);
    return true;
}

bool Form1::bar_action_key(int key) {
    // その他 and 終了 stand on the bar without a menu: reached with the
    // arrows from a menu, they are highlighted while the keys come here.
    QMenuBar* bar = menuBar();
    QAction* active = bar->activeAction();
    if (!active || active->menu()) return false;
    // The pointer resting on the bar highlights its item too: that one is
    // not the keyboard's, and the keys stay the board's.
    if (bar->actionGeometry(active).contains(bar->mapFromGlobal(QCursor::pos()))) return false;
    const QList<QAction*> all = bar->actions();
    const auto at = all.indexOf(active);
    switch (key) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            bar->setActiveAction(nullptr);
            canvas_->setFocus();
            active->trigger();
            return true;
        case Qt::Key_Left:
        case Qt::Key_Right: {
            const auto next = (at + (key == Qt::Key_Right ? 1 : all.size() - 1)) % all.size();
            bar->setActiveAction(all[next]);
            return true;
        }
        case Qt::Key_Escape:
            bar->setActiveAction(nullptr);
            canvas_->setFocus();
            return true;
        default: return true;  // nothing else while the bar has the keys
    }
}

void Form1::announce_stones() {
    std::string said;
    for (const std::string& stone : stones_.since(game_->state(), &lang::tr)) {
        notify_label(canvas_, StatusLabel::last_stone, stone);
        said += (said.empty() ? "" : ", ") + stone;
    }
    // A game gone (最初) leaves no turn: how to start one is said instead,
    // and the next game's turn is said afresh.
    const std::string ended = stones_.ended(game_->state(), &lang::tr);
    if (!ended.empty()) {
        turn_text_.clear();
        count_text_.clear();
        said_status_.clear();
        said += (said.empty() ? "" : ". ") + ended;
    }
    // Then whose turn it is and the move's number, when they changed.
    const std::string status = turn_text_ + (turn_text_.empty() || count_text_.empty() ? "" : ", ") + count_text_;
    if (status != said_status_) {
        said_status_ = status;
        if (!status.empty()) said += (said.empty() ? "" : ". ") + status;
    }
    announce(canvas_, said);
}

bool Form1::eventFilter(QObject* watched, QEvent* e) {
    // An open menu is a popup of its own and gets its Esc first: that Esc
    // only closes the menu. Esc on the bar then only leaves the bar: the
    // board has the keys again, and the next Esc is the game's.
    if (watched == menuBar() && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape && !QApplication::activePopupWidget()) {
        menuBar()->setActiveAction(nullptr);
        canvas_->setFocus();
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void Form1::closeEvent(QCloseEvent* e) {
    e->ignore();
    take(Command::of(CommandKind::SYURYOU));
}

}  // namespace quintora
