// SPDX-License-Identifier: GPL-3.0-or-later
// Sound library of Quintora on SDL2 alone. See quintora_dll.h for the
// contract with the game.
//
// SDL decodes each wave image once (SDL_LoadWAV_RW: the samples in their own
// format, which is the library's copy), converts the playing sounds to the
// device's format as they play (one SDL_AudioStream per playback whose
// format differs, so the 22 kHz music is never held resampled), and mixes
// them (SDL_MixAudioFormat). The game plays only PCM waves; SDL2_mixer and
// the codec libraries it brings are not needed for that.
//
// Two outputs, each an SDL audio device of its own: one for the music loop,
// one for the effects. A sound server asks a stream for more samples in
// pieces of about a quarter of the buffer the stream was opened with (SDL's
// PulseAudio driver opens it with a target length of one device buffer and
// leaves the request size to the server), and SDL's audio thread wakes for
// every piece: with one buffer of 2048 frames that was 86 requests and about
// 140 wake-ups a second, for as long as the music played. A longer buffer
// wakes less but puts everything mixed later that far behind. So the music,
// which only starts and stops, plays from a long buffer, and the effects,
// which must be heard at once, from a short one that is opened when an
// effect starts and released after a short silence.
//
// An output with nothing to play is closed, so that the sound server can
// suspend its sink: an open stream, even a starved one, keeps the sink
// running. The music output closes as soon as the loop stops (which also
// silences at once what the server still holds of the music), the effects
// output after `effects_linger` of silence. The next sound opens it again.
// Opening and closing is done by the library's own keeper thread, so the
// game's calls return at once. SDL takes its time to close a device: twice
// the device's buffer, and before that a wait for the sound server's next
// request, up to two seconds with the music's buffer. So each device is
// closed by a thread of its own, while the keeper goes on opening what the
// next sounds need (where the driver has a single device, the keeper waits
// for the close instead). When SDL reports a device lost (the sound
// server went away), the keeper closes it and opens it again: every sound
// starts over from its beginning, the music from the start of its loop.
// While a loop wants an output that cannot be opened, it tries again every
// `reopen_interval`; effects that cannot be played at once are dropped.
//
// Some of SDL's drivers have a single device that opens only once (its dummy
// and disk drivers, JACK): there the second output cannot open while the
// first is, and the music and the effects share the effects' output.
//
// Threads: the game's GUI thread calls the entry points; SDL's audio thread
// of each open output calls `mix`; the keeper opens and closes. The lists of
// playbacks and the outputs' states are shared under `State::lock`; the
// buffers belong to the GUI thread. The audio threads never call back into
// the game.
//
// While an open output has nothing to play, `mix` waits on a condition
// variable instead of returning silence: SDL's audio thread would otherwise
// go on waking to write silence. The next sound wakes `mix` at once, and what
// it mixes then is what the device plays next.
#include "sound/library/quintora_dll.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <list>
#include <map>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sound/wave_layout.h"

#ifndef QUINTORA_APP_ID
#define QUINTORA_APP_ID "org.example.quintora"
#endif

