// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as a wave file: first through the game's own check of the
// RIFF header and the chunks behind it, and only when it lets them pass,
// through the sound library, copied (dsCreateDSB) and in place
// (dsCreateDSBInPlace, as 読込_サウンド asks for it), which must agree; whatever it
// decodes is then looped and mixed for a few device buffers, which runs SDL's
// converter over it. The bytes sit in a heap block of exactly their length,
// so AddressSanitizer reports any read past the file's end.
//
// The library is compiled into this file (it is included below), so the
// harness can mix on its own thread: SDL's audio thread is stopped at once,
// and every input is decoded, converted and mixed in the same order each run.
//
// Most mutations break the 12-byte header and stop at the game's check, so
// each input is tried a second time with that header made right, which lets
// the chunks behind it reach the library, and SDL, even where the game's
// check would refuse them. SDL itself is not instrumented; the error it
// leaves behind is fed back as extra coverage, so inputs that get further
// into its decoders are kept.
//
// Byte mutations alone rarely make a second chunk of a kind, or move a chunk
// to just behind an odd-sized one where readers that skip the pad byte and
// readers that do not see different chunks: half the mutations work on whole
// chunks instead (see the custom mutator at the end).
//
// Run it with the dictionary beside it (fuzz/wave.dict), which hands the
// mutator chunk names and header fields whole; see docs/testing.md ("Fuzzing").
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <random>
#include <string>
#include <string_view>
#include <vector>

#include "sound/library/quintora_dll.cpp"
#include "sound/wave_check.h"

namespace {
std::int32_t sound_system = 0;
std::vector<Uint8> mixed;  // one device buffer

constexpr std::size_t outcome_slots = 4096;
__attribute__((section("__libfuzzer_extra_counters"))) std::uint8_t outcomes[outcome_slots];

void note_outcome(int salt, std::int32_t buffer) {
    const std::string_view error = buffer != 0 ? std::string_view("decoded") : std::string_view(SDL_GetError());
    std::uint32_t h = 2166136261u;  // FNV-1a
    for (char c : error) h = (h ^ static_cast<unsigned char>(c)) * 16777619u;
    outcomes[(h + static_cast<std::uint32_t>(salt)) % outcome_slots]++;
}

void try_image(const std::uint8_t* data, std::size_t size, bool repaired) {
    const std::unique_ptr<unsigned char[]> image(new unsigned char[size]);
    if (size > 0) std::memcpy(image.get(), data, size);
    if (repaired) {
        const std::uint32_t stated = static_cast<std::uint32_t>(size - 8);
        std::memcpy(image.get(), "RIFF", 4);
        for (int i = 0; i < 4; ++i) image[4 + i] = static_cast<unsigned char>(stated >> (8 * i));
        std::memcpy(image.get() + 8, "WAVE", 4);
    }
    const bool game_accepts = !quintora::調査_波形(image.get(), size);
    // As the game calls it, the library sees only what the check let through.
    // With the header made right it is given the image whatever the check
    // says: it must stand on its own against any caller.
    if (!game_accepts && !repaired) return;
    SDL_ClearError();
    // The game asks for the samples in place (the image stays while the
    // buffer lives): the library must take exactly what it takes as a copy.
    const std::int32_t copied = dsCreateDSB(sound_system, image.get(), 3);
    note_outcome(repaired ? 1 : 0, copied);
    if (copied != 0 && dsFree(copied) != 1) std::abort();
    const std::int32_t buffer = dsCreateDSBInPlace(sound_system, image.get(), 3);
    if ((buffer == 0) != (copied == 0)) std::abort();
    if (buffer == 0) return;
    // A wave the library can play must not draw a warning from the game.
    if (!game_accepts) std::abort();
    if (dsPlayLooping(buffer) != 1 || dsPlay(buffer) != 1) std::abort();
    for (int i = 0; i < 3; ++i) {
        std::lock_guard<std::mutex> guard(state.lock);
        for (Output& o : state.outputs) mix_into(o, mixed.data(), static_cast<int>(mixed.size()));
    }
    if (dsPlaying(buffer) < 1) std::abort();  // the loop plays on, whatever became of the one-shot
    if (dsFree(buffer) != 1) std::abort();  // a handle just given out must be live
    if (dsPlaying(0) != 0) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sound_system = dsInitialize(1);
    if (sound_system == 0) {
        std::fprintf(stderr, "wave_fuzz: no sound system, even with the dummy driver\n");
        std::abort();
    }
    // From here on only this thread mixes: SDL's devices close and the
    // keeper ends, the library stays open. Both outputs mix into the one
    // buffer here.
    close_outputs();
    mixed.resize(std::size_t(effects_frames) * output_channels * 2);
    for (Output& o : state.outputs) o.scratch.assign(mixed.size(), 0);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try_image(data, size, false);
    if (size >= 12) try_image(data, size, true);
    return 0;
}

// ---------------------------------------------------------------------------
// Mutations of whole chunks.

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t max_size);

