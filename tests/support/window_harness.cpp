// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/window_harness.h"

namespace quintora::testing {

QApplication& test_app() {
    static int argc = 1;
    static char name[] = "quintora_tests";
    static char* argv[] = {name, nullptr};
    static QApplication* app = new QApplication(argc, argv);
    return *app;
}

}  // namespace quintora::testing