namespace {

namespace wave = quintora::wave;
using Clock = std::chrono::steady_clock;

constexpr int sample_rate = 44100;
constexpr Uint8 output_channels = 2;
constexpr SDL_AudioFormat output_format = AUDIO_S16SYS;
// Device buffers, in frames. The music's is long: about 372 ms, which a
// PulseAudio server asks for in pieces of about a quarter, so that SDL's
// audio thread wakes about nine times a second while the music plays (at
// 186 ms it was about 25). Nothing waits on it: the music only starts, and
// a stop closes its output at once. The effects' is short, so that an
// effect is heard within a few tens of milliseconds even while others play.
constexpr Uint16 music_frames = 16384;
constexpr Uint16 effects_frames = 1024;
// How long the effects output stays open with nothing to play: long enough
// that the clicks of a game in progress do not open and close it each time,
// short enough that a game left alone lets the sound server sleep.
constexpr auto effects_linger = std::chrono::seconds(2);
// How often a loop that has lost its output tries to open it again.
constexpr auto reopen_interval = std::chrono::seconds(2);
// Enough for the music loop plus a burst of stone clicks.
constexpr std::size_t max_playbacks = 64;
// The largest wave file the game reads; a header claiming more is broken,
// and must not make us read that far past the caller's data.
constexpr std::uint32_t max_riff_size = wave::largest_image;
// Source bytes handed to a playback's converter at a time, in frames.
constexpr Uint32 feed_frames = 1024;

// A buffer: the decoded samples in the format they came in.
struct Sound {
    SDL_AudioSpec format{};  // as the wave stores its samples
    Uint8* samples = nullptr;  // from SDL_LoadWAV_RW, released with SDL_FreeWAV
    Uint32 bytes = 0;          // whole frames only
    Uint32 frame_bytes = 0;
    bool owned = true;  // false: the caller's image, read where it lies
};

void release(Sound& s) {
    if (s.owned) SDL_FreeWAV(s.samples);
}

// One running playback of a buffer. Touched by the audio thread, and by the
// other threads only under the lock.
struct Playback {
    std::int32_t buffer = 0;
    const Sound* sound = nullptr;
    SDL_AudioStream* convert = nullptr;  // nullptr when the sound is in the device's format
    Uint32 position = 0;                  // next byte of `sound` to play or convert
    bool looping = false;
    bool flushed = false;  // the converter has been told the sound ends
    bool widen = false;    // mono at the device's rate: each sample goes to both channels
};

struct Opened;

// One SDL audio device and what plays on it.
struct Output {
    Uint16 frames = 0;                // device buffer
    Clock::duration linger{};         // open with nothing to play for this long, then closed
    SDL_AudioDeviceID device = 0;     // under `lock`; 0 while closed
    Opened* opened = nullptr;         // under `lock`: what `mix` of `device` is given
    std::vector<Playback> playing;    // under `lock`
    std::uint64_t generation = 0;     // under `lock`: counts the devices opened; a closing one is behind
    bool lost = false;                // under `lock`: SDL reported the device gone
    Clock::time_point idle_since{};   // under `lock`: when `playing` last became empty
    Clock::time_point reopen_at{};    // under `lock`: while closed, not to be opened before this
    std::condition_variable wake;     // `mix` waits on it for something to play
    std::vector<Uint8> scratch;       // the audio thread's, sized while the device is closed
};

enum { music_output = 0, effects_output = 1 };

// What SDL hands `mix` of the device it calls for: the output, and which of
// its devices this is. A device being closed is no longer the output's
// latest, and gets silence.
struct Opened {
    Output* output = nullptr;
    std::uint64_t generation = 0;
};

// A device being closed by a thread of its own.
struct Closing {
    std::thread thread;
    bool done = false;  // under `lock`: the thread has closed it and may be joined
};

struct State {
    std::int32_t system = 0;  // handle of the open sound system, 0 when closed
    std::int32_t last_system_handle = 0;
    std::int32_t last_buffer_handle = 0;
    std::map<std::int32_t, Sound> buffers;  // node-based: a Sound never moves while it lives

