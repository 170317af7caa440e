// SPDX-License-Identifier: GPL-3.0-or-later
// quintora_signature: plays the fixed set of seeded journals, replays each
// into a fresh game, and prints one line, `signature: <16 hex digits>`, over
// every position after every command, every line painted and sounded, and
// every candidate cell's score at every computer turn. A
// change with no effect on the game keeps the number.
//
//   quintora_signature [--expect HEX]
//
// Exit 1 when a replay differs from its live game, or the number from HEX.
#include <cinttypes>
#include <cstdio>
#include <cstring>
#include <string>

#include "game/signature.h"
#include "signature/seeded_journals.h"

using namespace quintora;
using namespace quintora::testing;

int main(int argc, char** argv) {
    const char* expected = argc == 3 && std::strcmp(argv[1], "--expect") == 0 ? argv[2] : nullptr;
    if (argc != 1 && !expected) {
        std::fprintf(stderr, "usage: quintora_signature [--expect HEX]\n");
        return 2;
    }
    Fnv1a line;
    int status = 0;
    for (int n = 0; n < seeded_journal_count; ++n) {
        const PlayedJournal live = play_seeded_journal(n);
        PlayedJournal replayed;
        const bool fits = replay_journal(live.journal, replayed);
        if (!fits || replayed.signatures != live.signatures || replayed.paint_and_sound != live.paint_and_sound ||
            replayed.judgements != live.judgements) {
            std::fprintf(stderr, "journal %d (%s): the replay differs from the game\n", n, live.name.c_str());
            status = 1;
        }
        for (const std::uint64_t s : live.signatures) line.add_value(s);
        for (const std::string& l : live.paint_and_sound) line.add(l.data(), l.size() + 1);
        for (const std::uint64_t j : live.judgements) line.add_value(j);
        std::fprintf(stderr, "journal %d (%s): %zu commands, %zu positions, %zu computer turns, %d won, %d resumed, %d drawn, %d refused\n",
                     n, live.name.c_str(), live.journal.size(), live.signatures.size(), live.judgements.size(), live.questions, live.resumes,
                     live.draws, live.refusals);
    }
    char hex[17];
    std::snprintf(hex, sizeof hex, "%016" PRIx64, line.value());
    std::printf("signature: %s\n", hex);
    if (expected && std::strcmp(expected, hex) != 0) {
        std::fprintf(stderr, "expected %s\n", expected);
        status = 1;
    }
    return status;
}
