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
// Two threads meet here: the game's GUI thread, which calls the entry points,
// and SDL's audio thread, which calls `mix`. The list of playbacks is shared
// under `State::lock`; everything else belongs to the GUI thread. The audio
// thread never calls back into the game.
//
// While nothing plays, `mix` waits on a condition variable instead of
// returning silence. Pausing the device would not do: SDL2's audio thread
// goes on waking about twenty times a second for a paused device too, to
// fill its buffers with silence, and a game left open in the background
// should not wake the machine for nothing. The next sound wakes `mix` at
// once, and what it mixes then is what the device plays next.
#include "sound/library/quintora_dll.h"

#include <SDL.h>

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <mutex>
#include <vector>

#include "sound/wave_layout.h"

namespace {

namespace wave = quintora::wave;

constexpr int kSampleRate = 44100;
constexpr Uint8 kOutputChannels = 2;
constexpr SDL_AudioFormat kOutputFormat = AUDIO_S16SYS;
// Frames per call of `mix`: about 46 ms, 21.5 calls a second while sound
// plays.
constexpr Uint16 kDeviceFrames = 2048;
// Enough for the music loop plus a burst of stone clicks.
constexpr std::size_t kMaxPlaybacks = 64;
// The largest wave file the game reads; a header claiming more is broken,
// and must not make us read that far past the caller's data.
constexpr std::uint32_t kMaxRiffSize = 64u * 1024u * 1024u;
// The rates a DirectSound buffer may have. SDL's resampler works out its
// padding from the rate ratio in an int and overflows on rates far beyond
// this.
constexpr std::uint32_t kMinRate = 100;
constexpr std::uint32_t kMaxRate = 200000;
// SDL converts at most 7.1.
constexpr std::uint32_t kMaxChannels = 8;
// Source bytes handed to a playback's converter at a time, in frames.
constexpr Uint32 kFeedFrames = 1024;

// A buffer: the decoded samples in the format they came in.
struct Sound {
    SDL_AudioSpec format{};  // as the wave stores its samples
    Uint8* samples = nullptr;  // from SDL_LoadWAV_RW, released with SDL_FreeWAV
    Uint32 bytes = 0;          // whole frames only
    Uint32 frame_bytes = 0;
};

// One running playback of a buffer. Touched by the audio thread, and by the
// GUI thread only under the lock.
struct Playback {
    std::int32_t buffer = 0;
    const Sound* sound = nullptr;
    SDL_AudioStream* convert = nullptr;  // nullptr when the sound is in the device's format
    Uint32 position = 0;                  // next byte of `sound` to play or convert
    bool looping = false;
    bool flushed = false;  // the converter has been told the sound ends
};

struct State {
    std::int32_t system = 0;  // handle of the open sound system, 0 when closed
    std::int32_t last_system_handle = 0;
    std::int32_t last_buffer_handle = 0;
    SDL_AudioDeviceID device = 0;
    std::map<std::int32_t, Sound> buffers;  // node-based: a Sound never moves while it lives

    std::mutex lock;
    std::condition_variable wake;
    std::vector<Playback> playing;  // under `lock`
    bool closing = false;           // under `lock`: the device is about to close, `mix` must not wait
    std::vector<Uint8> scratch;     // the audio thread's, sized once the device is open
};

// Never destroyed: the process may end while SDL's audio thread waits on
// `wake`, and destroying a condition variable that has a waiter blocks for
// ever.
State& state = *new State;

Sound* find_buffer(std::int32_t handle) {
    if (handle <= 0 || state.system == 0) return nullptr;
    auto it = state.buffers.find(handle);
    return it == state.buffers.end() ? nullptr : &it->second;
}

bool same_as_device(const SDL_AudioSpec& f) {
    return f.format == kOutputFormat && f.channels == kOutputChannels && f.freq == kSampleRate;
}

void release(Playback& p) {
    if (p.convert != nullptr) SDL_FreeAudioStream(p.convert);
    p.convert = nullptr;
}

// Up to `want` bytes of `p` in the device's format into `out`; fewer only
// when the sound has ended.
int pull(Playback& p, Uint8* out, int want) {
    const Sound& s = *p.sound;
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
        const Uint32 n = std::min<Uint32>(s.bytes - p.position, kFeedFrames * s.frame_bytes);
        if (SDL_AudioStreamPut(p.convert, s.samples + p.position, static_cast<int>(n)) != 0) return 0;
        p.position += n;
    }
    return std::max(0, SDL_AudioStreamGet(p.convert, out, want));
}

