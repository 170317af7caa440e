// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The one way a call through the ports is written as a line of text: the
// recording test doubles keep these lines, and the page writes the same
// lines when asked, so that a game in the browser and the same game on the
// doubles can be compared line by line.

#include <cstdint>
#include <string>
#include <string_view>

#include "ports/canvas.h"

namespace quintora::call_log {

// A number in its shortest exact form: 7572.5, 2025, 0.2.
std::string number(double v);

std::string fill_rect(double x, double y, double w, double h, int palette);
std::string draw_picture(std::string_view name, double x, double y);
std::string draw_text(double x, double y, std::string_view text, int palette, double points);
std::string fill_circle(double cx, double cy, double r, int palette);
std::string show_icon(IconKind kind, int colour, double left, double top);
std::string refresh();

std::string message(std::string_view text, std::string_view caption);
std::string about(std::string_view text);
std::string ask_yes_no(std::string_view text, std::string_view caption);
std::string warning(std::string_view text, std::string_view caption);

std::string wait(double seconds);

// "dsPlay 101" and the like: an entry point with its one argument.
std::string sound_call(std::string_view entry, std::int32_t argument);
// `length`: what the wave image's RIFF header states.
std::string created_buffer(std::int32_t system, std::int32_t flags, std::uint32_t length, std::int32_t handle);

std::string end_process(int code);

}  // namespace quintora::call_log
