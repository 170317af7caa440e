// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The journal: the ordered commands a game took after its start-up, the
// answers to its boxes among them. Replayed into a freshly started game it
// gives the same game, box for box and stone for stone.
//
// A box with one button has no choice in it: its "ok" is kept when a
// command's box was answered, but a replay that finds none answers it all the
// same, and an "ok" with no box to answer changes nothing. That way the boxes
// of one machine alone (a settings file that could not be read, say) never
// put a replay out of step. The question, Yes or No, must find its answer.

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "game/commands.h"
#include "ports/dialogs.h"
#include "ports/pause.h"

namespace quintora {

using Journal = std::vector<Command>;

// One command a line, as command_text writes them.
std::string journal_text(std::span<const Command> journal);
// The journal of such text, or nothing when a line is no command. At most
// `max_commands` commands are read.
std::optional<Journal> parse_journal(std::string_view text, std::size_t max_commands = 100000);

// The game's boxes as the game sees them: in play, the window's own boxes,
// whose answers are written into the journal while a command runs; in a
// replay, answers taken from the journal, with no box shown.
class JournalDialogs : public Dialogs {
public:
    JournalDialogs(Dialogs& shown, Journal& journal) : shown_(shown), journal_(journal) {}

    void message(std::string_view text, std::string_view caption) override;
    void about(std::string_view text) override;
    bool ask_yes_no(std::string_view text, std::string_view caption) override;
    // Warnings tell of this machine's files and sound: never part of the
    // journal, shown in a replay too.
    void warning(std::string_view text, std::string_view caption) override { shown_.warning(text, caption); }

    // While a command runs its answers are kept.
    void set_recording(bool on) { recording_ = on; }
    // Answers come from `journal` from `next` on; `next` moves past each one taken.
    void replay_from(std::span<const Command> journal, std::size_t& next) {
        replay_ = journal;
        next_ = &next;
    }
    void stop_replay() { next_ = nullptr; }
    bool replaying() const { return next_ != nullptr; }
    // Set when a replay found a question without its answer.
    bool out_of_step() const { return out_of_step_; }
    void clear_out_of_step() { out_of_step_ = false; }
    // What an Esc that answers a box does (it ends the game).
    std::function<void()> on_escape;

private:
    // In a replay: takes an "ok" if one is next; ends the game on an "esc".
    void take_ok();

    Dialogs& shown_;
    Journal& journal_;
    bool recording_ = false;
    std::span<const Command> replay_;
    std::size_t* next_ = nullptr;
    bool out_of_step_ = false;
};

// Waits that are real in play and skipped in a replay: they change nothing
// but time.
class JournalPause : public Pause {
public:
    explicit JournalPause(Pause& real) : real_(real) {}
    void wait(double seconds) override {
        if (!skipping) real_.wait(seconds);
    }
    bool skipping = false;

private:
    Pause& real_;
};

}  // namespace quintora
