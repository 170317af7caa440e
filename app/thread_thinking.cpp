// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/thread_thinking.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <thread>

namespace quintora {

void ThreadThinking::run(const std::function<void()>& search) {
    std::atomic<bool> done{false};
    busy_ = true;
    std::thread worker([&search, &done] {
        search();
        done.store(true, std::memory_order_release);
    });
    // Every few milliseconds the window's events, so it answers well
    // within a tenth of a second; at least once, however short the search.
    do {
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::ExcludeSocketNotifiers);
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    } while (!done.load(std::memory_order_acquire));
    worker.join();
    busy_ = false;
}

}  // namespace quintora
