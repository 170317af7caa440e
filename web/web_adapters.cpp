// SPDX-License-Identifier: GPL-3.0-or-later
#include "web/web_adapters.h"

#include <emscripten.h>

#include <cstdlib>
#include <cstring>
#include <sstream>
#include <vector>

#include "ports/call_log.h"
#include "sound/wave_check.h"
#include "sound/wave_layout.h"
#include "lang/language.h"
#include "view/geometry.h"
#include "view/palette.h"

namespace quintora::web {

// --- calls into the page ------------------------------------------------------
// Positions reach the page in twips; it turns them into its own pixels.

EM_JS(int, page_logging, (), { return QuintoraUI.logging ? 1 : 0; });
EM_JS(void, page_log, (const char* line), { QuintoraUI.log(UTF8ToString(line)); });
EM_JS(void, page_fill_rect, (double x, double y, double w, double h, int rgb),
      { QuintoraUI.fillRect(x, y, w, h, rgb); });
EM_JS(void, page_draw_picture, (const char* name, double x, double y),
      { QuintoraUI.drawPicture(UTF8ToString(name), x, y); });
EM_JS(void, page_draw_text, (double x, double y, const char* text, int rgb, double points, int translated),
      { QuintoraUI.drawText(x, y, UTF8ToString(text), rgb, points, translated !== 0); });
EM_JS(void, page_fill_circle, (double cx, double cy, double r, int rgb), { QuintoraUI.fillCircle(cx, cy, r, rgb); });
EM_JS(void, page_show_icon, (int kind, int colour, double left, double top),
      { QuintoraUI.showIcon(kind, colour, left, top); });
EM_JS(void, page_present, (), { QuintoraUI.present(); });
EM_JS(void, page_hide_icon, (int kind, int colour), { QuintoraUI.hideIcon(kind, colour); });
// 1 for OK or Yes, 0 for No (Esc answers as the box's escape button).
EM_ASYNC_JS(int, page_box, (int kind, const char* text, const char* caption),
            { return await QuintoraUI.box(kind, UTF8ToString(text), UTF8ToString(caption)); });
EM_JS(double, page_pause_scale, (), { return QuintoraUI.pauseScale; });
EM_JS(void, page_set_mark, (int mark, int on), { QuintoraUI.setMark(mark, !!on); });
EM_JS(void, page_ended, (int code), { QuintoraUI.ended(code); });
EM_ASYNC_JS(void, page_never, (), { await new Promise(function() {}); });
EM_JS(int, page_audio_open, (), { return QuintoraUI.audioOpen() ? 1 : 0; });
EM_JS(int, page_audio_buffer, (int channels, int frames, int rate, const float* samples),
      { return QuintoraUI.audioBuffer(channels, frames, rate, HEAPF32.subarray(samples >> 2, (samples >> 2) + channels * frames)); });
EM_JS(int, page_audio_late, (int number), { return QuintoraUI.audioLate(number); });
EM_JS(int, page_late_size, (int number), { return QuintoraUI.lateSize(number); });
EM_JS(int, page_late_same, (int number), { return QuintoraUI.lateSame(number) ? 1 : 0; });
EM_JS(char*, page_late_name, (int number), { return allocateUTF8(QuintoraUI.lateName(number)); });
EM_JS(void, page_late_copy, (int number, unsigned char* to), { QuintoraUI.lateCopy(number, HEAPU8, to); });
EM_JS(void, page_audio_fill, (int number, int channels, int frames, int rate, const float* samples),
      { QuintoraUI.audioFill(number, channels, frames, rate, HEAPF32.subarray(samples >> 2, (samples >> 2) + channels * frames)); });
EM_JS(void, page_audio_play, (int handle, int loop), { QuintoraUI.audioPlay(handle, !!loop); });
EM_JS(void, page_audio_stop, (int handle), { QuintoraUI.audioStop(handle); });
EM_JS(void, page_audio_free, (int handle), { QuintoraUI.audioFree(handle); });
EM_JS(void, page_audio_close, (), { QuintoraUI.audioClose(); });
EM_JS(void, page_restore_file, (const char* name), { QuintoraUI.restoreFile(UTF8ToString(name)); });
EM_JS(int, page_save_file, (const char* name), { return QuintoraUI.saveFile(UTF8ToString(name)); });

bool logging() {
    static const bool on = page_logging() != 0;
    return on;
}

void log_line(const std::string& line) {
    if (logging()) page_log(line.c_str());
}

namespace {
std::string text_of(std::string_view s) { return std::string(s); }
int rgb(int palette) { return int(palette_rgb(palette)); }
}  // namespace

// --- canvas -------------------------------------------------------------------

void WebCanvas::fill_rect(double x, double y, double w, double h, int c) {
    let_go();
    if (logging()) log_line(call_log::fill_rect(x, y, w, h, c));
    page_fill_rect(x, y, w, h, rgb(c));
}

void WebCanvas::draw_picture(std::string_view name, double x, double y) {
    let_go();
    const std::string n = text_of(name);
    if (logging()) log_line(call_log::draw_picture(n, x, y));
    page_draw_picture(n.c_str(), x, y);
}

void WebCanvas::let_go() {
    if (const auto held = wording_.let_go())
        page_draw_text(held->x, held->y, held->shown.c_str(), rgb(held->palette), held->points, 0);
}

void WebCanvas::draw_text(double x, double y, std::string_view utf8, int c, double points) {
    const std::string t = text_of(utf8);
    if (logging()) log_line(call_log::draw_text(x, y, t, c, points));
    // The player's language here, at the page's edge; the log keeps the
    // game's own. " 12 " "手目" is drawn as "Move 12" from where the count's
    // row starts.
    for (const lang::Wording::Text& s : wording_.text(x, y, t, c, points, x >= twips_x(21), twips_x(21.5)))
        page_draw_text(s.x, s.y, s.shown.c_str(), rgb(s.palette), s.points, s.translated);
}

void WebCanvas::fill_circle(double cx, double cy, double r, int c) {
    let_go();
    if (logging()) log_line(call_log::fill_circle(cx, cy, r, c));
    page_fill_circle(cx, cy, r, rgb(c));
}

void WebCanvas::show_icon(IconKind kind, int colour, double left, double top) {
    let_go();
    if (logging()) log_line(call_log::show_icon(kind, colour, left, top));
    page_show_icon(kind == IconKind::man ? 0 : 1, colour, left, top);
}

void WebCanvas::hide_icon(IconKind kind, int colour) {
    let_go();
    page_hide_icon(kind == IconKind::man ? 0 : 1, colour);
}

// What is painted is shown at a refresh, as on the desktop (and when a box
// opens or the game waits for input: the page sees to those).
void WebCanvas::refresh() {
    let_go();
    if (logging()) log_line(call_log::refresh());
    page_present();
}

// --- boxes --------------------------------------------------------------------

int WebDialogs::show(int kind, std::string_view text, std::string_view caption) {
    if (before_box) before_box();
    return page_box(kind, lang::tr(text).c_str(), lang::tr(box_title(caption)).c_str());
}

void WebDialogs::message(std::string_view text, std::string_view caption) {
    if (logging()) log_line(call_log::message(text, caption));
    show(0, text, caption);
}

void WebDialogs::about(std::string_view text) {
    if (logging()) log_line(call_log::about(text));
    show(0, text, "Quintora");
}

bool WebDialogs::ask_yes_no(std::string_view text, std::string_view caption) {
    if (logging()) log_line(call_log::ask_yes_no(text, caption));
    return show(1, text, caption) == 1;
}

void WebDialogs::warning(std::string_view text, std::string_view caption) {
    if (logging()) log_line(call_log::warning(text, caption));
    show(2, text, caption);
}

// --- pause --------------------------------------------------------------------

void WebPause::wait(double seconds) {
    if (logging()) log_line(call_log::wait(seconds));
    // The page runs on meanwhile (painting, queueing presses); the game does not.
    const double ms = seconds * 1000.0 * page_pause_scale();
    emscripten_sleep(ms > 0 ? unsigned(ms + 0.5) : 0);
}

// --- sound --------------------------------------------------------------------

std::int32_t WebSound::dsInitialize(std::int32_t window) {
    if (logging()) log_line(call_log::sound_call("dsInitialize", window));
    if (system_ == 0 && page_audio_open()) system_ = 1;
    return system_;
}

namespace {
// Where the samples of a PCM wave are, or nothing when the image is no wave
// this reader plays: 8-bit unsigned, 16, 24 or 32-bit signed PCM, walked by
// the same chunk reader as the game's check.
struct Pcm {
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    wave::Format format;
};

bool find_pcm(const unsigned char* bytes, Pcm& pcm) {
    if (std::memcmp(bytes, "RIFF", 4) != 0 || std::memcmp(bytes + 8, "WAVE", 4) != 0) return false;
    const std::uint32_t riff_size = wave::le32(bytes + 4);
    if (riff_size < 4 || riff_size > 64u * 1024u * 1024u) return false;
    const std::size_t length = std::size_t(riff_size) + 8;
    const wave::Layout layout = wave::walk(bytes, length);
    if (layout.fault != wave::Fault::none) return false;
    const wave::Format format = layout.format;
    std::size_t at = 12;
    const unsigned char* data = nullptr;
    std::size_t size = 0;
    bool pcm_format = false;
    while (at + 8 <= length) {
        const std::uint32_t chunk = wave::le32(bytes + at + 4);
        if (std::memcmp(bytes + at, "fmt ", 4) == 0) pcm_format = wave::le16(bytes + at + 8) == 1;
        if (std::memcmp(bytes + at, "data", 4) == 0) {
            data = bytes + at + 8;
            size = chunk;
            break;
        }
        at += 8 + std::size_t(chunk) + (chunk & 1u);
    }
    const std::uint32_t sample_bytes = format.bits / 8;
    // The rule (wave::playable) the walk has applied; the page decodes plain
    // PCM of whole bytes only.
    if (!pcm_format || data == nullptr || sample_bytes < 1 || sample_bytes > 4 ||
        format.block_align != sample_bytes * format.channels)
        return false;
    if (size / format.block_align == 0) return false;
    pcm = Pcm{data, size, format};
    return true;
}

// The samples as floats, channels interleaved.
std::vector<float> samples_of(const Pcm& pcm) {
    const std::uint32_t sample_bytes = pcm.format.bits / 8;
    const std::size_t frames = pcm.size / pcm.format.block_align;
    std::vector<float> out(frames * pcm.format.channels);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned char* p = pcm.data + i * sample_bytes;
        switch (sample_bytes) {
            case 1: out[i] = (float(p[0]) - 128.0f) / 128.0f; break;
            case 2: out[i] = float(std::int16_t(wave::le16(p))) / 32768.0f; break;
            case 3: out[i] = float(std::int32_t(wave::le32(p - 1) & 0xFFFFFF00u)) / 2147483648.0f; break;
            default: out[i] = float(std::int32_t(wave::le32(p))) / 2147483648.0f; break;
        }
    }
    return out;
}

// The page writes a stand-in for each wave that has not arrived yet: the
// file's own bytes with its samples blank but for this mark and the wave's
// number at their start. Such a wave gets a buffer whose samples come later.
constexpr char late_mark[] = "QuintoraLateWave";
constexpr std::size_t late_mark_size = sizeof(late_mark) - 1;

int late_wave_number(const Pcm& pcm) {
    if (pcm.size < late_mark_size + 4 || std::memcmp(pcm.data, late_mark, late_mark_size) != 0) return -1;
    return int(wave::le32(pcm.data + late_mark_size));
}
}  // namespace

