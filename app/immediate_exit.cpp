// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/immediate_exit.h"

#include <cstdio>
#include <cstdlib>

namespace quintora {

void ImmediateExit::end_process(int code) {
    std::fflush(nullptr);
    std::_Exit(code);
}

}  // namespace quintora