    std::mutex lock;
    Output outputs[2];
    bool one_output = false;  // the driver opens one device only: everything plays on the effects' output
    std::thread keeper;
    std::list<Closing> closing;  // under `lock`; node-based, so a thread's entry stays put
    std::condition_variable keeper_wake;
    bool keeper_quit = false;  // under `lock`
};

// Never destroyed: the process may end while SDL's audio thread waits on an
// output's `wake`, and destroying a condition variable that has a waiter
// blocks for ever.
State& state = *new State;

Sound* find_buffer(std::int32_t handle) {
    if (handle <= 0 || state.system == 0) return nullptr;
    auto it = state.buffers.find(handle);
    return it == state.buffers.end() ? nullptr : &it->second;
}

bool same_as_device(const SDL_AudioSpec& f) {
    return f.format == output_format && f.channels == output_channels && f.freq == sample_rate;
}

// Mono in the device's sample format and rate (the game's effects): put into
// both channels as it is mixed, without a converter of SDL's, whose buffers
// run to hundreds of kilobytes for each sound playing.
bool mono_of_device(const SDL_AudioSpec& f) {
    return f.format == output_format && f.channels == 1 && f.freq == sample_rate;
}

void release(Playback& p) {
    if (p.convert != nullptr) SDL_FreeAudioStream(p.convert);
    p.convert = nullptr;
}

// Back to the first sample, as if it had just started.
void rewind(Playback& p) {
    p.position = 0;
    p.flushed = false;
    if (p.convert != nullptr) SDL_AudioStreamClear(p.convert);
}

// Under the lock: `o` has just run out of sounds.
void note_idle(Output& o) {
    o.idle_since = Clock::now();
    state.keeper_wake.notify_one();
}

// Up to `want` bytes of `p` in the device's format into `out`; fewer only
// when the sound has ended.
int pull(Playback& p, Uint8* out, int want) {
    const Sound& s = *p.sound;
    if (p.widen) {
        constexpr Uint32 sample = sizeof(Sint16);
        int got = 0;
        while (got + int(2 * sample) <= want) {
            if (p.position + sample > s.bytes) {
                if (!p.looping) break;
                p.position = 0;
            }
            std::memcpy(out + got, s.samples + p.position, sample);
            std::memcpy(out + got + sample, s.samples + p.position, sample);
            p.position += sample;
            got += int(2 * sample);
        }
        return got;
    }
    if (p.convert == nullptr) {
        int got = 0;
        while (got < want) {
            if (p.position == s.bytes) {
                if (!p.looping) break;
                p.position = 0;
            }
            const Uint32 n = std::min<Uint32>(s.bytes - p.position, static_cast<Uint32>(want - got));
            std::memcpy(out + got, s.samples + p.position, n);
            p.position += n;
            got += static_cast<int>(n);
        }
        return got;
    }
    while (SDL_AudioStreamAvailable(p.convert) < want && !p.flushed) {
        if (p.position == s.bytes) {
            if (p.looping) {
                p.position = 0;  // the converter runs on across the seam, so the loop joins smoothly
            } else {
                SDL_AudioStreamFlush(p.convert);
                p.flushed = true;
                break;
            }
        }
        const Uint32 n = std::min<Uint32>(s.bytes - p.position, feed_frames * s.frame_bytes);
        if (SDL_AudioStreamPut(p.convert, s.samples + p.position, static_cast<int>(n)) != 0) return 0;
        p.position += n;
    }
    return std::max(0, SDL_AudioStreamGet(p.convert, out, want));
}

// Mixes everything playing on `o` into `out` (silence already), as far as
// its scratch space reaches; playbacks that end are dropped. Under the lock.
void mix_into(Output& o, Uint8* out, int len) {
    if (o.scratch.size() < static_cast<std::size_t>(len)) return;
    for (auto it = o.playing.begin(); it != o.playing.end();) {
        int filled = 0;
        while (filled < len) {
            const int got = pull(*it, o.scratch.data(), len - filled);
            if (got <= 0) break;
            SDL_MixAudioFormat(out + filled, o.scratch.data(), output_format, static_cast<Uint32>(got),
                               SDL_MIX_MAXVOLUME);
            filled += got;
        }
        if (filled < len) {  // it has ended
            release(*it);
            it = o.playing.erase(it);
        } else {
            ++it;
        }
    }
}

// SDL's audio callback of the output `userdata`: fills `out` with the sum of
// everything playing there.
void SDLCALL mix(void* userdata, Uint8* out, int len) {
    const Opened& device = *static_cast<const Opened*>(userdata);
    Output& o = *device.output;
    std::memset(out, 0, static_cast<std::size_t>(len));  // silence of signed samples
    std::unique_lock<std::mutex> guard(state.lock);
    const auto closing = [&] { return device.generation != o.generation; };
    if (closing()) return;
    // A device SDL has given up on (the server went away) goes on calling
    // here with nothing reaching the server: leave the sounds where they are
    // and let the keeper open a new one.
    if (!o.lost && o.device != 0 && SDL_GetAudioDeviceStatus(o.device) == SDL_AUDIO_STOPPED) {
        o.lost = true;
        state.keeper_wake.notify_one();
    }
    if (o.lost) return;
    o.wake.wait(guard, [&] { return !o.playing.empty() || closing(); });
    if (closing()) return;
    mix_into(o, out, len);
    if (o.playing.empty()) note_idle(o);
}

// Opens `o`'s device and starts it; false when there is no device to be had.
// Called with `guard` held; lets go of it while SDL opens the device.
bool open_output(Output& o, std::unique_lock<std::mutex>& guard) {
    SDL_AudioSpec want{};
    want.freq = sample_rate;
    want.format = output_format;
    want.channels = output_channels;
    want.samples = o.frames;
    auto* opened = new Opened{&o, ++o.generation};
    want.callback = mix;
    want.userdata = opened;
    // No changes are allowed below, so SDL hands `mix` buffers of exactly
    // this size; sized now, while no audio thread of `o` mixes (a device
    // still closing gets silence without touching it).
    o.scratch.assign(std::size_t(o.frames) * output_channels * SDL_AUDIO_BITSIZE(output_format) / 8, 0);
    o.lost = false;
    guard.unlock();
    // SDL converts to whatever the device really takes, so `mix` always
    // works in the format above. A device opens paused, and its thread
    // sends the server a buffer of silence for every turn it finds it
    // paused, which would go before the sound that opened it: so it is
    // started the moment it exists.
    const SDL_AudioDeviceID device = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
    if (device != 0) SDL_PauseAudioDevice(device, 0);
    guard.lock();
    if (device == 0) {
        delete opened;
        return false;
    }
    o.device = device;
    o.opened = opened;
    if (o.playing.empty()) o.idle_since = Clock::now();
    return true;
}

// Starts closing `o`'s device; what still plays there stays in its list,
// for the next device. Under the lock, which `guard` holds; where the
// driver has a single device, lets go of it until the device is closed.
void close_output(Output& o, std::unique_lock<std::mutex>& guard) {
    const SDL_AudioDeviceID device = o.device;
    if (device == 0) return;
    Opened* const opened = o.opened;
    o.device = 0;
    o.opened = nullptr;
    ++o.generation;      // `mix` of the old device returns silence from now on
    o.wake.notify_all();  // and SDL closes a device only once its callback has returned
    Closing& c = state.closing.emplace_back();
    c.thread = std::thread([device, opened, &c] {
        SDL_CloseAudioDevice(device);
        delete opened;
        SDL_TLSCleanup();  // SDL frees its per-thread error text itself only in threads of its own
        std::lock_guard<std::mutex> g(state.lock);
        c.done = true;
        state.keeper_wake.notify_all();
    });
    if (state.one_output) {
        // The single device must be closed before it can be opened again.
        guard.unlock();
        c.thread.join();
        guard.lock();
        state.closing.remove_if([&c](const Closing& x) { return &x == &c; });
    }
}

// Joins the threads that have closed their devices; with `all`, waits for
// every one. Under the lock, which `guard` holds.
void reap_closed(std::unique_lock<std::mutex>& guard, bool all) {
    for (auto it = state.closing.begin(); it != state.closing.end();) {
        if (!it->done && !all) {
            ++it;
            continue;
        }
        guard.unlock();
        it->thread.join();
        guard.lock();
        it = state.closing.erase(it);
    }
}

// The keeper thread: opens an output when something wants to play on it,
// closes it after its silence, and replaces a lost one.
void look_after_outputs() {
    std::unique_lock<std::mutex> guard(state.lock);
    while (!state.keeper_quit) {
        reap_closed(guard, false);
        bool acted = false;
        for (Output& o : state.outputs) {
            const auto now = Clock::now();
            if (o.device != 0 && (o.lost || (o.playing.empty() && now - o.idle_since >= o.linger))) {
                const bool lost = o.lost;
                close_output(o, guard);
                if (lost) {
                    o.lost = false;
                    o.reopen_at = Clock::time_point{};
                    for (Playback& p : o.playing) rewind(p);
                }
                acted = true;
            } else if (o.device == 0 && !o.playing.empty() && now >= o.reopen_at) {
                if (!open_output(o, guard)) {
                    // An effect is not kept waiting for a server that may
                    // never come back; the loop tries again later.
                    for (auto it = o.playing.begin(); it != o.playing.end();) {
                        if (it->looping) {
                            ++it;
                        } else {
                            release(*it);
                            it = o.playing.erase(it);
                        }
                    }
                    o.reopen_at = Clock::now() + reopen_interval;
                }
                acted = true;
            }
            if (state.keeper_quit) return;
        }
        if (acted) continue;  // the clock has moved on: look again

        Clock::time_point next = Clock::time_point::max();
        for (const Output& o : state.outputs) {
            if (o.device != 0 && o.playing.empty()) next = std::min(next, o.idle_since + o.linger);
            if (o.device == 0 && !o.playing.empty()) next = std::min(next, o.reopen_at);
        }
        if (next == Clock::time_point::max()) {
            state.keeper_wake.wait(guard);
        } else {
            state.keeper_wake.wait_until(guard, next);
        }
    }
}

void keep_outputs() {
    look_after_outputs();
    // SDL keeps its error text per thread, and frees it itself only for
    // threads of its own.
    SDL_TLSCleanup();
}

// Ends the keeper and closes both outputs; their playbacks stay listed. The
// sound system stays open, for dsTerminate to finish.
void close_outputs() {
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.keeper_quit = true;
        state.keeper_wake.notify_all();
    }
    if (state.keeper.joinable()) state.keeper.join();
    std::unique_lock<std::mutex> guard(state.lock);
    for (Output& o : state.outputs) close_output(o, guard);
    reap_closed(guard, true);
}

