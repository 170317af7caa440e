// Arbitrary bytes as a wave file: first through the game's own check of the
// RIFF header, and only when it lets them pass, through the sound library's
// dsCreateDSB, as 読込_サウンド does, once as an effect (flags 3, decoded at
// once) and once as music (flags 1, parsed now and decoded while playing).
// The bytes sit in a heap block of exactly their length, so AddressSanitizer
// reports any read past the file's end.
//
// Most mutations break the 12-byte header and stop at the game's check, so
// each input is tried a second time with that header made right, which lets
// the chunks behind it reach SDL. SDL itself is not instrumented; the error
// it leaves behind is fed back as extra coverage, so inputs that get further
// into its decoders are kept.
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string_view>

#include "sound/library/quintora_dll.h"
#include "sound/wave_check.h"

namespace {
std::int32_t sound_system = 0;

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
    if (quintora::調査_波形(image.get(), size)) {
        if (repaired) std::abort();  // a right header must pass the game's check
        return;
    }
    for (const std::int32_t flags : {3, 1}) {
        SDL_ClearError();
        const std::int32_t buffer = dsCreateDSB(sound_system, image.get(), flags);
        note_outcome(flags * 2 + (repaired ? 1 : 0), buffer);
        if (buffer != 0 && dsFree(buffer) != 1) std::abort();  // a handle just given out must be live
    }
}
}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    sound_system = dsInitialize(1);
    if (sound_system == 0) {
        std::fprintf(stderr, "wave_fuzz: no sound system, even with the dummy driver\n");
        std::abort();
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try_image(data, size, false);
    if (size >= 12) try_image(data, size, true);
    return 0;
}
