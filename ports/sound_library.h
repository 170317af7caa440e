// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The sound library's entry points as the game calls them. Every call that
// takes a buffer handle accepts 0 and then does nothing.

#include <cstdint>

namespace quintora {

class SoundLibrary {
public:
    virtual ~SoundLibrary() = default;
    virtual std::int32_t dsInitialize(std::int32_t window) = 0;
    virtual std::int32_t dsCreateDSB(std::int32_t system, const void* image, std::int32_t flags) = 0;
    virtual void dsPlay(std::int32_t buffer) = 0;
    virtual void dsPlayLooping(std::int32_t buffer) = 0;
    virtual void dsStop(std::int32_t buffer) = 0;
    virtual void dsFree(std::int32_t buffer) = 0;
    virtual void dsTerminate(std::int32_t system) = 0;
    // True when a buffer plays its samples where the image given to
    // dsCreateDSB holds them: the caller then keeps the image until the
    // sound system ends. Otherwise the image may go as soon as dsCreateDSB
    // returns.
    virtual bool plays_in_place() const { return false; }
};

}  // namespace quintora
