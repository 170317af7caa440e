// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound library loaded by name at run time. When the file is missing or
// lacks an entry point, dsInitialize answers 0 and every other call does
// nothing, so the game runs silently after its warning.

#include <string>

#include "ports/sound_library.h"

namespace quintora {

class LoadedSoundLibrary : public SoundLibrary {
public:
    explicit LoadedSoundLibrary(const std::string& path);
    ~LoadedSoundLibrary() override;
    LoadedSoundLibrary(const LoadedSoundLibrary&) = delete;
    LoadedSoundLibrary& operator=(const LoadedSoundLibrary&) = delete;

    bool loaded() const { return complete_; }

    std::int32_t dsInitialize(std::int32_t window) override;
    std::int32_t dsCreateDSB(std::int32_t system, const void* image, std::int32_t flags) override;
    void dsPlay(std::int32_t buffer) override;
    void dsPlayLooping(std::int32_t buffer) override;
    void dsStop(std::int32_t buffer) override;
    void dsFree(std::int32_t buffer) override;
    void dsTerminate(std::int32_t system) override;
    bool plays_in_place() const override { return complete_ && create_in_place_; }

private:
    using Fn1 = std::int32_t (*)(std::int32_t);
    using FnCreate = std::int32_t (*)(std::int32_t, const void*, std::int32_t);
    void* handle_ = nullptr;
    bool complete_ = false;
    Fn1 initialize_ = nullptr, play_ = nullptr, play_looping_ = nullptr, stop_ = nullptr, free_ = nullptr,
        terminate_ = nullptr;
    FnCreate create_ = nullptr;
    FnCreate create_in_place_ = nullptr;  // a library of our own has it
};

}  // namespace quintora
