// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's side of the sound library, and the game's only way to it:
// starting and stopping the sound system, turning wave files of the current
// directory into buffers, and playing them.

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "ports/dialogs.h"
#include "ports/sound_library.h"
#include "ports/storage.h"

namespace quintora {

class Module1 {
public:
    Module1(SoundLibrary& library, Dialogs& dialogs, Storage& files) : lib_(library), dialogs_(dialogs), files_(files) {}
    ~Module1();
    Module1(const Module1&) = delete;
    Module1& operator=(const Module1&) = delete;

    void 初期化_サウンド(std::int32_t window);
    // A buffer holding the wave file `name`, or 0 (missing file: silently;
    // unreadable or malformed file: after a warning).
    std::int32_t 読込_サウンド(const std::string& name, std::int32_t flags);
    void 終了_サウンド();
    void 表示_警告(std::string_view text);

    // A buffer from the start, once or over and over; stopped; freed. Every
    // one accepts 0 (a sound that did not load) and then does nothing.
    void play(std::int32_t buffer) { lib_.dsPlay(buffer); }
    void play_looping(std::int32_t buffer) { lib_.dsPlayLooping(buffer); }
    void stop(std::int32_t buffer) { lib_.dsStop(buffer); }
    void free(std::int32_t buffer) { lib_.dsFree(buffer); }

private:
    SoundLibrary& lib_;
    Dialogs& dialogs_;
    Storage& files_;
    std::int32_t system_ = 0;
    // The images a library that plays in place reads from, by buffer.
    std::map<std::int32_t, std::vector<unsigned char>> images_;
};

}  // namespace quintora