// Adds a playback of `handle`, the music's output for a loop, the effects'
// otherwise; false when too many play already or SDL cannot convert it.
bool start(std::int32_t handle, const Sound& sound, bool looping) {
    Playback p;
    p.buffer = handle;
    p.sound = &sound;
    p.looping = looping;
    p.widen = mono_of_device(sound.format);
    if (!same_as_device(sound.format) && !p.widen) {
        p.convert = SDL_NewAudioStream(sound.format.format, sound.format.channels, sound.format.freq, output_format,
                                       output_channels, sample_rate);
        if (p.convert == nullptr) return false;
    }
    std::lock_guard<std::mutex> guard(state.lock);
    std::size_t playing = 0;
    for (const Output& o : state.outputs) playing += o.playing.size();
    if (playing >= max_playbacks) {
        release(p);
        return false;
    }
    Output& o = state.outputs[looping && !state.one_output ? music_output : effects_output];
    o.playing.push_back(p);
    if (o.device == 0) {
        o.reopen_at = Clock::time_point{};  // a new sound is worth trying at once
        state.keeper_wake.notify_one();
    } else {
        o.wake.notify_one();
    }
    return true;
}

// Ends every playback of `handle`, or of every buffer with 0.
void stop(std::int32_t handle) {
    std::lock_guard<std::mutex> guard(state.lock);
    for (Output& o : state.outputs) {
        const bool was_playing = !o.playing.empty();
        for (auto it = o.playing.begin(); it != o.playing.end();) {
            if (handle == 0 || it->buffer == handle) {
                release(*it);
                it = o.playing.erase(it);
            } else {
                ++it;
            }
        }
        if (was_playing && o.playing.empty()) note_idle(o);
    }
}

