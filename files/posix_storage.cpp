// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/posix_storage.h"

#include <cerrno>

#include "files/plain_file.h"
#include "files/replace_file.h"
#include "files/whole_file.h"

namespace quintora {

namespace {
// A stream that owns the plain file it reads.
class OwnedPlainFile : public std::istream {
public:
    OwnedPlainFile() : std::istream(nullptr) {}
    PlainFileIn file;
};
}  // namespace

WholeRead PosixStorage::read_whole(const std::string& name, std::size_t largest, std::vector<unsigned char>& bytes) {
    return read_whole_file(name, largest, bytes);
}

std::unique_ptr<std::istream> PosixStorage::open_plain(const std::string& name, Opened& how) {
    auto in = std::make_unique<OwnedPlainFile>();
    switch (in->file.open(name)) {
        case PlainFileIn::Opened::plain: break;
        case PlainFileIn::Opened::missing: how = Opened::missing; return nullptr;
        case PlainFileIn::Opened::not_plain: how = Opened::not_plain; return nullptr;
        case PlainFileIn::Opened::unreadable: how = Opened::unreadable; return nullptr;
    }
    how = Opened::plain;
    in->rdbuf(in->file.stream().rdbuf());
    return in;
}

int PosixStorage::replace_whole(const std::string& name, std::string_view text) {
    errno = 0;
    if (replace_file(name, text)) return 0;
    return errno != 0 ? errno : EACCES;
}

}  // namespace quintora
