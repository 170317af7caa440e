// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_form1.h"

#include <QApplication>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenuBar>
#include <functional>

namespace quintora {

Form1::Form1(Dialogs& dialogs, Pause& pause, SoundLibrary& sound, ProcessExit& exit)
    : canvas_(new QtCanvas(this)) {
    setWindowTitle(QStringLiteral("QuintoraⅠ"));
    setCentralWidget(canvas_);
    build_menus();
    game_ = std::make_unique<Game>(Platform{*canvas_, dialogs, pause, sound, *this, exit});
    canvas_->on_press = [this](double x, double y) { game_->on_board_press(x, y); };
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
    auto item = [this](QMenu* menu, const char* name, const QString& caption, std::function<void()> handler) {
        QAction* a = menu->addAction(caption);
        a->setObjectName(QString::fromLatin1(name));
        connect(a, &QAction::triggered, this, std::move(handler));
        return a;
    };
    auto submenu = [](QMenu* parent, const char* name, const QString& caption) {
        QMenu* m = parent->addMenu(caption);
        m->setObjectName(QString::fromLatin1(name));
        return m;
    };
    QMenuBar* bar = menuBar();
    bar->installEventFilter(this);

    QMenu* taikyoku = bar->addMenu(QStringLiteral("対局"));
    taikyoku->setObjectName("TAIKYOKU");
    QMenu* one = submenu(taikyoku, "PLAY_1", "1_PLAY");
    item(one, "JYUNBAN_1", QStringLiteral("黒"), [this] { game_->on_JYUNBAN_1(); });
    item(one, "JYUNBAN_2", QStringLiteral("青"), [this] { game_->on_JYUNBAN_2(); });
    item(one, "JYUNBAN_3", QStringLiteral("白"), [this] { game_->on_JYUNBAN_3(); });
    item(one, "JYUNBAN_4", QStringLiteral("赤"), [this] { game_->on_JYUNBAN_4(); });
    QMenu* two = submenu(taikyoku, "PLAY_2", "2_PLAY");
    item(two, "PLAY_TOIMEN", QStringLiteral("黒　×　白"), [this] { game_->on_PLAY_TOIMEN(); });
    item(two, "PLAY_TONARI", QStringLiteral("青　×　赤"), [this] { game_->on_PLAY_TONARI(); });
    item(taikyoku, "PLAY_4", "4_PLAY", [this] { game_->on_PLAY_4(); });

    QMenu* kyokumen = bar->addMenu(QStringLiteral("局面"));
    kyokumen->setObjectName("KYOKUMEN");
    item(kyokumen, "SAISYO", QStringLiteral("最初"), [this] { game_->on_SAISYO(); });
    item(kyokumen, "MODORU", QStringLiteral("戻"), [this] { game_->history().on_MODORU(); });
    item(kyokumen, "SUSUMU", QStringLiteral("進"), [this] { game_->history().on_SUSUMU(); });

    QMenu* option = bar->addMenu(QStringLiteral("ｵﾌﾟｼｮﾝ"));
    option->setObjectName("OPTION");
    const struct {
        Mark mark;
        const char* name;
        QString caption;
        void (Options::*handler)();
    } ticks[] = {{Mark::TEJYUN, "TEJYUN", QStringLiteral("手順番号表示"), &Options::on_TEJYUN},
                 {Mark::AICON, "AICON", QStringLiteral("ｱｲｺﾝ表示"), &Options::on_AICON},
                 {Mark::BGM, "BGM", QStringLiteral("BGM"), &Options::on_BGM}};
    for (const auto& t : ticks) {
        QAction* a = option->addAction(t.caption);
        a->setObjectName(QString::fromLatin1(t.name));
        a->setCheckable(true);
        const Mark mark = t.mark;
        const auto handler = t.handler;
        // Qt flips the tick before it tells us; the game decides the tick itself.
        connect(a, &QAction::triggered, this, [this, a, mark, handler] {
            a->setChecked(ticks_[int(mark)]);
            (game_->options().*handler)();
        });
        tick_actions_[int(t.mark)] = a;
    }

    QAction* sonota = bar->addAction(QStringLiteral("その他"));
    sonota->setObjectName("SONOTA");
    connect(sonota, &QAction::triggered, this, [this] { game_->on_about(); });
    QAction* syuryou = bar->addAction(QStringLiteral("終了"));
    syuryou->setObjectName("SYURYOU");
    connect(syuryou, &QAction::triggered, this, [this] { game_->終了(); });
}

void Form1::end_if_quit_waiting() {
    if (quit_watch_.quit_waiting()) game_->終了();
}

void Form1::start() { game_->起動(std::int32_t(winId())); }

void Form1::keyPressEvent(QKeyEvent* e) {
    if (e->key() == Qt::Key_Escape) {
        game_->on_key(27);
        return;
    }
    const QString t = e->text();
    if (!t.isEmpty()) game_->on_key(t.at(0).unicode());
}

bool Form1::eventFilter(QObject* watched, QEvent* e) {
    // An open menu is a popup of its own and gets its Esc first: that Esc
    // only closes the menu. Once none is open, Esc on the bar quits.
    if (watched == menuBar() && e->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape && !QApplication::activePopupWidget()) {
        game_->on_key(27);
        return true;
    }
    return QMainWindow::eventFilter(watched, e);
}

void Form1::closeEvent(QCloseEvent* e) {
    e->ignore();
    game_->終了();
}

}  // namespace quintora