// SDL's audio callback: fills `out` with the sum of everything playing.
void SDLCALL mix(void*, Uint8* out, int len) {
    std::unique_lock<std::mutex> guard(state.lock);
    state.wake.wait(guard, [] { return !state.playing.empty() || state.closing; });
    std::memset(out, 0, static_cast<std::size_t>(len));  // silence of signed samples
    if (state.scratch.size() < static_cast<std::size_t>(len)) return;
    for (auto it = state.playing.begin(); it != state.playing.end();) {
        int filled = 0;
        while (filled < len) {
            const int got = pull(*it, state.scratch.data(), len - filled);
            if (got <= 0) break;
            SDL_MixAudioFormat(out + filled, state.scratch.data(), kOutputFormat, static_cast<Uint32>(got),
                               SDL_MIX_MAXVOLUME);
            filled += got;
        }
        if (filled < len) {  // it has ended
            release(*it);
            it = state.playing.erase(it);
        } else {
            ++it;
        }
    }
}

// Adds a playback of `handle`; false when too many play already or SDL
// cannot convert it.
bool start(std::int32_t handle, const Sound& sound, bool looping) {
    Playback p;
    p.buffer = handle;
    p.sound = &sound;
    p.looping = looping;
    if (!same_as_device(sound.format)) {
        p.convert = SDL_NewAudioStream(sound.format.format, sound.format.channels, sound.format.freq, kOutputFormat,
                                       kOutputChannels, kSampleRate);
        if (p.convert == nullptr) return false;
    }
    std::lock_guard<std::mutex> guard(state.lock);
    if (state.playing.size() >= kMaxPlaybacks) {
        release(p);
        return false;
    }
    state.playing.push_back(p);
    state.wake.notify_one();
    return true;
}

// Ends every playback of `handle`, or of every buffer with 0.
void stop(std::int32_t handle) {
    std::lock_guard<std::mutex> guard(state.lock);
    for (auto it = state.playing.begin(); it != state.playing.end();) {
        if (handle == 0 || it->buffer == handle) {
            release(*it);
            it = state.playing.erase(it);
        } else {
            ++it;
        }
    }
}

// Length of the wave image from its RIFF header, or 0 when the 12 bytes at
// `image` are not a RIFF/WAVE header with a believable size.
std::size_t wave_image_length(const void* image) {
    if (image == nullptr) return 0;
    const auto* bytes = static_cast<const unsigned char*>(image);
    if (std::memcmp(bytes, "RIFF", 4) != 0) return 0;
    const std::uint32_t riff_size = wave::le32(bytes + 4);
    if (riff_size < 4 || riff_size > kMaxRiffSize) return 0;
    if (std::memcmp(bytes + 8, "WAVE", 4) != 0) return 0;
    return static_cast<std::size_t>(riff_size) + 8;
}

// True when SDL can be given the `length` bytes of the image: every chunk
// lies inside it (SDL reserves the size a chunk states before reading it, so
// a file of a few dozen bytes could claim gigabytes), there is one format
// chunk and then one data chunk, as SDL's loader reads them, and a rate and
// channel count SDL's converter can take.
bool image_fits_sdl(const unsigned char* bytes, std::size_t length) {
    const wave::Layout layout = wave::walk(bytes, length);
    return layout.fault == wave::Fault::none && layout.format.channels <= kMaxChannels &&
           layout.format.rate >= kMinRate && layout.format.rate <= kMaxRate;
}

}  // namespace