// Length of the wave image from its RIFF header, or 0 when the 12 bytes at
// `image` are not a RIFF/WAVE header with a believable size.
std::size_t wave_image_length(const void* image) {
    if (image == nullptr) return 0;
    const auto* bytes = static_cast<const unsigned char*>(image);
    if (std::memcmp(bytes, "RIFF", 4) != 0) return 0;
    const std::uint32_t riff_size = wave::le32(bytes + 4);
    if (riff_size < 4 || riff_size > max_riff_size) return 0;
    if (std::memcmp(bytes + 8, "WAVE", 4) != 0) return 0;
    return static_cast<std::size_t>(riff_size) + 8;
}

// True when SDL can be given the `length` bytes of the image: every chunk
// lies inside it (SDL reserves the size a chunk states before reading it, so
// a file of a few dozen bytes could claim gigabytes), there is one format
// chunk and then one data chunk, as SDL's loader reads them, and a format
// within the game's rule (wave::playable), which SDL's converter can take.
bool image_fits_sdl(const unsigned char* bytes, std::size_t length) {
    return wave::walk(bytes, length).fault == wave::Fault::none;
}

// The samples of a wave that fits SDL, where the image holds them, when SDL's
// loader would hand them over unchanged: 8-bit unsigned or 16-bit signed PCM.
bool samples_in_place(const unsigned char* bytes, std::size_t length, Sound& sound) {
    bool pcm = false;
    for (std::size_t at = 12; at + 8 <= length;) {
        const std::uint32_t size = wave::le32(bytes + at + 4);
        const unsigned char* body = bytes + at + 8;
        if (std::memcmp(bytes + at, "fmt ", 4) == 0) {
            const std::uint32_t channels = wave::le16(body + 2), bits = wave::le16(body + 14);
            // A block that is not one frame is SDL's to turn away.
            pcm = wave::le16(body) == 1 && (bits == 8 || bits == 16) && wave::le16(body + 12) == channels * bits / 8;
            if (!pcm) return false;
            sound.format.freq = static_cast<int>(wave::le32(body + 4));
            sound.format.format = bits == 8 ? AUDIO_U8 : AUDIO_S16LSB;
            sound.format.channels = static_cast<Uint8>(channels);
        } else if (std::memcmp(bytes + at, "data", 4) == 0) {
            if (!pcm) return false;
            sound.samples = const_cast<Uint8*>(body);
            sound.bytes = size;
            sound.owned = false;
            return true;
        }
        at += 8 + std::size_t(size) + (size & 1u);
    }
    return false;
}

