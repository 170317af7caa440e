#include "settings/plain_file.h"

#include <ext/stdio_filebuf.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace quintora {

PlainFileIn::PlainFileIn() : in_(nullptr) {}
PlainFileIn::~PlainFileIn() { close(); }

void PlainFileIn::close() {
    in_.rdbuf(nullptr);
    buffer_.reset();  // closes the descriptor
    in_.clear();
}

PlainFileIn::Opened PlainFileIn::open(const std::string& path) {
    close();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? Opened::missing : Opened::unreadable;
    struct stat st {};
    const bool looked = ::fstat(fd, &st) == 0;
    if (!looked || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return looked ? Opened::not_plain : Opened::unreadable;
    }
    buffer_ = std::make_unique<__gnu_cxx::stdio_filebuf<char>>(fd, std::ios::in | std::ios::binary);
    in_.rdbuf(buffer_.get());
    in_.clear();
    return Opened::plain;
}

}  // namespace quintora
