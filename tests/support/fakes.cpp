// SPDX-License-Identifier: GPL-3.0-or-later
#include "support/fakes.h"

#include "ports/call_log.h"

#include <stdexcept>

#include <fstream>
#include <iterator>

#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <utility>

namespace quintora::testing {

std::vector<std::string> Log::with(const std::string& prefix) const {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.rfind(prefix, 0) == 0) out.push_back(l);
    return out;
}

long Log::find(const std::string& prefix, long from) const {
    if (from < 0) return -1;
    for (std::size_t i = std::size_t(from); i < lines.size(); ++i)
        if (lines[i].rfind(prefix, 0) == 0) return long(i);
    return -1;
}

std::string fmt(double v) { return call_log::number(v); }

namespace {
std::pair<int, int> cell_at(double x, double y) {
    const double cx = (x - grid_origin_x) / cell_width;
    const double cy = (y - grid_origin_y) / cell_height;
    return {int(std::floor(cx)), int(std::floor(cy))};
}
}  // namespace

void RecordingCanvas::fill_rect(double x, double y, double w, double h, int c) {
    log.add(call_log::fill_rect(x, y, w, h, c));
}
void RecordingCanvas::draw_picture(std::string_view name, double x, double y) {
    log.add(call_log::draw_picture(name, x, y));
    cell_picture[cell_at(x, y)] = std::string(name);
}
void RecordingCanvas::draw_text(double x, double y, std::string_view t, int c, double pt) {
    log.add(call_log::draw_text(x, y, t, c, pt));
}
void RecordingCanvas::fill_circle(double cx, double cy, double r, int c) {
    log.add(call_log::fill_circle(cx, cy, r, c));
}
void RecordingCanvas::show_icon(IconKind k, int colour, double left, double top) {
    log.add(call_log::show_icon(k, colour, left, top));
    auto& shown = icon_shown[{int(k), colour}];
    if (!shown) ++visible_icons;
    shown = true;
}
void RecordingCanvas::hide_icon(IconKind k, int colour) {
    auto& shown = icon_shown[{int(k), colour}];
    if (shown) --visible_icons;
    shown = false;
}

void ScriptedDialogs::message(std::string_view text, std::string_view caption) {
    log.add(call_log::message(text, caption));
    if (log.count("box ") > max_boxes) throw std::runtime_error("box after box: the game runs away");
}
void ScriptedDialogs::about(std::string_view text) { log.add(call_log::about(text)); }
bool ScriptedDialogs::ask_yes_no(std::string_view text, std::string_view caption) {
    log.add(call_log::ask_yes_no(text, caption));
    if (on_ask) std::exchange(on_ask, nullptr)();
    if (answers.empty()) return true;
    const bool a = answers.front();
    answers.pop_front();
    return a;
}
void ScriptedDialogs::warning(std::string_view text, std::string_view caption) {
    log.add(call_log::warning(text, caption));
}

void RecordingPause::wait(double s) {
    total += s;
    log.add(call_log::wait(s));
}

std::int32_t FakeSound::dsInitialize(std::int32_t w) {
    log.add(call_log::sound_call("dsInitialize", w));
    return system_handle;
}
std::int32_t FakeSound::dsCreateDSB(std::int32_t s, const void* image, std::int32_t flags) {
    const auto* b = static_cast<const unsigned char*>(image);
    const std::uint32_t len = b[4] | b[5] << 8 | b[6] << 16 | std::uint32_t(b[7]) << 24;
    const std::int32_t h = next_buffer++;
    log.add(call_log::created_buffer(s, flags, len, h));
    if (in_place) images.push_back(b);
    return h;
}

void ThrowingExit::end_process(int code) {
    log.add(call_log::end_process(code));
    throw ProcessEnded{code};
}

ScratchFolder::ScratchFolder(bool with_waves) {
    namespace fs = std::filesystem;
    previous_ = fs::current_path();
    std::string templ = (fs::temp_directory_path() / "quintora-test-XXXXXX").string();
    dir_ = mkdtemp(templ.data());
    if (with_waves)
        for (const char* w : {"その他.wav", "禁止.wav", "石打音.wav", "終局.wav", "BGM.wav"})
            fs::create_symlink(fs::u8path(std::string(QUINTORA_WAVES_DIR) + "/" + w), dir_ / fs::u8path(w));
    fs::current_path(dir_);
}

ScratchFolder::~ScratchFolder() {
    namespace fs = std::filesystem;
    std::error_code ec;
    fs::current_path(previous_, ec);
    // A test may have taken permissions away; give them back so all can go.
    // Not through the links to the committed waves: that would change the
    // modes of the repository's own files.
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec);
    for (auto& e : fs::recursive_directory_iterator(dir_, ec))
        if (!e.is_symlink(ec)) fs::permissions(e.path(), fs::perms::owner_all, fs::perm_options::add, ec);
    fs::remove_all(dir_, ec);
}

void Harness::put(int colour, int x, int y) {
    // Through the one path that puts a stone down: a person's press, for
    // whichever colour, leaving mode, turn and log as they were.
    const i16 mode = s.game_mode, turn = s.to_move, resume = s.resume_pending;
    const std::size_t logged = log.lines.size();
    s.game_mode = mode_four;
    s.to_move = i16(colour);
    s.resume_pending = flag_no;
    press(x, y);
    s.game_mode = mode;
    s.to_move = turn;
    s.resume_pending = resume;
    log.lines.resize(logged);
}

std::string read_bytes(const std::filesystem::path& p) {
    std::ifstream in(p, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), {});
}

void write_bytes(const std::filesystem::path& p, const std::string& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
}

std::string riff_image(std::uint32_t stated, std::size_t payload) {
    std::string w = "RIFF";
    for (int i = 0; i < 4; ++i) w.push_back(char((stated >> (8 * i)) & 0xFF));
    w += "WAVE";
    w.append(payload, '\0');
    return w;
}

}  // namespace quintora::testing
