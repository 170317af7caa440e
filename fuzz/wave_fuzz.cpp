// Arbitrary bytes as a wave file: first through the game's own check of the
// RIFF header, and only when it lets them pass, through the sound library's
// dsCreateDSB, as 読込_サウンド does. The bytes sit in a heap block of exactly
// their length, so AddressSanitizer reports any read past the file's end.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "sound/library/quintora_dll.h"
#include "sound/wave_check.h"

namespace {
std::int32_t sound_system = 0;
}

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
    const std::unique_ptr<unsigned char[]> image(new unsigned char[size]);
    if (size > 0) std::memcpy(image.get(), data, size);
    if (quintora::調査_波形(image.get(), size)) return 0;
    const std::int32_t buffer = dsCreateDSB(sound_system, image.get(), 3);
    if (buffer != 0 && dsFree(buffer) != 1) std::abort();  // a handle just given out must be live
    return 0;
}
