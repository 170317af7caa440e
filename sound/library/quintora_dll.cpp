// Sound library of Quintora on SDL2_mixer. See quintora_dll.h for the
// contract with the game.
//
// All state lives in one table touched only by the game's GUI thread; SDL
// mixes on its own audio thread, which we never call back into (no
// Mix_ChannelFinished hook), so no locking of our own is needed.
#include "sound/library/quintora_dll.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <map>
#include <memory>
#include <vector>

#include "sound/wave_layout.h"

namespace {

namespace wave = quintora::wave;

constexpr int kSampleRate = 44100;
constexpr int kOutputChannels = 2;
constexpr int kChunkBytes = 2048;
// Enough for the music loop plus a burst of stone clicks; grown on demand up
// to kMaxMixChannels rather than dropping a sound.
constexpr int kMixChannels = 16;
constexpr int kMaxMixChannels = 64;
// The largest sound the game ships is a few megabytes; a header claiming far
// more is broken, and must not make us read that far past the caller's data.
constexpr std::uint32_t kMaxRiffSize = 256u * 1024u * 1024u;

// A buffer is either a chunk, decoded and converted once (the effects), or
// music (flag 1): a copy of the image that SDL_mixer decodes as it plays,
// so the long background piece costs neither a conversion at start-up nor
// a converted copy of several times its size in memory.
constexpr std::int32_t kMusicFlags = 1;

struct Buffer {
    Mix_Chunk* chunk = nullptr;
    int loopChannel = -1;  // channel of the running endless loop, or -1
    Mix_Music* music = nullptr;
    std::vector<unsigned char> image;  // what `music` streams from
};

struct State {
    std::int32_t system = 0;          // handle of the open sound system, 0 when closed
    std::int32_t lastSystemHandle = 0;
    std::int32_t lastBufferHandle = 0;
    std::map<std::int32_t, Buffer> buffers;
    std::int32_t playingMusic = 0;  // buffer handle of the music started last, 0 when none
};

State state;

Buffer* findBuffer(std::int32_t handle) {
    if (handle <= 0 || state.system == 0) return nullptr;
    auto it = state.buffers.find(handle);
    return it == state.buffers.end() ? nullptr : &it->second;
}

// Length of the wave image from its RIFF header, or 0 when the 12 bytes at
// `image` are not a RIFF/WAVE header with a believable size.
std::size_t waveImageLength(const void* image) {
    if (image == nullptr) return 0;
    const auto* bytes = static_cast<const unsigned char*>(image);
    if (std::memcmp(bytes, "RIFF", 4) != 0) return 0;
    const std::uint32_t riffSize = wave::le32(bytes + 4);
    if (riffSize < 4 || riffSize > kMaxRiffSize) return 0;
    if (std::memcmp(bytes + 8, "WAVE", 4) != 0) return 0;
    return static_cast<std::size_t>(riffSize) + 8;
}

// What SDL_mixer may make of a wave, at most, when it converts it to the
// device's format in one buffer whose size it computes as an int: decoding
// and the step to 32-bit float grow the samples up to 8 times (4-bit ADPCM),
// more device channels by their ratio, and resampling up by the rounded-up
// rate ratio, doubled for a scratch half.
constexpr std::uint64_t kFormatGrowth = 8;
constexpr std::uint64_t kMaxConvertedBytes = 1ull << 30;  // half the int range
// The rates a DirectSound buffer may have. SDL's resampler, which streams the
// music, works out its padding from the rate in an int and overflows on
// rates far beyond this.
constexpr std::uint32_t kMinRate = 100;
constexpr std::uint32_t kMaxRate = 200000;
// SDL mixes at most 7.1. Its music reader keeps the count in a byte, so a
// header saying 256 channels would reach SDL as none (a division by zero).
constexpr std::uint32_t kMaxChannels = 8;

bool conversionFits(std::uint32_t dataBytes, std::uint32_t channels, std::uint32_t rate) {
    if (channels == 0 || channels > kMaxChannels || rate < kMinRate || rate > kMaxRate) return false;
    int deviceRate = 0, deviceChannels = 0;
    Uint16 deviceFormat = 0;
    if (Mix_QuerySpec(&deviceRate, &deviceFormat, &deviceChannels) == 0 || deviceRate <= 0 || deviceChannels <= 0)
        return false;
    const std::uint64_t channelGrowth = (std::uint64_t(deviceChannels) + channels - 1) / channels;
    const std::uint64_t rateGrowth = 2 * ((std::uint64_t(deviceRate) + rate - 1) / rate);
    std::uint64_t limit = kMaxConvertedBytes / kFormatGrowth / channelGrowth / rateGrowth;
    return dataBytes <= limit;
}

// True when SDL can be given the `length` bytes of the image without being
// made to reserve more than the image can honestly need, or to work with a
// format it cannot: every chunk must lie inside the image (SDL reserves the
// size a chunk states before reading it, so a file of a few dozen bytes
// could claim gigabytes), there must be one format and one data chunk, and
// the conversion of the samples must fit the bound above (a rate of a few
// hertz would otherwise overflow SDL_mixer's int buffer size or fill the
// memory).
bool fitsTheMixer(const wave::Layout& layout) {
    return layout.fault == wave::Fault::none &&
           conversionFits(layout.data_size, layout.format.channels, layout.format.rate);
}

// Besides the format and the samples, SDL_mixer's music reader parses the
// loop points of a "smpl" chunk and the tags of a "LIST" chunk, trusting
// the counts and lengths inside them (a loop count past the chunk's end
// made it read wild memory). The game's music loops from its start and has
// no tags, so such an image is not taken as music.
bool musicReaderParsesMore(const unsigned char* bytes, std::size_t length) {
    for (std::size_t at = 12; length >= 8 && at <= length - 8;) {
        const std::uint32_t size = wave::le32(bytes + at + 4);
        if (size == 0) break;
        if (std::memcmp(bytes + at, "smpl", 4) == 0 || std::memcmp(bytes + at, "LIST", 4) == 0) return true;
        at += 8 + static_cast<std::size_t>(size);  // chunks inside the image: checked by the walk before
    }
    return false;
}

// The effects are decoded by SDL's wave loader, which steps over the pad
// byte after an odd-sized chunk. The music reader of SDL_mixer does not, and
// it reads every chunk up to one of length 0, the last format it meets
// winning: behind an odd-sized chunk it can find a second format chunk the
// first walk never sees (one with no channels made it divide by zero). So
// music is judged by both walks.
bool imageFitsTheMixer(const unsigned char* bytes, std::size_t length, bool music) {
    if (!fitsTheMixer(wave::walk(bytes, length))) return false;
    return !music || (fitsTheMixer(wave::walk(bytes, length, wave::Padding::none, true)) &&
                      !musicReaderParsesMore(bytes, length));
}

// Plays `chunk` on a free channel, allocating more channels when all are
// busy. Returns the channel or -1.
int playOnFreeChannel(Mix_Chunk* chunk, int loops) {
    int channel = Mix_PlayChannel(-1, chunk, loops);
    if (channel < 0) {
        const int allocated = Mix_AllocateChannels(-1);
        if (allocated < kMaxMixChannels) {
            Mix_AllocateChannels(allocated * 2 < kMaxMixChannels ? allocated * 2 : kMaxMixChannels);
            channel = Mix_PlayChannel(-1, chunk, loops);
        }
    }
    return channel;
}

void haltChunk(Buffer& buffer) {
    const int allocated = Mix_AllocateChannels(-1);
    for (int channel = 0; channel < allocated; ++channel) {
        // A channel keeps pointing at the last chunk it played after it
        // finishes; halting a finished channel is harmless.
        if (Mix_GetChunk(channel) == buffer.chunk) Mix_HaltChannel(channel);
    }
    buffer.loopChannel = -1;
}

void haltMusic(std::int32_t handle) {
    if (state.playingMusic == handle) {
        Mix_HaltMusic();
        state.playingMusic = 0;
    }
}

void releaseBuffer(std::int32_t handle, Buffer& buffer) {
    if (buffer.music != nullptr) {
        haltMusic(handle);
        Mix_FreeMusic(buffer.music);
        buffer.music = nullptr;
        buffer.image.clear();
        return;
    }
    haltChunk(buffer);
    Mix_FreeChunk(buffer.chunk);
    buffer.chunk = nullptr;
}

// The music of `handle` from its start, `loops` -1 for endless.
int playMusic(std::int32_t handle, Buffer& buffer, int loops) {
    if (Mix_PlayMusic(buffer.music, loops) != 0) return 0;
    state.playingMusic = handle;
    return 1;
}

}  // namespace

