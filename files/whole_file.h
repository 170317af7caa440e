// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a file of the current directory whole, as bytes. Only a plain
// file is read: a pipe by that name would keep start-up waiting for a writer,
// and a device (/dev/zero, say) never ends.

#include <string>
#include <vector>

#include "ports/storage.h"

namespace quintora {

// Fills `bytes` with the whole file `name`, of at most `largest` bytes.
WholeRead read_whole_file(const std::string& name, std::size_t largest, std::vector<unsigned char>& bytes);

}  // namespace quintora