std::int32_t WebSound::dsCreateDSB(std::int32_t system, const void* image, std::int32_t flags) {
    const auto* b = static_cast<const unsigned char*>(image);
    std::int32_t handle = 0;
    Pcm pcm;
    if (system != 0 && system == system_ && image != nullptr && find_pcm(b, pcm)) {
        const int late = late_wave_number(pcm);
        if (late >= 0) handle = page_audio_late(late);
        if (handle == 0) {
            const std::vector<float> samples = samples_of(pcm);
            handle = page_audio_buffer(int(pcm.format.channels), int(samples.size() / pcm.format.channels),
                                       int(pcm.format.rate), samples.data());
        }
    }
    if (logging()) {
        const std::uint32_t len = wave::le32(b + 4);
        log_line(call_log::created_buffer(system, flags, len, handle));
    }
    return handle;
}

std::optional<std::string> take_late_wave(int number) {
    char* held = page_late_name(number);
    const std::string name = held;
    std::free(held);
    const int size = page_late_size(number);
    // Said as the desktop says a wave file it cannot read or finds damaged.
    if (size < 0) return "「" + name + "」を読み込めません。";
    std::vector<unsigned char> bytes(std::size_t(size) + 8, 0);
    if (size > 0) page_late_copy(number, bytes.data());
    if (auto fault = 調査_波形(bytes.data(), std::size_t(size))) return "「" + name + "」: " + *fault;
    // A whole wave, but not the one the stand-in was made from: silence.
    if (!page_late_same(number)) return std::nullopt;
    // The file is the one the stand-in was made from (the page has compared
    // them), so it reads as the game read the stand-in.
    Pcm pcm;
    if (!find_pcm(bytes.data(), pcm) || late_wave_number(pcm) >= 0) return std::nullopt;
    const std::vector<float> samples = samples_of(pcm);
    page_audio_fill(number, int(pcm.format.channels), int(samples.size() / pcm.format.channels),
                    int(pcm.format.rate), samples.data());
    return std::nullopt;
}

