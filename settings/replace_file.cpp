// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace quintora {

namespace {

std::string folder_of(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string base_of(const std::string& path) {
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool write_all(int fd, std::string_view text) {
    while (!text.empty()) {
        const ssize_t n = ::write(fd, text.data(), text.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        text.remove_prefix(std::size_t(n));
    }
    return true;
}

// The new content, written and synced in a fresh file of `folder`; its name,
// or empty when that failed (and then nothing of it is left).
std::string write_beside(const std::string& folder, const std::string& base, std::string_view text, mode_t mode) {
    std::string name = folder + "/." + base + ".XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0) return {};
    name.assign(buf.data());
    bool ok = ::fchmod(fd, mode) == 0 && write_all(fd, text) && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    if (!ok) {
        ::unlink(name.c_str());
        return {};
    }
    return name;
}

// Where `path` leads after following its symbolic links; `path` itself
// when it is no link. Empty when the links go round in a circle.
std::string link_target(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        std::vector<char> buf(std::size_t(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(at.c_str(), buf.data(), buf.size());
        if (n < 0 || std::size_t(n) >= buf.size()) return at;  // changed under us: let the writing fail
        std::string next(buf.data(), std::size_t(n));
        // A relative link is read from the folder the link stands in.
        at = (next.front() == '/') ? next : folder_of(at) + "/" + next;
    }
    return {};
}

}  // namespace

bool replace_file(const std::string& path, std::string_view text) {
    const std::string target = link_target(path);
    if (target.empty()) return false;

    // Only a plain file is replaced: a folder, a pipe or a device by that name
    // is the user's and stays as it is. The new file keeps the old one's
    // permissions; a new file gets the usual ones, less the umask.
    mode_t mode = 0666;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode)) return false;
        mode = st.st_mode & 07777;
    } else if (errno != ENOENT) {
        return false;
    }

    const std::string folder = folder_of(target);
    const std::string temporary = write_beside(folder, base_of(target), text, mode);
    if (temporary.empty()) return false;
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        ::unlink(temporary.c_str());
        return false;
    }
    // The rename itself lives in the folder: sync it too, so that after a
    // power cut the name points at the new file and not at nothing. The file
    // is already replaced, so a failure here changes nothing for the caller.
    const int dir = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}

}  // namespace quintora
