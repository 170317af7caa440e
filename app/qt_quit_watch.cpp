// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/qt_quit_watch.h"

#include <QCoreApplication>
#include <QEvent>
#include <QKeyEvent>
#include <QWidget>
#include <QWindow>

namespace quintora {

bool QuitWatch::quit_waiting() {
    asked_ = false;
    QCoreApplication* app = QCoreApplication::instance();
    app->installEventFilter(this);
    // Input from the window system reaches the widgets in a second pass, so
    // one round is not always enough.
    for (int round = 0; round < 3 && !asked_; ++round) QCoreApplication::processEvents();
    app->removeEventFilter(this);
    return asked_;
}

// Input from the window system reaches the window's QWindow first and the
// widgets after it; a test may post straight to a widget.
bool QuitWatch::aimed_at_window(QObject* receiver) const {
    if (receiver->isWindowType()) return receiver == window_->windowHandle();
    return receiver->isWidgetType() && static_cast<QWidget*>(receiver)->window() == window_;
}

bool QuitWatch::eventFilter(QObject* receiver, QEvent* e) {
    switch (e->type()) {
        case QEvent::KeyPress:
            if (static_cast<QKeyEvent*>(e)->key() == Qt::Key_Escape && aimed_at_window(receiver)) asked_ = true;
            return true;
        case QEvent::Close:
            if (!aimed_at_window(receiver)) return false;
            asked_ = true;
            return true;
        case QEvent::KeyRelease:
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonRelease:
        case QEvent::MouseButtonDblClick:
        case QEvent::Wheel:
        case QEvent::TouchBegin:
        case QEvent::TouchUpdate:
        case QEvent::TouchEnd:
        case QEvent::ContextMenu:
        case QEvent::Shortcut:
            return true;
        default:
            return false;
    }
}

}  // namespace quintora
