// SPDX-License-Identifier: GPL-3.0-or-later
// The yardstick for the game's start-up and memory: a bare main window with a
// menu bar and a plain central widget of the game's client size, which leaves
// right after its first paint, printing its peak resident set on stderr.
//
//   bare_window_probe [--japanese]
#include <QApplication>
#include <QMainWindow>
#include <QMenuBar>
#include <QPainter>
#include <QTimer>
#include <QWidget>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {
double now() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return double(t.tv_sec) + double(t.tv_nsec) * 1e-9;
}
double main_entered = 0;

class Surface : public QWidget {
public:
    Surface() { setFixedSize(657, 500); }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter(this).fillRect(rect(), QColor(0, 128, 0));
        if (done_) return;
        done_ = true;
        QTimer::singleShot(0, [] {
            rusage u{};
            getrusage(RUSAGE_SELF, &u);
            std::fprintf(stderr, "bare_window_probe: first paint %.2f ms after main(), peak rss %ld KiB\n",
                         (now() - main_entered) * 1e3, u.ru_maxrss);
            std::fflush(stderr);
            std::_Exit(0);
        });
    }

private:
    bool done_ = false;
};
}  // namespace

int main(int argc, char** argv) {
    main_entered = now();
    if (std::getenv("DISPLAY") == nullptr && std::getenv("WAYLAND_DISPLAY") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication app(argc, argv);
    // --japanese gives the menu bar the game's own captions, which need a
    // Japanese font: it tells how much of the game's cost is that font alone.
    const bool japanese = argc > 1 && std::strcmp(argv[1], "--japanese") == 0;
    QMainWindow window;
    const QStringList menus = japanese ? QStringList{"対局", "局面", "ｵﾌﾟｼｮﾝ"} : QStringList{"Game", "Position", "Options"};
    for (const QString& title : menus) window.menuBar()->addMenu(title)->addAction(japanese ? "最初" : "Item");
    window.menuBar()->addAction(japanese ? "その他" : "About");
    window.menuBar()->addAction(japanese ? "終了" : "Quit");
    window.setCentralWidget(new Surface);
    window.show();
    return app.exec();
}