// PulseAudio's clients read extra properties of their connection from
// PULSE_PROP, and SDL's driver has no other way to pass them: the role tells
// the server (and a desktop's volume control) that this is a game's sound,
// the icon name is the desktop id, which finds the game's own icon. Whatever
// the environment already says wins.
void describe_stream_to_pulseaudio() {
    const char* given = std::getenv("PULSE_PROP");
    std::string props = given != nullptr ? given : "";
    const auto add = [&props](const char* key, const char* value) {
        if (props.find(key) != std::string::npos) return;
        if (!props.empty()) props += ' ';
        props += std::string(key) + "=" + value;
    };
    add("media.role", "game");
    add("application.icon_name", QUINTORA_APP_ID);
    add("application.id", QUINTORA_APP_ID);
    if (given == nullptr || props != given) setenv("PULSE_PROP", props.c_str(), 1);
}

}  // namespace

extern "C" {

std::int32_t dsInitialize(std::int32_t /*window*/) {
    if (state.system != 0) return state.system;
    if (state.last_system_handle == std::numeric_limits<std::int32_t>::max()) return 0;

    // Should SDL's event system come up after all, it must not take SIGINT
    // and SIGTERM for a quit event nobody here reads: the game would then
    // outlive Ctrl-C and kill.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // The name a desktop's volume control lists the game's sound under,
    // instead of SDL's "SDL Application" / "Playback" (the environment may
    // still say otherwise).
    SDL_SetHint(SDL_HINT_APP_NAME, "Quintora");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_APP_NAME, "Quintora");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_NAME, "Quintora");
    SDL_SetHint(SDL_HINT_AUDIO_DEVICE_STREAM_ROLE, "game");
    describe_stream_to_pulseaudio();
    // Only the audio driver is started, not SDL_InitSubSystem's events and
    // session-bus connection, which the game does not use: on the GUI thread
    // during start-up that connection costs a millisecond and more (without a
    // session bus, a fork to look for dbus-launch). SDL_AUDIODRIVER still
    // chooses the driver.
    if (SDL_AudioInit(nullptr) != 0) return 0;

    state.outputs[music_output].frames = music_frames;
    state.outputs[music_output].linger = Clock::duration::zero();
    state.outputs[effects_output].frames = effects_frames;
    state.outputs[effects_output].linger = effects_linger;
    {
        // Whether there is a device at all is found out now, on the
        // effects' output, which then closes after its silence.
        std::unique_lock<std::mutex> guard(state.lock);
        if (!open_output(state.outputs[effects_output], guard)) {
            guard.unlock();
            SDL_AudioQuit();
            return 0;
        }
        // And whether the driver gives a second device beside it.
        state.one_output = !open_output(state.outputs[music_output], guard);
        close_output(state.outputs[music_output], guard);
        state.keeper_quit = false;
    }
    state.keeper = std::thread(keep_outputs);
    state.system = ++state.last_system_handle;
    return state.system;
}

}  // extern "C"

