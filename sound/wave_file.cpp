// SPDX-License-Identifier: GPL-3.0-or-later
#include "sound/wave_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "sound/wave_check.h"

namespace quintora {

namespace {

// What a file that is not a plain one is, for the warning.
std::string not_plain(mode_t mode) {
    if (S_ISDIR(mode)) return "はフォルダーです。";
    if (S_ISFIFO(mode)) return "は名前付きパイプです。音声ファイルではありません。";
    if (S_ISSOCK(mode)) return "はソケットです。音声ファイルではありません。";
    if (S_ISCHR(mode) || S_ISBLK(mode)) return "はデバイスです。音声ファイルではありません。";
    return "は通常のファイルではありません。";
}

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

WaveFileRead read_wave_file(const std::string& name, std::vector<unsigned char>& bytes) {
    bytes.clear();
    // A look before opening keeps devices from being opened at all (opening
    // some has effects of its own); the check that counts is the one on the
    // open descriptor below, which nothing can swap under us.
    struct stat before {};
    if (::stat(name.c_str(), &before) != 0) {
        if (errno == ENOENT || errno == ENOTDIR) return {.missing = true, .fault = std::nullopt};
        return {.missing = false, .fault = "を開けません。"};
    }
    if (!S_ISREG(before.st_mode)) return {.missing = false, .fault = not_plain(before.st_mode)};

    // Non-blocking, so that a pipe put in the file's place meanwhile cannot
    // hold the open; no controlling terminal from a device either.
    Descriptor fd(::open(name.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
    if (fd.get() < 0) {
        if (errno == ENOENT) return {.missing = true, .fault = std::nullopt};
        return {.missing = false, .fault = "を開けません。"};
    }
    struct stat st {};
    if (::fstat(fd.get(), &st) != 0) return {.missing = false, .fault = "を読み込めません。"};
    if (!S_ISREG(st.st_mode)) return {.missing = false, .fault = not_plain(st.st_mode)};
    if (st.st_size < 0) return {.missing = false, .fault = "を読み込めません。"};
    if (std::size_t(st.st_size) > largest_wave_file) return {.missing = false, .fault = "は大きすぎます。"};

    bytes.resize(std::size_t(st.st_size));
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::read(fd.get(), bytes.data() + got, bytes.size() - got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return {.missing = false, .fault = "を読み込めません。"};
        if (n == 0) break;  // shrank while we read: the wave check judges what is there
        got += std::size_t(n);
    }
    bytes.resize(got);
    return {};
}

}  // namespace quintora
