// SPDX-License-Identifier: GPL-3.0-or-later
// Processor time of one whole computer turn (thinking notice, the real 0.5 +
// 0.5 + 0.2 s pauses, search, drawing into the window, bookkeeping) against
// its wall time. The window is the real one; message boxes are stand-ins
// that do nothing, and so is the sound unless asked for, so the figure is the
// game's own work.
//
//   quintora_turn_cpu [turns=10] [stones=100] [--sound]
//
// With --sound the real sound library is loaded (SDL's dummy device unless
// SDL_AUDIODRIVER says otherwise): the music loops and the stone clicks
// play, and the process time then includes SDL's mixing thread.
//
// The position before the first turn is a fixed game of `stones` moves,
// pressed in through the window in the four-person mode. A turn that wins is
// not counted (its blink adds 2 s of pauses and a new game); the position is
// laid again and the next turn follows.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "boards.h"
#include "app/loaded_library.h"
#include "app/sleeping_pause.h"
#include "qt_setup.h"

using namespace quintora;
using namespace quintora::bench;

namespace {
void lay_through_window(Form1& form, QApplication& app, const std::vector<Move>& moves) {
    Game& g = form.game();
    g.on_SAISYO();
    g.on_PLAY_4();
    for (const Move& m : moves) {
        if (g.state().to_move != m.colour) {
            std::fprintf(stderr, "laying the position: %d to move, %d expected\n", g.state().to_move, m.colour);
            std::exit(1);
        }
        press_canvas(form.canvas(), centre_px_x(m.x), centre_px_y(m.y));
        if (g.state().board[m.x][m.y] != m.colour) {
            std::fprintf(stderr, "laying the position: the press on %d,%d placed nothing\n", m.x, m.y);
            std::exit(1);
        }
    }
    app.processEvents();
}
}  // namespace

int main(int argc, char** argv) {
    bool real_sound = false;
    std::vector<int> numbers;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--sound") == 0)
            real_sound = true;
        else
            numbers.push_back(std::atoi(argv[i]));
    }
    const int turns = numbers.size() > 0 ? numbers[0] : 10;
    const int stones = numbers.size() > 1 ? numbers[1] : 100;
    default_to_offscreen();
    if (real_sound) setenv("SDL_AUDIODRIVER", "dummy", 0);
    QApplication app(argc, argv);
    enter_program_folder();

    NullDialogs dialogs;
    SleepingPause pause;
    NullSound null_sound;
    std::unique_ptr<LoadedSoundLibrary> loaded;
    if (real_sound) loaded = std::make_unique<LoadedSoundLibrary>(program_folder() + "/libQuintora.so");
    SoundLibrary& sound = loaded ? static_cast<SoundLibrary&>(*loaded) : null_sound;
    FailingExit exit;
    Form1 form(dialogs, pause, sound, exit);
    form.show();
    form.start();
    app.processEvents();
    if (real_sound && (dialogs.boxes != 0 || !loaded->loaded())) {
        std::fprintf(stderr, "the sound library did not start (%d message boxes)\n", dialogs.boxes);
        return 1;
    }
    std::printf("sound: %s\n", real_sound ? "real library, music looping" : "none (stand-in)");

    const std::vector<Move> moves = make_game(stones);
    lay_through_window(form, app, moves);
    Game& g = form.game();
    GameState& s = g.state();

    std::vector<double> cpu, thread, wall;
    int wins = 0;
    std::printf("turn  colour  cell    process_cpu_ms  thread_cpu_ms  wall_ms\n");
    while (int(cpu.size()) < turns) {
        const i16 colour = s.to_move;
        const double c0 = process_cpu_seconds(), t0 = thread_cpu_seconds(), w0 = wall_seconds();
        g.com_ban(s.to_move);
        const double c1 = process_cpu_seconds(), t1 = thread_cpu_seconds(), w1 = wall_seconds();
        if (s.game_mode == no_game) {
            ++wins;
            std::printf("  (a turn of colour %d won: not counted; the position is laid again)\n", colour);
            if (wins > 20) {
                std::fprintf(stderr, "too many wins to measure\n");
                return 1;
            }
            lay_through_window(form, app, moves);
            continue;
        }
        cpu.push_back((c1 - c0) * 1e3);
        thread.push_back((t1 - t0) * 1e3);
        wall.push_back((w1 - w0) * 1e3);
        std::printf("%4zu  %6d  %2d,%-2d  %14.3f  %13.3f  %7.1f\n", cpu.size(), colour, s.last_x, s.last_y,
                    cpu.back(), thread.back(), wall.back());
        app.processEvents();  // what the event loop does after the press that started the turn
    }
    std::printf("process cpu per turn: median %.3f ms, min %.3f, max %.3f\n", quantile(cpu, 0.5), quantile(cpu, 0),
                quantile(cpu, 1));
    std::printf("thread cpu per turn:  median %.3f ms, min %.3f, max %.3f\n", quantile(thread, 0.5),
                quantile(thread, 0), quantile(thread, 1));
    std::printf("wall per turn:        median %.1f ms (pauses asked: 1200 ms)\n", quantile(wall, 0.5));
    std::printf("budget 10 ms of processor per turn: median/budget = %.3f\n", quantile(cpu, 0.5) / 10.0);
    return 0;
}
