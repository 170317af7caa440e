// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>


namespace quintora {

namespace {

using R = WholeRead::Result;

WholeRead not_plain(mode_t mode) {
    FileKind kind = FileKind::other;
    if (S_ISDIR(mode)) kind = FileKind::folder;
    else if (S_ISFIFO(mode)) kind = FileKind::pipe;
    else if (S_ISSOCK(mode)) kind = FileKind::socket;
    else if (S_ISCHR(mode) || S_ISBLK(mode)) kind = FileKind::device;
    return {R::not_plain, kind};
}
WholeRead just(R r) { return {r, FileKind::plain}; }

class Descriptor {
public:
    explicit Descriptor(int fd) : fd_(fd) {}
    ~Descriptor() {
        if (fd_ >= 0) ::close(fd_);
    }
    Descriptor(const Descriptor&) = delete;
    Descriptor& operator=(const Descriptor&) = delete;
    int get() const { return fd_; }

private:
    int fd_;
};

}  // namespace

WholeRead read_whole_file(const std::string& name, std::size_t largest, std::vector<unsigned char>& bytes) {
    bytes.clear();
    // A look before opening keeps devices from being opened at all (opening
    // some has effects of its own); the check that counts is the one on the
    // open descriptor below, which nothing can swap under us.
    struct stat before {};
    if (::stat(name.c_str(), &before) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return just(R::missing);
        return just(R::cannot_open);
    }
    if (!S_ISREG(before.st_mode)) return not_plain(before.st_mode);

    // Non-blocking, so that a pipe put in the file's place meanwhile cannot
    // hold the open; no controlling terminal from a device either.
    Descriptor fd(::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno == ENOENT) return just(R::missing);
        return just(R::cannot_open);
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return just(R::cannot_read);
    if (!S_ISREG(st.st_mode)) return not_plain(st.st_mode);
    if (st.st_size < 0) return just(R::cannot_read);
    if (std::size_t(st.st_size) > largest) return just(R::too_large);

    bytes.resize(std::size_t(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return just(R::cannot_read);
        if (n == 0) break;  // shrank while we read: the wave check judges what is there
        got += std::size_t(n);
    }
    bytes.resize(got);
    return just(R::read);
}

}  // namespace quintora
