// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What the warning says of a wave file that could not be read, after the
// file's name in 「」, for example "はフォルダーです。"; nothing when it was
// read or is missing (a missing wave only silences its sound).

#include <optional>
#include <string>

#include "ports/storage.h"

namespace quintora {

std::optional<std::string> wave_read_fault(const WholeRead& read);

}  // namespace quintora
