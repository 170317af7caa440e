// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The files the game reads and writes by name in its folder: the five waves,
// read whole, and the settings file, read line by line and replaced whole.
// The desktop reaches them through POSIX (files/), the tests too.

#include <cstddef>
#include <istream>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quintora {

// What a name turned out to be, when it was no plain file.
enum class FileKind : unsigned char { plain, folder, pipe, socket, device, other };

struct WholeRead {
    enum class Result : unsigned char { read, missing, not_plain, cannot_open, cannot_read, too_large };
    Result result = Result::read;
    FileKind kind = FileKind::plain;  // for not_plain
};

class Storage {
public:
    virtual ~Storage() = default;

    // Fills `bytes` with the whole plain file `name`, refusing one larger
    // than `largest` bytes. Nothing is waited for: a pipe or a device by
    // that name is refused, not opened for reading.
    virtual WholeRead read_whole(const std::string& name, std::size_t largest, std::vector<unsigned char>& bytes) = 0;

    enum class Opened { plain, missing, not_plain, unreadable };
    // The plain file `name` as a stream to read; null when it is none
    // (`how` says why).
    virtual std::unique_ptr<std::istream> open_plain(const std::string& name, Opened& how) = 0;

    // Replaces the file `name` with `text` whole or not at all: 0 when done,
    // otherwise why not, as an errno value (EACCES when there is no better).
    virtual int replace_whole(const std::string& name, std::string_view text) = 0;
};

}  // namespace quintora
