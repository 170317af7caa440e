// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Ending the program at once. A test double records the exit instead.

namespace quintora {

class ProcessExit {
public:
    virtual ~ProcessExit() = default;
    [[noreturn]] virtual void end_process(int code) = 0;
};

}  // namespace quintora
