// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The game's ports in the browser. Each one is a thin call into the page's
// script (page/ui/, joined into quintora-ui.js), which owns the canvas, the
// menu bar, the boxes and Web Audio. The program runs on the page's one thread; its waits
// and boxes suspend it (Asyncify) and give the page back meanwhile.
//
// With logging switched on (the page's address ends in ?log) every call is
// also written as a line of the same log the recording test doubles write,
// so a browser test can compare a whole game with the native core's.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "lang/wording.h"
#include "ports/canvas.h"
#include "ports/dialogs.h"
#include "ports/marks.h"
#include "ports/pause.h"
#include "ports/process_exit.h"
#include "ports/sound_library.h"

namespace quintora::web {

// Writes one line of the call log when the page keeps one.
void log_line(const std::string& line);
bool logging();
// A number as the call log writes it: the shortest form, as 7572.5 or 0.2.

class WebCanvas : public Canvas {
public:
    void fill_rect(double x, double y, double width, double height, int palette) override;
    void draw_picture(std::string_view name, double x, double y) override;
    void draw_text(double x, double y, std::string_view utf8, int palette, double points) override;
    void fill_circle(double cx, double cy, double radius, int palette) override;
    void show_icon(IconKind kind, int colour, double left, double top) override;
    void hide_icon(IconKind kind, int colour) override;
    void refresh() override;

private:
    lang::Wording wording_;
    void let_go();
};

class WebDialogs : public Dialogs {
public:
    void message(std::string_view text, std::string_view caption) override;
    void about(std::string_view text) override;
    bool ask_yes_no(std::string_view text, std::string_view caption) override;
    void warning(std::string_view text, std::string_view caption) override;
    // Called before a box opens (an Esc waiting ends the program first).
    std::function<void()> before_box;

private:
    int show(int kind, std::string_view text, std::string_view caption);
};

class WebPause : public Pause {
public:
    void wait(double seconds) override;
};

class WebSound : public SoundLibrary {
public:
    std::int32_t dsInitialize(std::int32_t window) override;
    std::int32_t dsCreateDSB(std::int32_t system, const void* image, std::int32_t flags) override;
    void dsPlay(std::int32_t buffer) override;
    void dsPlayLooping(std::int32_t buffer) override;
    void dsStop(std::int32_t buffer) override;
    void dsFree(std::int32_t buffer) override;
    void dsTerminate(std::int32_t system) override;

private:
    std::int32_t system_ = 0;
};

class WebMarks : public Marks {
public:
    bool checked(Mark m) const override { return ticks_[int(m)]; }
    void set_checked(Mark m, bool on) override;

private:
    bool ticks_[mark_count]{};
};

class WebExit : public ProcessExit {
public:
    [[noreturn]] void end_process(int code) override;
};

// Gives the buffer of a wave that arrived after the start its samples
// (the page's wave `number`; see WebSound::dsCreateDSB). A wave that did
// not come or came damaged stays silent: the warning to show is returned.
std::optional<std::string> take_late_wave(int number);

// Keeps the settings file of the current folder in the browser's storage:
// restore() before the game starts, save() after each command (it writes
// only a file the game has changed). False when the storage refused it.
void restore_settings(const char* name);
bool save_settings(const char* name);

}  // namespace quintora::web
