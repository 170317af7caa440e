// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>

namespace quintora {

// The folder of the running executable, where the sound library and the
// waves live; "." when it cannot be found.
std::string program_folder();

}  // namespace quintora
