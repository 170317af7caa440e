// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Reading a wave file of the current directory whole, as bytes. Only a plain
// file is read: a pipe by that name would keep start-up waiting for a writer,
// and a device (/dev/zero, say) never ends.

#include <optional>
#include <string>
#include <vector>

namespace quintora {

struct WaveFileRead {
    bool missing = false;              // nothing by that name (or a link to nothing)
    std::optional<std::string> fault;  // what stopped the reading, after the file's name
};

// Fills `bytes` with the whole file `name`. A fault reads as a sentence that
// follows the name in 「」, for example "はフォルダーです。".
WaveFileRead read_wave_file(const std::string& name, std::vector<unsigned char>& bytes);

}  // namespace quintora
