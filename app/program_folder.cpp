// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/program_folder.h"

#include <climits>
#include <unistd.h>

namespace quintora {

std::string program_folder() {
    char buffer[PATH_MAX];
    const ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    if (n <= 0) return ".";
    std::string path(buffer, std::size_t(n));
    const auto slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

}  // namespace quintora
