// SPDX-License-Identifier: GPL-3.0-or-later
#include "files/replace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <dirent.h>
#include <pthread.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
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

// The termination signals, held back while a temporary file of ours exists:
// a Ctrl-C or a kill in that window is delivered when it is over, so the
// file is then either the old one or the new one and the temporary is gone.
// (SIGKILL cannot be held; what it leaves is cleared at the next write.)
class TerminationHeld {
public:
    TerminationHeld() {
        sigset_t set;
        sigemptyset(&set);
        for (const int s : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, s);
        pthread_sigmask(SIG_BLOCK, &set, &previous_);
    }
    ~TerminationHeld() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
    TerminationHeld(const TerminationHeld&) = delete;
    TerminationHeld& operator=(const TerminationHeld&) = delete;

private:
    sigset_t previous_;
};

// ".BASE.XXXXXX" as mkostemp makes them.
bool is_our_temporary(const std::string& name, const std::string& base) {
    const std::string head = "." + base + ".";
    return name.size() == head.size() + 6 && name.compare(0, head.size(), head) == 0;
}

// Temporary files of ours that a writer killed outright left in `folder`:
// the player's own, plain, and not touched for a minute (a second copy of the
// game may be writing its own just now).
void clear_stale_temporaries(const std::string& folder, const std::string& base) {
    DIR* dir = ::opendir(folder.c_str());
    if (dir == nullptr) return;
    const time_t now = ::time(nullptr);
    while (const dirent* e = ::readdir(dir)) {
        if (!is_our_temporary(e->d_name, base)) continue;
        const std::string name = folder + "/" + e->d_name;
        struct stat st {};
        if (::lstat(name.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (now - st.st_mtime < 60) continue;
        ::unlink(name.c_str());
    }
    ::closedir(dir);
}

// The new content, written and synced in a fresh file of `folder`, with the
// given mode and owner (a group of -1: the one it was made with); its name, or empty when that failed (and then
// nothing of it is left).
std::string write_beside(const std::string& folder, const std::string& base, std::string_view text, mode_t mode,
                         uid_t owner, gid_t group) {
    std::string name = folder + "/." + base + ".XXXXXX";
    std::vector<char> buf(name.begin(), name.end());
    buf.push_back('\0');
    const int fd = ::mkostemp(buf.data(), O_CLOEXEC);
    if (fd < 0) return {};
    name.assign(buf.data());
    struct stat made {};
    bool ok = ::fstat(fd, &made) == 0;
    // The replaced file's owner and group stay; where they cannot be given
    // to the new file, the old one is not replaced.
    if (ok && (made.st_uid != owner || (group != static_cast<gid_t>(-1) && made.st_gid != group)))
        ok = ::fchown(fd, owner, group) == 0;
    ok = ok && ::fchmod(fd, mode) == 0 && write_all(fd, text) && ::fsync(fd) == 0;
    int error = ok ? 0 : errno;
    if (::close(fd) != 0 && ok) {
        error = errno;
        ok = false;
    }
    if (!ok) {
        ::unlink(name.c_str());
        errno = error;  // why, for the caller
        return {};
    }
    return name;
}

// Whether the player may write the file `st` describes, by its permission
// bits: a file made read-only stays so, even for root.
bool player_may_write(const struct stat& st) {
    if (st.st_uid == ::geteuid()) return (st.st_mode & S_IWUSR) != 0;
    bool in_group = st.st_gid == ::getegid();
    if (!in_group) {
        const int n = ::getgroups(0, nullptr);
        std::vector<gid_t> groups(std::size_t(n > 0 ? n : 0));
        if (n > 0 && ::getgroups(n, groups.data()) == n)
            in_group = std::find(groups.begin(), groups.end(), st.st_gid) != groups.end();
    }
    return (st.st_mode & (in_group ? S_IWGRP : S_IWOTH)) != 0;
}

// Where `path` leads after following its symbolic links; `path` itself
// when it is no link. Only links of the player's own are followed: empty
// when a link in the way is someone else's, or the links go round in a
// circle.
std::string link_target(const std::string& path) {
    std::string at = path;
    for (int hops = 0; hops < 40; ++hops) {
        struct stat st {};
        if (::lstat(at.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) return at;
        if (st.st_uid != ::geteuid()) return {};
        std::vector<char> buf(std::size_t(st.st_size > 0 ? st.st_size : 255) + 1);
        const ssize_t n = ::readlink(at.c_str(), buf.data(), buf.size());
        if (n <= 0 || std::size_t(n) >= buf.size()) return {};  // changed under us
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
    const bool through_link = target != path;

    // Only a plain file (or nothing) is replaced: a folder, a pipe or a
    // device by that name is the user's and stays as it is; so does a file
    // the player may not write, and, reached through a link, one that is
    // not the player's. The new file keeps the old one's permissions and
    // owner; a new file gets the usual ones, less the umask.
    mode_t mode = 0666;
    const mode_t mask = ::umask(0);
    ::umask(mask);
    mode &= ~mask;
    uid_t owner = ::geteuid();
    gid_t group = ::getegid();
    struct stat st {};
    if (::lstat(target.c_str(), &st) == 0) {
        if (!S_ISREG(st.st_mode) || !player_may_write(st)) return false;
        if (through_link && st.st_uid != ::geteuid()) return false;
        mode = st.st_mode & 07777;
        owner = st.st_uid;
        group = st.st_gid;
    } else if (errno != ENOENT) {
        return false;
    } else {
        // A new file gets the group the folder gives it (a set-group-ID
        // folder passes its own on).
        group = static_cast<gid_t>(-1);
    }

    const std::string folder = folder_of(target);
    const std::string base = base_of(target);
    clear_stale_temporaries(folder, base);
    const TerminationHeld held;
    const std::string temporary = write_beside(folder, base, text, mode, owner, group);
    if (temporary.empty()) return false;
    if (::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = errno;
        ::unlink(temporary.c_str());
        errno = error;
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
