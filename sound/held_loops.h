#pragma once
// At start-up the game starts the music loop before it reads the settings
// that may switch the music off again, and only then stops it. The player who
// switched it off must not hear its first buffer either: this stands between
// the game and the sound library and holds back the start of a loop until
// release(), when the loop starts only if it was not stopped meanwhile. The
// game's calls stay as they are, in their order; every other call passes at
// once.

#include <cstdint>
#include <vector>

#include "ports/sound_library.h"

namespace quintora {

class HeldLoops : public SoundLibrary {
public:
    explicit HeldLoops(SoundLibrary& library) : library_(library) {}

    // From here on every call passes straight through; the loops asked for
    // and not stopped since start now.
    void release();

    std::int32_t dsInitialize(std::int32_t window) override { return library_.dsInitialize(window); }
    std::int32_t dsCreateDSB(std::int32_t system, const void* image, std::int32_t flags) override {
        return library_.dsCreateDSB(system, image, flags);
    }
    void dsPlay(std::int32_t buffer) override { library_.dsPlay(buffer); }
    void dsPlayLooping(std::int32_t buffer) override;
    void dsStop(std::int32_t buffer) override;
    void dsFree(std::int32_t buffer) override;
    void dsTerminate(std::int32_t system) override { library_.dsTerminate(system); }
    bool plays_in_place() const override { return library_.plays_in_place(); }

private:
    void forget(std::int32_t buffer);

    SoundLibrary& library_;
    bool holding_ = true;
    std::vector<std::int32_t> held_;  // loops asked for while holding, in order
};

}  // namespace quintora
