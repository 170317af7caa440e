// SPDX-License-Identifier: GPL-3.0-or-later
#include "ports/call_log.h"

#include <sstream>

namespace quintora::call_log {

std::string number(double v) {
    std::ostringstream o;
    o.imbue(std::locale::classic());
    o.precision(10);
    o << v;
    return o.str();
}

namespace {
std::string s(std::string_view v) { return std::string(v); }
std::string n(double v) { return number(v); }
std::string i(long long v) { return std::to_string(v); }
}  // namespace

std::string fill_rect(double x, double y, double w, double h, int c) {
    return "rect " + n(x) + " " + n(y) + " " + n(w) + " " + n(h) + " " + i(c);
}
std::string draw_picture(std::string_view name, double x, double y) { return "pic " + s(name) + " " + n(x) + " " + n(y); }
std::string draw_text(double x, double y, std::string_view t, int c, double pt) {
    return "text " + n(x) + " " + n(y) + " '" + s(t) + "' " + i(c) + " " + n(pt);
}
std::string fill_circle(double cx, double cy, double r, int c) {
    return "circle " + n(cx) + " " + n(cy) + " " + n(r) + " " + i(c);
}
std::string show_icon(IconKind kind, int colour, double left, double top) {
    return std::string("icon show ") + (kind == IconKind::man ? "man" : "com") + " " + i(colour) + " " + n(left) + " " +
           n(top);
}
std::string refresh() { return "refresh"; }

std::string message(std::string_view text, std::string_view caption) { return "box " + s(text) + "|" + s(caption); }
std::string about(std::string_view text) { return "about " + s(text); }
std::string ask_yes_no(std::string_view text, std::string_view caption) {
    return "ask " + s(text) + "|" + s(caption);
}
std::string warning(std::string_view text, std::string_view caption) {
    return "warning " + s(text) + "|" + s(caption);
}

std::string wait(double seconds) { return "wait " + n(seconds); }

std::string sound_call(std::string_view entry, std::int32_t argument) { return s(entry) + " " + i(argument); }
std::string created_buffer(std::int32_t system, std::int32_t flags, std::uint32_t length, std::int32_t handle) {
    return "dsCreateDSB " + i(system) + " flags " + i(flags) + " len " + i(length) + " -> " + i(handle);
}

std::string end_process(int code) { return "exit " + i(code); }

}  // namespace quintora::call_log
