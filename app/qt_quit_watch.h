// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A quit asked for while the game was busy. Pauses handle no events, so an
// Esc or a close pressed while the computer plays or a five blinks waits in
// the queue. Left there, a message box opened next would swallow it: Qt drops
// input aimed at a window that a modal box blocks. So before a box opens,
// the queue is read with this filter in place: Esc and the close request
// are noted, every other input is dropped, as the box would have dropped it.

#include <QObject>

class QWidget;

namespace quintora {

class QuitWatch : public QObject {
public:
    explicit QuitWatch(QWidget* window) : window_(window) {}
    // Delivers what is waiting in the queue; true when a quit was among it.
    bool quit_waiting();

protected:
    bool eventFilter(QObject* receiver, QEvent* e) override;

private:
    bool aimed_at_window(QObject* receiver) const;
    QWidget* window_;
    bool asked_ = false;
};

}  // namespace quintora
