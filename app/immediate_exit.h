// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include "ports/process_exit.h"

namespace quintora {

// Ends the process at once, without running any further event or destructor.
class ImmediateExit : public ProcessExit {
public:
    [[noreturn]] void end_process(int code) override;
};

}  // namespace quintora
