// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a networked game puts between the game and the window's own boxes
// and sound. Outside a room both pass everything through.

#include "ports/dialogs.h"
#include "ports/sound_library.h"

namespace quintora::net {

// The boxes of a networked game. A command's box shows on the machine that
// gave the command only; on the others it is answered unseen, as the game's
// journal answers it. The question after a win shows everywhere, and the
// room's game always goes on: a No ends the game on this machine only, so
// the game hears Yes and the room is told this machine leaves.
class RoomDialogs : public Dialogs {
public:
    explicit RoomDialogs(Dialogs& shown) : shown_(shown) {}
    void message(std::string_view text, std::string_view caption) override {
        if (show_boxes) shown_.message(text, caption);
    }
    void about(std::string_view text) override {
        if (show_boxes) shown_.about(text);
    }
    bool ask_yes_no(std::string_view text, std::string_view caption) override {
        const bool yes = shown_.ask_yes_no(text, caption);
        if (in_room && !yes) declined = true;
        return in_room || yes;
    }
    void warning(std::string_view text, std::string_view caption) override { shown_.warning(text, caption); }

    bool in_room = false;
    bool show_boxes = true;
    bool declined = false;  // a No to the question while in a room

private:
    Dialogs& shown_;
};

// The sound of a networked game: quiet while a journal is caught up with.
// Only the sounds of moments go; the music keeps its state.
class QuietSound : public SoundLibrary {
public:
    explicit QuietSound(SoundLibrary& real) : real_(real) {}
    std::int32_t dsInitialize(std::int32_t window) override { return real_.dsInitialize(window); }
    std::int32_t dsCreateDSB(std::int32_t system, const void* image, std::int32_t flags) override {
        return real_.dsCreateDSB(system, image, flags);
    }
    void dsPlay(std::int32_t buffer) override {
        if (!quiet) real_.dsPlay(buffer);
    }
    void dsPlayLooping(std::int32_t buffer) override { real_.dsPlayLooping(buffer); }
    void dsStop(std::int32_t buffer) override { real_.dsStop(buffer); }
    void dsFree(std::int32_t buffer) override { real_.dsFree(buffer); }
    void dsTerminate(std::int32_t system) override { real_.dsTerminate(system); }

    bool quiet = false;

private:
    SoundLibrary& real_;
};

}  // namespace quintora::net
