// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A fixed set of journals, made by playing games on the recording fakes with
// a seeded generator choosing presses, menu commands and answers: all seven
// setups, 戻/進/最初 and the boxes before play resumes, wins, a draw and the
// options. Each journal is played live and then replayed into a fresh game.

#include <cstdint>
#include <string>
#include <vector>

#include "game/journal.h"

namespace quintora::testing {

struct PlayedJournal {
    std::string name;
    Journal journal;
    std::vector<std::uint64_t> signatures;  // after each top-level command
    std::vector<std::string> paint_and_sound;  // the canvas's and the sound library's log lines
    // At each computer turn, every candidate cell and its one-ply score: a
    // change in how the computer judges moves this even where the stone it
    // picks stays the same.
    std::vector<std::uint64_t> judgements;
    int questions = 0, resumes = 0, draws = 0, refusals = 0;  // boxes seen: what the journal covers
};

// Plays the seeded journal number `n` (0 .. seeded_journal_count - 1) live.
PlayedJournal play_seeded_journal(int n);
inline constexpr int seeded_journal_count = 10;

// Replays `journal` into a fresh game on the fakes; false when it did not fit.
bool replay_journal(const Journal& journal, PlayedJournal& into);

// The lines of a log that are painting or sound, in order.
std::vector<std::string> paint_and_sound_lines(const std::vector<std::string>& log);

}  // namespace quintora::testing
