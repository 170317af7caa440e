// SPDX-License-Identifier: GPL-3.0-or-later
#include "signature/seeded_journals.h"

#include <cmath>
#include <cstdlib>
#include <random>

#include "ai/scoring.h"
#include "game/signature.h"
#include "support/fakes.h"

namespace quintora::testing {

namespace {

// The same numbers on every machine: mt19937's sequence is fixed by the
// standard, and the reduction to a range is our own.
struct Seeded {
    std::mt19937 engine;
    explicit Seeded(std::uint32_t seed) : engine(seed) {}
    int below(int n) { return int(engine() % std::uint32_t(n)); }
    bool chance(int percent) { return below(100) < percent; }
};

const CommandKind setups[] = {CommandKind::JYUNBAN_1,   CommandKind::JYUNBAN_2,   CommandKind::JYUNBAN_3,
                              CommandKind::JYUNBAN_4,   CommandKind::PLAY_TOIMEN, CommandKind::PLAY_TONARI,
                              CommandKind::PLAY_4};

bool is_paint_or_sound(const std::string& line) {
    for (const char* p : {"rect ", "pic ", "text ", "circle ", "icon ", "refresh", "ds"})
        if (line.rfind(p, 0) == 0) return true;
    return false;
}

// A command of the generator: mostly presses near the centre, where the
// stones meet and fives happen, now and then a menu command.
Command next_command(Seeded& r, CommandKind setup) {
    const int roll = r.below(100);
    if (roll < 84) return Command::press_at(Cell{6 + r.below(9), 6 + r.below(9)});
    if (roll < 86) return Command::press_at(Cell{1 + r.below(19), 1 + r.below(19)});
    if (roll < 87) return Command::press_at(std::nullopt);
    if (roll < 90) return Command::of(CommandKind::MODORU);
    if (roll < 92) return Command::of(CommandKind::SUSUMU);
    if (roll < 93) return Command::of(CommandKind::SAISYO);
    if (roll < 94) return Command::of(setup);
    if (roll < 95) return Command::of(setups[r.below(7)]);
    if (roll < 96) return Command::of(CommandKind::TEJYUN);
    if (roll < 97) return Command::of(CommandKind::AICON);
    if (roll < 98) return Command::of(CommandKind::BGM);
    return Command::of(CommandKind::SONOTA);
}

// Four people fill the board in turn, leaving one cell; then the computers
// take over, one fills the last cell and the next finds none: a draw. The
// colours lie by (x + 2y) mod 4, so that no two stones of a colour touch;
// that gives the colours 86, 95, 85 and 95 cells, so ten cells far apart
// change colour (making lines of two at most) to make it 91
// for black, who moves first and last, and 90 for each of the others.
Journal draw_journal() {
    int colour_of[board_size][board_size]{};
    int count[colour_count]{};
    for (int y = 1; y <= field_last; ++y)
        for (int x = 1; x <= field_last; ++x) ++count[colour_of[x][y] = (x + 2 * y) % colour_count];
    const int wanted[colour_count] = {91, 90, 90, 90};
    std::vector<Cell> changed;
    auto far_from_changed = [&changed](int x, int y) {
        for (const Cell c : changed)
            if (std::abs(c.x - x) < 3 && std::abs(c.y - y) < 3) return false;
        return true;
    };
    for (int y = 1; y <= field_last; ++y)
        for (int x = 1; x <= field_last; ++x) {
            int& c = colour_of[x][y];
            if (count[c] <= wanted[c] || !far_from_changed(x, y)) continue;
            for (int to = 0; to < colour_count; ++to)
                if (count[to] < wanted[to]) {
                    --count[c];
                    ++count[to];
                    c = to;
                    changed.push_back(Cell{x, y});
                    break;
                }
        }
    std::vector<Cell> by_colour[colour_count];
    for (int y = 1; y <= field_last; ++y)
        for (int x = 1; x <= field_last; ++x) by_colour[colour_of[x][y]].push_back(Cell{x, y});
    Journal j{Command::of(CommandKind::PLAY_4)};
    for (std::size_t i = 0; i < 90; ++i)
        for (int c = 0; c < colour_count; ++c) j.push_back(Command::press_at(by_colour[c].at(i)));
    j.push_back(Command::of(CommandKind::JYUNBAN_2));  // black, a computer, takes the last cell
    j.push_back(Command::of(CommandKind::JYUNBAN_1));  // blue, a computer, finds none
    j.push_back(Command::press_at(Cell{10, 10}));
    return j;
}

// Every candidate cell and its score, in the order the computer looks at
// them. The scores are tenths (0.1 is the smallest step of the table).
std::uint64_t judgement(const GameState& s, i16 colour) {
    Board working{};
    working_board(s.board, colour, working);
    CandidateScores scores;
    score_candidates(working, {s.near_flag, s.five_stop, s.centre_bonus}, scores);
    Fnv1a h;
    h.add_value(colour);
    for (int k = 0; k < scores.count; ++k) {
        h.add_value(std::int8_t(scores.cell[k].x));
        h.add_value(std::int8_t(scores.cell[k].y));
        h.add_value(std::int32_t(std::lround(scores.score[k] * 10)));
    }
    return h.value();
}

struct Run {
    Harness h;
    PlayedJournal& out;
    explicit Run(PlayedJournal& o) : out(o) {
        h.game.before_search = [this](i16 colour) { out.judgements.push_back(judgement(h.s, colour)); };
        h.start();
    }
    void after_command() { out.signatures.push_back(h.game.signature()); }
    void finish() {
        out.paint_and_sound = paint_and_sound_lines(h.log.lines);
        out.questions = int(h.log.count("ask "));
        out.resumes = int(h.log.count("box OKですか？"));
        out.draws = int(h.log.count("box 引き分け"));
        out.refusals = int(h.log.count("box 戻れません") + h.log.count("box 進めません"));
    }
};

}  // namespace

std::vector<std::string> paint_and_sound_lines(const std::vector<std::string>& log) {
    std::vector<std::string> out;
    for (const auto& l : log)
        if (is_paint_or_sound(l)) out.push_back(l);
    return out;
}

PlayedJournal play_seeded_journal(int n) {
    PlayedJournal out;
    Run run(out);
    Harness& h = run.h;
    try {
        if (n == seeded_journal_count - 1) {
            out.name = "draw";
            for (const Command c : draw_journal()) {
                h.game.apply(c);
                run.after_command();
            }
        } else {
            Seeded r(0x5eed0000u + std::uint32_t(n));
            const CommandKind setup = setups[n % 7];
            out.name = std::string("seeded ") + command_text(Command::of(setup));
            // Yes to every question, but in one journal the first is answered
            // No, which ends the game and the journal.
            for (int i = 0; i < 64; ++i) h.dialogs.answers.push_back(!(n == 7 && i == 0));
            h.game.apply(Command::of(setup));
            run.after_command();
            auto play = [&](Command c) {
                h.game.apply(c);
                run.after_command();
            };
            for (int i = 0; i < 130; ++i) play(next_command(r, setup));
            // Halfway, a won game for certain: four people from the start,
            // black making five on a row the others keep away from.
            play(Command::of(CommandKind::SAISYO));
            play(Command::of(CommandKind::PLAY_4));
            const int row = 2 + r.below(4);
            for (int x = 3; x <= 7; ++x) {
                play(Command::press_at(Cell{x, row}));
                if (x < 7)
                    for (const int other : {18, 16, 14}) play(Command::press_at(Cell{x, other}));
            }
            play(Command::of(setup));
            // Then the person plays out of the way, along the edges, and the
            // computers play it out among themselves.
            for (int i = 0; i < 60; ++i)
                play(Command::press_at(r.chance(50) ? Cell{1 + r.below(19), r.chance(50) ? 1 : 19}
                                                    : Cell{r.chance(50) ? 1 : 19, 1 + r.below(19)}));
            for (int i = 0; i < 70; ++i) play(next_command(r, setup));
            // Each ends with Esc, taken as a quit.
            h.game.apply(Command::of(CommandKind::escape));
        }
    } catch (const ProcessEnded&) {
        run.after_command();
    }
    run.finish();
    out.journal = h.game.journal();
    return out;
}

bool replay_journal(const Journal& journal, PlayedJournal& into) {
    Run run(into);
    bool fits = false;
    try {
        fits = run.h.game.replay(journal, [&run] { run.after_command(); });
    } catch (const ProcessEnded&) {
        run.after_command();
        fits = true;
    }
    run.finish();
    into.journal = run.h.game.journal();
    return fits;
}

}  // namespace quintora::testing
