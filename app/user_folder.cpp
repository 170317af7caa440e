// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/user_folder.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>
#include <vector>

#include "lang/language.h"

namespace quintora {

namespace {

const char* const caption = "Quintora";

// The player's language: a text of the catalog with %1 and %2 filled in
// (names of folders and files, the system's reason).
std::string say(std::string_view text, const std::string& first, const std::string& second = {}) {
    const std::string t = lang::tr(text);
    std::string s;
    for (std::size_t i = 0; i < t.size(); ++i) {
        if (t[i] == '%' && i + 1 < t.size() && (t[i + 1] == '1' || t[i + 1] == '2'))
            s += t[++i] == '1' ? first : second;
        else
            s += t[i];
    }
    return s;
}

std::string reason(int error) { return say("（%1）", std::strerror(error)); }

bool ends_with(const std::string& s, const std::string& tail) {
    return s.size() > tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

// Makes `path` and its missing parents, like mkdir -p. A folder that is
// there already, or that another process makes meanwhile, is fine; so is
// one that may be entered but not written (the links it needs are checked
// one by one, and the game says itself when its settings cannot be kept).
int make_folders(const std::string& path) {
    for (std::size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        if (!part.empty() && mkdir(part.c_str(), 0777) != 0 && errno != EEXIST) return errno;
        if (slash == std::string::npos) break;
    }
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) return errno;
    if (!S_ISDIR(st.st_mode)) return ENOTDIR;
    if (access(path.c_str(), X_OK) != 0) return errno;
    return 0;
}

// The wave files of the installed folder, by name; errno when unreadable.
int wave_names(const std::string& folder, std::vector<std::string>& names) {
    DIR* d = opendir(folder.c_str());
    if (d == nullptr) return errno;
    while (const dirent* e = readdir(d))
        if (ends_with(e->d_name, ".wav")) names.emplace_back(e->d_name);
    closedir(d);
    std::sort(names.begin(), names.end());
    return 0;
}

// Links `target` as `link` unless a file or a working link is there.
int link_wave(const std::string& target, const std::string& link) {
    struct stat st {};
    if (lstat(link.c_str(), &st) == 0) {
        if (!S_ISLNK(st.st_mode) || stat(link.c_str(), &st) == 0) return 0;
        // A link that leads nowhere: another copy may be mending it too.
        if (unlink(link.c_str()) != 0 && errno != ENOENT) return errno;
    } else if (errno != ENOENT) {
        return errno;
    }
    if (symlink(target.c_str(), link.c_str()) != 0 && errno != EEXIST) return errno;
    return 0;
}

}  // namespace

UserFolder prepare_user_folder(const char* xdg_data_home, const char* home, const std::string& wave_folder) {
    UserFolder f;
    std::string data_home;
    if (xdg_data_home != nullptr && xdg_data_home[0] == '/') {
        data_home = xdg_data_home;
    } else if (home == nullptr || home[0] == '\0') {
        f.failure = lang::tr("HOME が設定されていないので、ゲームのフォルダを作る場所がありません。");
        return f;
    } else if (home[0] != '/') {
        f.failure = say("HOME「%1」が絶対パスではないので、ゲームのフォルダを作る場所がありません。", home);
        return f;
    } else {
        data_home = std::string(home) + "/.local/share";
    }
    f.path = data_home + "/quintora";

    if (const int e = make_folders(f.path)) {
        f.failure = say("ゲームのフォルダ「%1」を作れないか、開けません。", f.path) + reason(e);
        return f;
    }
    std::vector<std::string> names;
    if (const int e = wave_names(wave_folder, names)) {
        f.failure = say("音声ファイルのフォルダ「%1」が読めません。", wave_folder) + reason(e);
        return f;
    }
    for (const auto& name : names)
        if (const int e = link_wave(wave_folder + "/" + name, f.path + "/" + name)) {
            f.failure = say("「%1」をゲームのフォルダ「%2」に置けません。", name, f.path) + reason(e);
            return f;
        }
    return f;
}

bool enter_user_folder(const std::string& wave_folder, Dialogs& dialogs) {
    UserFolder f = prepare_user_folder(std::getenv("XDG_DATA_HOME"), std::getenv("HOME"), wave_folder);
    if (f.failure.empty() && chdir(f.path.c_str()) != 0) {
        const int e = errno;
        f.failure = say("ゲームのフォルダ「%1」に入れません。", f.path) + reason(e);
    }
    if (f.failure.empty()) return true;
    std::fprintf(stderr, "Quintora: %s\n", f.failure.c_str());
    dialogs.warning(f.failure, caption);
    return false;
}

}  // namespace quintora
