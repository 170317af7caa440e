#include "files/plain_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <streambuf>

namespace quintora {

namespace {
// Reads the descriptor it owns through a buffer of its own: standard C++
// and POSIX only, so that every standard library has it (the browser
// build's has no stdio_filebuf).
class DescriptorBuffer : public std::streambuf {
public:
    explicit DescriptorBuffer(int fd) : fd_(fd) {}
    ~DescriptorBuffer() override { ::close(fd_); }

protected:
    int_type underflow() override {
        if (gptr() < egptr()) return traits_type::to_int_type(*gptr());
        ssize_t n;
        do n = ::read(fd_, chunk_, sizeof chunk_);
        while (n < 0 && errno == EINTR);
        if (n <= 0) return traits_type::eof();
        setg(chunk_, chunk_, chunk_ + n);
        return traits_type::to_int_type(*gptr());
    }

private:
    int fd_;
    char chunk_[4096];
};
}  // namespace

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
    buffer_ = std::make_unique<DescriptorBuffer>(fd);
    in_.rdbuf(buffer_.get());
    in_.clear();
    return Opened::plain;
}

}  // namespace quintora
