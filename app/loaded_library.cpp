// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/loaded_library.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

namespace quintora {

LoadedSoundLibrary::LoadedSoundLibrary(const std::string& path) {
    // Lazy binding: the sound library pulls in SDL and the two dozen
    // libraries Debian's SDL needs, and binding all their symbols up front
    // would cost more than the rest of start-up. Our own entry points are
    // still checked below.
    handle_ = dlopen(path.c_str(), RTLD_LAZY | RTLD_LOCAL);
    if (!handle_) return;
    auto sym = [this](const char* name) { return dlsym(handle_, name); };
    initialize_ = reinterpret_cast<Fn1>(sym("dsInitialize"));
    create_ = reinterpret_cast<FnCreate>(sym("dsCreateDSB"));
    create_in_place_ = reinterpret_cast<FnCreate>(sym("dsCreateDSBInPlace"));
    play_ = reinterpret_cast<Fn1>(sym("dsPlay"));
    play_looping_ = reinterpret_cast<Fn1>(sym("dsPlayLooping"));
    stop_ = reinterpret_cast<Fn1>(sym("dsStop"));
    free_ = reinterpret_cast<Fn1>(sym("dsFree"));
    terminate_ = reinterpret_cast<Fn1>(sym("dsTerminate"));
    // A library missing any entry point is not used at all: half a sound
    // system would leave buffers the game can never free.
    complete_ = initialize_ && create_ && play_ && play_looping_ && stop_ && free_ && terminate_;
}

LoadedSoundLibrary::~LoadedSoundLibrary() {
    // The library is not unloaded: SDL's audio thread may still be winding
    // down when the process ends.
}

std::int32_t LoadedSoundLibrary::dsInitialize(std::int32_t window) { return complete_ ? initialize_(window) : 0; }

std::int32_t LoadedSoundLibrary::dsCreateDSB(std::int32_t system, const void* image, std::int32_t flags) {
    if (!complete_) return 0;
    // Played where the image lies: the music is not held twice at start-up.
    return create_in_place_ ? create_in_place_(system, image, flags) : create_(system, image, flags);
}

void LoadedSoundLibrary::dsPlay(std::int32_t b) {
    if (complete_) play_(b);
}
void LoadedSoundLibrary::dsPlayLooping(std::int32_t b) {
    if (complete_) play_looping_(b);
}
void LoadedSoundLibrary::dsStop(std::int32_t b) {
    if (complete_) stop_(b);
}
void LoadedSoundLibrary::dsFree(std::int32_t b) {
    if (complete_) free_(b);
}
void LoadedSoundLibrary::dsTerminate(std::int32_t s) {
    if (complete_) terminate_(s);
}


}  // namespace quintora