namespace {

std::int32_t create(std::int32_t system, const void* wave_image, bool in_place) {
    if (system <= 0 || system != state.system) return 0;
    if (state.last_buffer_handle == std::numeric_limits<std::int32_t>::max()) return 0;
    const std::size_t length = wave_image_length(wave_image);
    if (length == 0) return 0;
    if (!image_fits_sdl(static_cast<const unsigned char*>(wave_image), length)) return 0;

    Sound sound;
    if (!in_place || !samples_in_place(static_cast<const unsigned char*>(wave_image), length, sound)) {
        SDL_RWops* stream = SDL_RWFromConstMem(wave_image, static_cast<int>(length));
        if (stream == nullptr) return 0;
        // The decoded samples are SDL's own allocation, so the caller may drop
        // the image as soon as this returns. SDL closes the stream, on failure too.
        if (SDL_LoadWAV_RW(stream, 1, &sound.format, &sound.samples, &sound.bytes) == nullptr) return 0;
    }
    // Whole frames only; a wave without a single one has nothing to play.
    sound.frame_bytes = SDL_AUDIO_BITSIZE(sound.format.format) / 8u * sound.format.channels;
    if (sound.frame_bytes != 0) sound.bytes -= sound.bytes % sound.frame_bytes;
    if (sound.bytes == 0) {
        release(sound);
        return 0;
    }
    // Whether SDL can convert it is asked now, so that a handle always plays.
    if (!same_as_device(sound.format)) {
        SDL_AudioStream* probe = SDL_NewAudioStream(sound.format.format, sound.format.channels, sound.format.freq,
                                                    output_format, output_channels, sample_rate);
        if (probe == nullptr) {
            release(sound);
            return 0;
        }
        SDL_FreeAudioStream(probe);
    }
    const std::int32_t handle = ++state.last_buffer_handle;
    state.buffers[handle] = sound;
    return handle;
}

}  // namespace

extern "C" {

std::int32_t dsCreateDSB(std::int32_t system, const void* wave_image, std::int32_t /*flags*/) {
    return create(system, wave_image, false);
}

std::int32_t dsCreateDSBInPlace(std::int32_t system, const void* wave_image, std::int32_t /*flags*/) {
    return create(system, wave_image, true);
}

std::int32_t dsPlay(std::int32_t buffer) {
    const Sound* s = find_buffer(buffer);
    if (s == nullptr) return 0;
    return start(buffer, *s, false) ? 1 : 0;
}

std::int32_t dsPlayLooping(std::int32_t buffer) {
    const Sound* s = find_buffer(buffer);
    if (s == nullptr) return 0;
    {
        std::lock_guard<std::mutex> guard(state.lock);
        for (const Output& o : state.outputs)
            for (const Playback& p : o.playing)
                if (p.buffer == buffer && p.looping) return 1;  // the loop goes on
    }
    return start(buffer, *s, true) ? 1 : 0;
}

std::int32_t dsStop(std::int32_t buffer) {
    if (find_buffer(buffer) == nullptr) return 0;
    stop(buffer);
    return 1;
}

std::int32_t dsFree(std::int32_t buffer) {
    Sound* s = find_buffer(buffer);
    if (s == nullptr) return 0;
    stop(buffer);  // after this the audio thread holds no pointer into `s`
    release(*s);
    state.buffers.erase(buffer);
    return 1;
}

std::int32_t dsPlaying(std::int32_t buffer) {
    if (state.system == 0 || (buffer != 0 && find_buffer(buffer) == nullptr)) return 0;
    std::lock_guard<std::mutex> guard(state.lock);
    std::int32_t n = 0;
    for (const Output& o : state.outputs)
        n += static_cast<std::int32_t>(std::count_if(o.playing.begin(), o.playing.end(), [buffer](const Playback& p) {
            return buffer == 0 || p.buffer == buffer;
        }));
    return n;
}

std::int32_t dsOutputsOpen() {
    std::lock_guard<std::mutex> guard(state.lock);
    std::int32_t n = 0;
    for (const Output& o : state.outputs) n += o.device != 0 ? 1 : 0;
    return n;
}

std::int32_t dsTerminate(std::int32_t system) {
    if (system <= 0 || system != state.system) return 0;
    stop(0);
    close_outputs();
    for (auto& entry : state.buffers) release(entry.second);
    state.buffers.clear();
    SDL_AudioQuit();
    // When nobody else in the process uses SDL, let it drop the rest of its
    // global state too (hints, error strings), so nothing stays behind.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    state.system = 0;
    return 1;
}

}  // extern "C"