void WebSound::dsPlay(std::int32_t b) {
    if (logging()) log_line(call_log::sound_call("dsPlay", b));
    if (b != 0) page_audio_play(b, 0);
}

void WebSound::dsPlayLooping(std::int32_t b) {
    if (logging()) log_line(call_log::sound_call("dsPlayLooping", b));
    if (b != 0) page_audio_play(b, 1);
}

void WebSound::dsStop(std::int32_t b) {
    if (logging()) log_line(call_log::sound_call("dsStop", b));
    if (b != 0) page_audio_stop(b);
}

void WebSound::dsFree(std::int32_t b) {
    if (logging()) log_line(call_log::sound_call("dsFree", b));
    if (b != 0) page_audio_free(b);
}

void WebSound::dsTerminate(std::int32_t s) {
    if (logging()) log_line(call_log::sound_call("dsTerminate", s));
    if (s != 0 && s == system_) {
        page_audio_close();
        system_ = 0;
    }
}

// --- check marks, exit, settings ----------------------------------------------

void WebMarks::set_checked(Mark m, bool on) {
    ticks_[int(m)] = on;
    page_set_mark(int(m), on ? 1 : 0);
}

void WebExit::end_process(int code) {
    if (logging()) log_line(call_log::end_process(code));
    page_ended(code);
    // A page cannot close itself: the program stops here for good, and the
    // page offers to start again.
    page_never();
    std::abort();
}

void restore_settings(const char* name) { page_restore_file(name); }
bool save_settings(const char* name) { return page_save_file(name) != 0; }

}  // namespace quintora::web
