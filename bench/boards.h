// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Deterministic positions for the benchmarks and probes, and do-nothing
// stand-ins for the platform parts a measurement does not want to wait on.

#include <cstdint>
#include <vector>

#include "game/game.h"

namespace quintora::bench {

// splitmix64: the same numbers on every compiler and library.
class Rng {
public:
    explicit Rng(std::uint64_t seed) : s_(seed) {}
    std::uint64_t next();
    int below(int n) { return int(next() % std::uint64_t(n)); }

private:
    std::uint64_t s_;
};

struct Move {
    i16 colour;
    int x;
    int y;
};

// Whether a stone of `colour` on the empty cell (x, y) would stand in a run of
// five or more on some line.
bool makes_five_or_more(const Board& board, i16 colour, int x, int y);

// A game of `stones` moves, colours black, blue, white, red in turn, each on a
// random empty cell among the computer's candidates (the 5 x 5 squares around
// earlier stones, the centre first), never one that would make a run of five
// or more. Throws std::runtime_error when no such cell is left.
std::vector<Move> make_game(int stones, std::uint64_t seed = 20240611);

// Lays the game on a fresh state as the game itself leaves it: board, move
// records and history, candidate flags around every stone, five-stop marks
// after every move, centre bonus. to_move is the colour after the last move.
void lay(GameState& s, const std::vector<Move>& moves);

// Twips of the top-left corner and pixels of the centre of cell (x, y).
inline double cell_twips_x(int x) { return grid_origin_x + double(x) * cell_width; }
inline double cell_twips_y(int y) { return grid_origin_y + double(y) * cell_height; }
inline int centre_px_x(int x) { return int((cell_twips_x(x) + cell_width / 2.0) / twips_per_pixel); }
inline int centre_px_y(int y) { return int((cell_twips_y(y) + cell_height / 2.0) / twips_per_pixel); }

// Seconds of processor time of the whole process / of the calling thread, and
// of the steady clock.
double process_cpu_seconds();
double thread_cpu_seconds();
double wall_seconds();
// Peak resident set size of the process in kibibytes (getrusage ru_maxrss).
long peak_rss_kib();

// Quantile q (0..1) of the values, nearest rank.
double quantile(std::vector<double> v, double q);

struct NullDialogs : Dialogs {
    int boxes = 0;
    void message(std::string_view, std::string_view) override { ++boxes; }
    void about(std::string_view) override { ++boxes; }
    bool ask_yes_no(std::string_view, std::string_view) override { ++boxes; return true; }
    void warning(std::string_view, std::string_view) override { ++boxes; }
};

struct NullPause : Pause {
    double asked = 0;
    void wait(double seconds) override { asked += seconds; }
};

struct NullCanvas : Canvas {
    void fill_rect(double, double, double, double, int) override {}
    void draw_picture(std::string_view, double, double) override {}
    void draw_text(double, double, std::string_view, int, double) override {}
    void fill_circle(double, double, double, int) override {}
    void show_icon(IconKind, int, double, double) override {}
    void hide_icon(IconKind, int) override {}
    void refresh() override {}
};
struct NullMarks : Marks {
    bool ticks[mark_count]{};
    bool checked(Mark m) const override { return ticks[int(m)]; }
    void set_checked(Mark m, bool on) override { ticks[int(m)] = on; }
};
struct NullSound : SoundLibrary {
    std::int32_t next = 1;
    std::int32_t dsInitialize(std::int32_t) override { return 1; }
    std::int32_t dsCreateDSB(std::int32_t, const void*, std::int32_t) override { return ++next; }
    void dsPlay(std::int32_t) override {}
    void dsPlayLooping(std::int32_t) override {}
    void dsStop(std::int32_t) override {}
    void dsFree(std::int32_t) override {}
    void dsTerminate(std::int32_t) override {}
};

// A measuring program that is told to end mid-measurement has nothing left to
// report: it says so and fails.
struct FailingExit : ProcessExit {
    [[noreturn]] void end_process(int code) override;
};

}  // namespace quintora::bench
