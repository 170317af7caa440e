// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Where the computer's longer searches run. The search is pure work over
// copies of the position; whoever runs it returns once it is done. The
// tests and the page run it in place; the desktop runs it beside the
// window, which keeps answering meanwhile.

#include <functional>

namespace quintora {

class Thinking {
public:
    virtual ~Thinking() = default;
    virtual void run(const std::function<void()>& search) = 0;
};

// Runs the search on the caller's thread.
class ThinkingInPlace : public Thinking {
public:
    void run(const std::function<void()>& search) override { search(); }
};

}  // namespace quintora