extern "C" {

std::int32_t dsInitialize(std::int32_t /*windowHandle*/) {
    if (state.system != 0) return state.system;
    if (state.lastSystemHandle == std::numeric_limits<std::int32_t>::max()) return 0;

    // Opening audio brings up SDL's event system, which by default takes
    // SIGINT and SIGTERM for a quit event nobody here reads: the game would
    // then outlive Ctrl-C and kill. The signals keep their usual meaning.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return 0;
    if (Mix_OpenAudio(kSampleRate, AUDIO_S16SYS, kOutputChannels, kChunkBytes) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return 0;
    }
    Mix_AllocateChannels(kMixChannels);
    state.system = ++state.lastSystemHandle;
    return state.system;
}

std::int32_t dsCreateDSB(std::int32_t system, const void* waveImage, std::int32_t flags) {
    if (system <= 0 || system != state.system) return 0;
    if (state.lastBufferHandle == std::numeric_limits<std::int32_t>::max()) return 0;
    const std::size_t length = waveImageLength(waveImage);
    if (length == 0) return 0;
    if (!imageFitsTheMixer(static_cast<const unsigned char*>(waveImage), length, flags == kMusicFlags)) return 0;

    if (flags == kMusicFlags) {
        Buffer music;
        const auto* bytes = static_cast<const unsigned char*>(waveImage);
        music.image.assign(bytes, bytes + length);
        SDL_RWops* stream = SDL_RWFromConstMem(music.image.data(), static_cast<int>(length));
        if (stream == nullptr) return 0;
        music.music = Mix_LoadMUSType_RW(stream, MUS_WAV, 1);  // closes the stream when freed, or on failure
        if (music.music == nullptr) return 0;
        const std::int32_t handle = ++state.lastBufferHandle;
        state.buffers[handle] = std::move(music);  // the vector's storage, and so the stream, stays put
        return handle;
    }

    SDL_RWops* stream = SDL_RWFromConstMem(waveImage, static_cast<int>(length));
    if (stream == nullptr) return 0;
    // Mix_LoadWAV_RW converts the samples into a buffer of its own (unlike
    // Mix_QuickLoad_WAV), which is what lets the caller drop the image, and it
    // closes the stream itself, on failure too.
    Mix_Chunk* chunk = Mix_LoadWAV_RW(stream, 1);
    if (chunk == nullptr) return 0;

    const std::int32_t handle = ++state.lastBufferHandle;
    state.buffers[handle].chunk = chunk;
    return handle;
}

std::int32_t dsPlay(std::int32_t buffer) {
    Buffer* b = findBuffer(buffer);
    if (b == nullptr) return 0;
    if (b->music != nullptr) return playMusic(buffer, *b, 0);
    return playOnFreeChannel(b->chunk, 0) >= 0 ? 1 : 0;
}

std::int32_t dsPlayLooping(std::int32_t buffer) {
    Buffer* b = findBuffer(buffer);
    if (b == nullptr) return 0;
    if (b->music != nullptr) {
        if (state.playingMusic == buffer && Mix_PlayingMusic() != 0) return 1;  // the loop goes on
        return playMusic(buffer, *b, -1);
    }
    // Only dsStop/dsFree end a loop, and both forget its channel, so a channel
    // still playing our chunk here is our loop.
    if (b->loopChannel >= 0 && Mix_Playing(b->loopChannel) != 0 &&
        Mix_GetChunk(b->loopChannel) == b->chunk) {
        return 1;
    }
    const int channel = playOnFreeChannel(b->chunk, -1);
    b->loopChannel = channel;
    return channel >= 0 ? 1 : 0;
}

std::int32_t dsStop(std::int32_t buffer) {
    Buffer* b = findBuffer(buffer);
    if (b == nullptr) return 0;
    if (b->music != nullptr)
        haltMusic(buffer);
    else
        haltChunk(*b);
    return 1;
}

std::int32_t dsFree(std::int32_t buffer) {
    Buffer* b = findBuffer(buffer);
    if (b == nullptr) return 0;
    releaseBuffer(buffer, *b);
    state.buffers.erase(buffer);
    return 1;
}

std::int32_t dsTerminate(std::int32_t system) {
    if (system <= 0 || system != state.system) return 0;
    Mix_HaltChannel(-1);
    Mix_HaltMusic();
    for (auto& entry : state.buffers) releaseBuffer(entry.first, entry.second);
    state.buffers.clear();
    Mix_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    // When nobody else in the process uses SDL, let it drop the rest of its
    // global state too (hints, error strings), so nothing stays behind.
    if (SDL_WasInit(SDL_INIT_EVERYTHING) == 0) SDL_Quit();
    state.system = 0;
    return 1;
}

}  // extern "C"
