// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's files through POSIX, in the current directory: plain files
// only, never waited for, replaced whole or not at all.

#include "ports/storage.h"

namespace quintora {

class PosixStorage : public Storage {
public:
    WholeRead read_whole(const std::string& name, std::size_t largest, std::vector<unsigned char>& bytes) override;
    std::unique_ptr<std::istream> open_plain(const std::string& name, Opened& how) override;
    int replace_whole(const std::string& name, std::string_view text) override;
};

}  // namespace quintora