namespace {

void put_le(std::string& s, std::size_t at, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) s[at + i] = static_cast<char>(v >> (8 * i));
}
std::uint32_t get_le(const std::string& s, std::size_t at) {
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= static_cast<std::uint32_t>(static_cast<unsigned char>(s[at + i])) << (8 * i);
    return v;
}

// The chunks behind the 12-byte header as RIFF lays them out, each with its
// pad byte; whatever does not parse is kept as one last piece.
std::vector<std::string> split_chunks(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> pieces;
    std::size_t at = 12;
    while (at + 8 <= size) {
        const std::string head(reinterpret_cast<const char*>(data) + at, 8);
        const std::uint64_t length = 8 + std::uint64_t(get_le(head, 4));
        const std::uint64_t padded = length + (length & 1);
        if (at + length > size) break;
        const std::size_t take = static_cast<std::size_t>(at + padded <= size ? padded : length);
        pieces.emplace_back(reinterpret_cast<const char*>(data) + at, take);
        at += take;
    }
    if (at < size) pieces.emplace_back(reinterpret_cast<const char*>(data) + at, size - at);
    return pieces;
}

std::string format_chunk(std::minstd_rand& rng) {
    static const std::uint32_t tags[] = {1, 1, 2, 3, 6, 7, 0x11, 0xFFFE};
    static const std::uint32_t channels[] = {0, 1, 1, 2, 8, 9, 256};
    static const std::uint32_t rates[] = {0, 1, 100, 8000, 22050, 44100, 200000, 0x80000000u};
    static const std::uint32_t bits[] = {0, 4, 8, 16, 24, 32};
    std::string c("fmt \x10\0\0\0", 8);
    c.resize(24, '\0');
    const std::uint32_t ch = channels[rng() % std::size(channels)], b = bits[rng() % std::size(bits)];
    const std::uint32_t rate = rates[rng() % std::size(rates)];
    put_le(c, 8, tags[rng() % std::size(tags)], 2);
    put_le(c, 10, ch, 2);
    put_le(c, 12, rate, 4);
    put_le(c, 16, rate * ((ch * b + 7) / 8), 4);
    put_le(c, 20, (ch * b + 7) / 8, 2);
    put_le(c, 22, b, 2);
    return c;
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size, std::size_t max_size,
                                               unsigned int seed) {
    std::minstd_rand rng(seed);
    if (size < 12 || rng() % 2 == 0) return LLVMFuzzerMutate(data, size, max_size);
    std::vector<std::string> pieces = split_chunks(data, size);
    auto any = [&] { return static_cast<std::size_t>(rng() % pieces.size()); };
    auto is_chunk = [&](std::size_t i) { return pieces[i].size() >= 8; };
    switch (rng() % 7) {
    case 0:  // a chunk once more, somewhere
        if (!pieces.empty()) {
            const std::string copy = pieces[any()];
            pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(rng() % (pieces.size() + 1)), copy);
        }
        break;
    case 1:  // a chunk less
        if (!pieces.empty()) pieces.erase(pieces.begin() + static_cast<std::ptrdiff_t>(any()));
        break;
    case 2:  // two chunks change places
        if (pieces.size() >= 2) std::swap(pieces[any()], pieces[any()]);
        break;
    case 3:  // a chunk one byte longer or shorter, its pad byte dropped or added
        if (!pieces.empty()) {
            std::string& c = pieces[any()];
            if (c.size() < 8) break;
            const std::uint32_t length = get_le(c, 4);
            if (rng() % 2 && length > 0) {
                put_le(c, 4, length - 1, 4);
            } else {
                put_le(c, 4, length + 1, 4);
            }
            if (rng() % 2) {
                c.push_back(static_cast<char>(rng()));
            } else if (c.size() > 8) {
                c.pop_back();
            }
        }
        break;
    case 4: {  // a chunk renamed
        static const char* const names[] = {"fmt ", "data", "LIST", "fact", "smpl", "JUNK"};
        if (!pieces.empty()) {
            const std::size_t i = any();
            if (is_chunk(i)) pieces[i].replace(0, 4, names[rng() % std::size(names)]);
        }
        break;
    }
    case 5:  // a new format chunk with fields worth trying
        pieces.insert(pieces.begin() + static_cast<std::ptrdiff_t>(rng() % (pieces.size() + 1)), format_chunk(rng));
        break;
    default:  // bytes mutated inside one chunk only
        if (!pieces.empty()) {
            std::string& c = pieces[any()];
            const std::size_t room = c.size() + 64;
            c.resize(room);
            c.resize(LLVMFuzzerMutate(reinterpret_cast<std::uint8_t*>(c.data()), room - 64, room));
        }
        break;
    }
    std::string out(reinterpret_cast<const char*>(data), 12);
    for (const std::string& p : pieces) out += p;
    if (out.size() > max_size) return LLVMFuzzerMutate(data, size, max_size);
    if (rng() % 8 != 0) put_le(out, 4, static_cast<std::uint32_t>(out.size() - 8), 4);  // mostly a header that fits
    std::memcpy(data, out.data(), out.size());
    return out.size();
}
