// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// What a networked game puts between the game and the window's own boxes
// and sound. Outside a room both pass everything through.

#include <deque>
#include <string>

#include "game/commands.h"
#include "ports/dialogs.h"
#include "ports/sound_library.h"

namespace quintora::net {

// A box the game opened while the ordering machine ran a command, kept to be
// shown once the command has run (see RoomDialogs::hold).
struct HeldBox {
    enum class Kind { message, about, warning, question } kind;
    std::string text;
    std::string caption;
};

// The answer a held box's showing gives: OK, or Yes or No to the question.
inline Command answer_to(const HeldBox& box, bool yes) {
    if (box.kind != HeldBox::Kind::question) return Command::of(CommandKind::ok);
    return Command::of(yes ? CommandKind::yes : CommandKind::no);
}

// The boxes of a networked game. A command's box shows on the machine that
// gave the command only; on the others it is answered unseen, as the game's
// journal answers it. The question after a win shows everywhere, and the
// room's game always goes on: a No ends the game on this machine only, so
// the game hears Yes and the room is told this machine leaves.
//
// While `hold` is set the boxes are not shown but kept in `held`, the
// question answered Yes as the room's game always hears it: the machine
// that orders runs a command to its end and shows its boxes afterwards, so
// that no box of its own keeps the room waiting.
class RoomDialogs : public Dialogs {
public:
    explicit RoomDialogs(Dialogs& shown) : shown_(shown) {}
    void message(std::string_view text, std::string_view caption) override {
        if (!show_boxes) return;
        if (hold) return keep(HeldBox::Kind::message, text, caption);
        shown_.message(text, caption);
    }
    void about(std::string_view text) override {
        if (!show_boxes) return;
        if (hold) return keep(HeldBox::Kind::about, text, {});
        shown_.about(text);
    }
    bool ask_yes_no(std::string_view text, std::string_view caption) override {
        if (hold) {
            keep(HeldBox::Kind::question, text, caption);
            return true;
        }
        const bool yes = shown_.ask_yes_no(text, caption);
        if (in_room && !yes) declined = true;
        return in_room || yes;
    }
    void warning(std::string_view text, std::string_view caption) override {
        if (hold) return keep(HeldBox::Kind::warning, text, caption);
        shown_.warning(text, caption);
    }
    // Shows a held box now, as the game would have; true for OK or Yes.
    bool show(const HeldBox& box) {
        switch (box.kind) {
            case HeldBox::Kind::message: shown_.message(box.text, box.caption); return true;
            case HeldBox::Kind::about: shown_.about(box.text); return true;
            case HeldBox::Kind::warning: shown_.warning(box.text, box.caption); return true;
            case HeldBox::Kind::question: return shown_.ask_yes_no(box.text, box.caption);
        }
        return true;
    }

    bool in_room = false;
    bool show_boxes = true;
    bool declined = false;  // a No to the question while in a room
    bool hold = false;
    std::deque<HeldBox> held;

private:
    void keep(HeldBox::Kind kind, std::string_view text, std::string_view caption) {
        // A command that opens more boxes than a person could answer has run away.
        if (held.size() < 16) held.push_back({kind, std::string(text), std::string(caption)});
    }
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
    bool plays_in_place() const override { return real_.plays_in_place(); }

    bool quiet = false;

private:
    SoundLibrary& real_;
};

}  // namespace quintora::net
