// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/sleeping_pause.h"

#include <QCoreApplication>
#include <QEvent>
#include <QPointer>
#include <algorithm>
#include <chrono>
#include <thread>

namespace quintora {

namespace {

// Qt's AT-SPI bridge takes the accessibility bus's calls on one object (a
// D-Bus virtual object), to which Qt's D-Bus thread posts each call. It is
// learnt the first time the window's own loop hands it one.
class ScreenReaderCalls : public QObject {
public:
    QPointer<QObject> bridge;
    bool answering = false;

    bool eventFilter(QObject* watched, QEvent* e) override {
        if (!bridge && e->type() == QEvent::MetaCall && watched->inherits("QDBusVirtualObject")) bridge = watched;
        return false;
    }
    // The calls waiting for the bridge, and nothing else of what is posted.
    void answer() {
        if (!bridge) return;
        answering = true;
        QCoreApplication::sendPostedEvents(bridge, QEvent::MetaCall);
        answering = false;
    }
};

ScreenReaderCalls& calls() {
    static ScreenReaderCalls* c = [] {
        auto* made = new ScreenReaderCalls;
        QCoreApplication::instance()->installEventFilter(made);
        return made;
    }();
    return *c;
}

}  // namespace

SleepingPause::SleepingPause() {
    if (QCoreApplication::instance()) calls();
}

bool SleepingPause::answering() { return QCoreApplication::instance() && calls().answering; }

void SleepingPause::wait(double seconds) {
    using clock = std::chrono::steady_clock;
    const auto deadline = clock::now() + std::chrono::duration_cast<clock::duration>(std::chrono::duration<double>(seconds));
    // Sleep until the deadline is no longer later than the clock, in slices
    // short enough that a screen reader's call never waits long; a wake-up
    // that comes early simply sleeps again for the rest.
    const bool answers = QCoreApplication::instance() != nullptr;
    while (clock::now() < deadline) {
        if (answers) calls().answer();
        std::this_thread::sleep_until(std::min(deadline, clock::now() + std::chrono::milliseconds(2)));
    }
}

}  // namespace quintora
