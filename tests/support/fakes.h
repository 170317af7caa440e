// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Test doubles of the platform. Every call is written into one ordered log,
// so a test can assert the order of sounds, boxes, waits and painting.

#include <deque>
#include <functional>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "files/posix_storage.h"
#include "game/game.h"
#include "ports/call_log.h"
#include "support/board_text.h"

namespace quintora::testing {

struct Log {
    std::vector<std::string> lines;
    void add(std::string s) { lines.push_back(std::move(s)); }
    // Lines that start with `prefix`, in order.
    std::vector<std::string> with(const std::string& prefix) const;
    std::size_t count(const std::string& prefix) const { return with(prefix).size(); }
    // Index of the first line starting with `prefix` at or after `from`, or -1;
    // -1 again when `from` is -1, so that chained searches stay not-found.
    long find(const std::string& prefix, long from = 0) const;
    void clear() { lines.clear(); }
};

std::string fmt(double v);  // shortest form: 7572.5, 2025, 0.2

struct RecordingCanvas : Canvas {
    explicit RecordingCanvas(Log& l) : log(l) {}
    Log& log;
    // What each cell last received: picture name, and whether a mark/number sits on it.
    std::map<std::pair<int, int>, std::string> cell_picture;
    int visible_icons = 0;
    std::map<std::pair<int, int>, bool> icon_shown;  // (kind, colour)

    void fill_rect(double x, double y, double w, double h, int c) override;
    void draw_picture(std::string_view name, double x, double y) override;
    void draw_text(double x, double y, std::string_view t, int c, double pt) override;
    void fill_circle(double cx, double cy, double r, int c) override;
    void show_icon(IconKind k, int colour, double left, double top) override;
    void hide_icon(IconKind k, int colour) override;
    void refresh() override { log.add(call_log::refresh()); }
};

struct ScriptedDialogs : Dialogs {
    explicit ScriptedDialogs(Log& l) : log(l) {}
    Log& log;
    std::deque<bool> answers;  // answers to ask_yes_no; Yes when empty
    // What happens while the question stands open (the time a player takes).
    std::function<void()> on_ask;
    // A game that shows more boxes than this has run away: the test ends.
    std::size_t max_boxes = 1000;
    void message(std::string_view text, std::string_view caption) override;
    void about(std::string_view text) override;
    bool ask_yes_no(std::string_view text, std::string_view caption) override;
    void warning(std::string_view text, std::string_view caption) override;
};

struct RecordingPause : Pause {
    explicit RecordingPause(Log& l) : log(l) {}
    Log& log;
    double total = 0;
    void wait(double s) override;
};

struct FakeSound : SoundLibrary {
    explicit FakeSound(Log& l) : log(l) {}
    Log& log;
    std::int32_t system_handle = 7;  // what dsInitialize answers
    std::int32_t next_buffer = 100;
    std::int32_t dsInitialize(std::int32_t w) override;
    std::int32_t dsCreateDSB(std::int32_t s, const void* image, std::int32_t flags) override;
    void dsPlay(std::int32_t b) override { log.add(call_log::sound_call("dsPlay", b)); }
    void dsPlayLooping(std::int32_t b) override { log.add(call_log::sound_call("dsPlayLooping", b)); }
    void dsStop(std::int32_t b) override { log.add(call_log::sound_call("dsStop", b)); }
    void dsFree(std::int32_t b) override { log.add(call_log::sound_call("dsFree", b)); }
    void dsTerminate(std::int32_t s) override { log.add(call_log::sound_call("dsTerminate", s)); }
    // As a library that plays where the images lie: each image given, kept
    // to be read later (a freed one is a use-after-free the sanitizer sees).
    bool in_place = false;
    std::vector<const unsigned char*> images;
    bool plays_in_place() const override { return in_place; }
};

struct FakeMarks : Marks {
    bool ticks[mark_count]{};
    bool checked(Mark m) const override { return ticks[int(m)]; }
    void set_checked(Mark m, bool on) override { ticks[int(m)] = on; }
};

struct ProcessEnded {
    int code;
};
struct ThrowingExit : ProcessExit {
    explicit ThrowingExit(Log& l) : log(l) {}
    Log& log;
    [[noreturn]] void end_process(int code) override;
};

// A folder of its own per test, holding links to the shipped waves; the
// test runs inside it, as the game runs inside its program folder.
class ScratchFolder {
public:
    explicit ScratchFolder(bool with_waves = true);
    ~ScratchFolder();
    const std::filesystem::path& path() const { return dir_; }

private:
    std::filesystem::path dir_;
    std::filesystem::path previous_;
};

// The whole game on fakes.
struct Harness {
    explicit Harness(bool with_waves = true) : folder(with_waves) {}
    ScratchFolder folder;
    Log log;
    RecordingCanvas canvas{log};
    ScriptedDialogs dialogs{log};
    RecordingPause pause{log};
    FakeSound sound{log};
    FakeMarks marks;
    ThrowingExit exit{log};
    PosixStorage storage;
    Game game{Platform{canvas, dialogs, pause, sound, marks, exit, storage}};
    GameState& s = game.state();

    void start() { game.起動(1); }
    // Press on cell (x, y) at its top-left twip.
    void press(int x, int y) { game.on_board_press(grid_origin_x + x * cell_width, grid_origin_y + y * cell_height); }
    // Plays a stone of `colour` on (x, y) whoever is to move, as a press
    // would; what it draws is left out of the log.
    void put(int colour, int x, int y);
    bool mark(Mark m) const { return marks.checked(m); }
};

// A whole file as bytes, and bytes as a whole file (replacing it).
std::string read_bytes(const std::filesystem::path& p);
void write_bytes(const std::filesystem::path& p, const std::string& bytes);

// A RIFF/WAVE header stating `stated` bytes after its first eight, followed
// by `payload` zero bytes: the stated length need not match what follows.
std::string riff_image(std::uint32_t stated, std::size_t payload);


}  // namespace quintora::testing