extern "C" {

std::int32_t dsInitialize(std::int32_t /*windowHandle*/) {
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
    // Only the audio driver is started, not SDL_InitSubSystem's events and
    // session-bus connection, which the game does not use: on the GUI thread
    // during start-up that connection costs a millisecond and more (without a
    // session bus, a fork to look for dbus-launch). SDL_AUDIODRIVER still
    // chooses the driver.
    if (SDL_AudioInit(nullptr) != 0) return 0;

    SDL_AudioSpec want{};
    want.freq = kSampleRate;
    want.format = kOutputFormat;
    want.channels = kOutputChannels;
    want.samples = kDeviceFrames;
    want.callback = mix;
    SDL_AudioSpec have{};
    // No changes allowed: SDL converts to whatever the device really takes,
    // so `mix` always works in the format above.
    state.device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
    if (state.device == 0) {
        SDL_AudioQuit();
        return 0;
    }
    state.scratch.assign(have.size, 0);
    {
        std::lock_guard<std::mutex> guard(state.lock);
        state.closing = false;
    }
    SDL_PauseAudioDevice(state.device, 0);
    state.system = ++state.last_system_handle;
    return state.system;
}

std::int32_t dsCreateDSB(std::int32_t system, const void* wave_image, std::int32_t /*flags*/) {
    if (system <= 0 || system != state.system) return 0;
    if (state.last_buffer_handle == std::numeric_limits<std::int32_t>::max()) return 0;
    const std::size_t length = wave_image_length(wave_image);
    if (length == 0) return 0;
    if (!image_fits_sdl(static_cast<const unsigned char*>(wave_image), length)) return 0;

    SDL_RWops* stream = SDL_RWFromConstMem(wave_image, static_cast<int>(length));
    if (stream == nullptr) return 0;
    // The decoded samples are SDL's own allocation, so the caller may drop
    // the image as soon as this returns. SDL closes the stream, on failure too.
    Sound sound;
    if (SDL_LoadWAV_RW(stream, 1, &sound.format, &sound.samples, &sound.bytes) == nullptr) return 0;
    // Whole frames only; a wave without a single one has nothing to play.
    sound.frame_bytes = SDL_AUDIO_BITSIZE(sound.format.format) / 8u * sound.format.channels;
    if (sound.frame_bytes != 0) sound.bytes -= sound.bytes % sound.frame_bytes;
    if (sound.bytes == 0) {
        SDL_FreeWAV(sound.samples);
        return 0;
    }
    // Whether SDL can convert it is asked now, so that a handle always plays.
    if (!same_as_device(sound.format)) {
        SDL_AudioStream* probe = SDL_NewAudioStream(sound.format.format, sound.format.channels, sound.format.freq,
                                                    kOutputFormat, kOutputChannels, kSampleRate);
        if (probe == nullptr) {
            SDL_FreeWAV(sound.samples);
            return 0;
        }
        SDL_FreeAudioStream(probe);
    }
    const std::int32_t handle = ++state.last_buffer_handle;
    state.buffers[handle] = sound;
    return handle;
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
        for (const Playback& p : state.playing)
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
    SDL_FreeWAV(s->samples);
    state.buffers.erase(buffer);
    return 1;
}

std::int32_t dsPlaying(std::int32_t buffer) {
    if (state.system == 0 || (buffer != 0 && find_buffer(buffer) == nullptr)) return 0;
    std::lock_guard<std::mutex> guard(state.lock);
    return static_cast<std::int32_t>(std::count_if(state.playing.begin(), state.playing.end(),
                                                   [buffer](const Playback& p) {
                                                       return buffer == 0 || p.buffer == buffer;
                                                   }));
}

std::int32_t dsTerminate(std::int32_t system) {
    if (system <= 0 || system != state.system) return 0;
    stop(0);
    {
        // SDL closes a device only once its callback has returned.
        std::lock_guard<std::mutex> guard(state.lock);
        state.closing = true;
        state.wake.notify_all();
    }
    SDL_CloseAudioDevice(state.device);
    state.device = 0;
    for (auto& entry : state.buffers) SDL_FreeWAV(entry.second.samples);
    state.buffers.clear();
    SDL_AudioQuit();
    // When nobody else in the process uses SDL, let it drop the rest of its
    // global state too (hints, error strings), so nothing stays behind.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    state.system = 0;
    return 1;
}

}  // extern "C"
