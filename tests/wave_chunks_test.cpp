// Wave images that would make SDL reserve far more than they hold, as the
// wave fuzzer found them (fuzz/regressions/wave) and built by hand around the
// edges: chunks that claim more bytes than the image has, and sample rates so
// low that converting them to the device's rate would overflow or fill the
// memory, or so high that SDL's resampler overflows, and channel counts SDL's
// music reader cannot hold. The sound library must refuse them before SDL
// sees them, as an effect and as music alike.
// Each image lives in a vector of exactly its length, so AddressSanitizer
// catches any read past it.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "sound/library/quintora_dll.h"
#include "sound/wave_check.h"

namespace fs = std::filesystem;

namespace {

using Bytes = std::vector<unsigned char>;

class WaveChunks : public ::testing::Test {
protected:
    void SetUp() override {
        setenv("SDL_AUDIODRIVER", "dummy", 0);
        system_ = dsInitialize(0);
        ASSERT_NE(system_, 0);
    }
    void TearDown() override { dsTerminate(system_); }
    // The handle the library gives for `image`, freed again at once; flags 3
    // make an effect (decoded at once), 1 the music (decoded as it plays).
    bool accepted(const Bytes& image, std::int32_t flags) {
        const std::int32_t b = dsCreateDSB(system_, image.data(), flags);
        if (b != 0) {
            EXPECT_EQ(dsFree(b), 1);
        }
        return b != 0;
    }
    std::int32_t system_ = 0;
};

void le(Bytes& out, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}
void tag(Bytes& out, const char* t) { out.insert(out.end(), t, t + 4); }

Bytes chunk(const char* id, std::uint32_t stated, std::size_t present) {
    Bytes c;
    tag(c, id);
    le(c, stated, 4);
    for (std::size_t i = 0; i < present; ++i) c.push_back(static_cast<unsigned char>(128 + (i % 7) * 9));
    return c;
}

// 8-bit PCM, mono unless said otherwise.
Bytes fmt_chunk(std::uint32_t rate = 8000, std::uint16_t channels = 1) {
    Bytes c;
    tag(c, "fmt ");
    le(c, 16, 4);
    le(c, 1, 2);
    le(c, channels, 2);
    le(c, rate, 4);
    le(c, rate * channels, 4);
    le(c, channels, 2);
    le(c, 8, 2);
    return c;
}

// RIFF/WAVE around `chunks`, the header stating exactly their length.
Bytes image(const std::vector<Bytes>& chunks) {
    Bytes body;
    tag(body, "WAVE");
    for (const auto& c : chunks) body.insert(body.end(), c.begin(), c.end());
    Bytes out;
    tag(out, "RIFF");
    le(out, static_cast<std::uint32_t>(body.size()), 4);
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

}  // namespace

TEST_F(WaveChunks, FuzzerFindingsAreRefused) {
    const fs::path dir = fs::path(QUINTORA_WAVES_DIR).parent_path().parent_path() / "fuzz" / "regressions" / "wave";
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    int replayed = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        SCOPED_TRACE(e.path().filename().string());
        std::ifstream in(e.path(), std::ios::binary);
        const Bytes bytes((std::istreambuf_iterator<char>(in)), {});
        ++replayed;
        // The game hands over only what its own check lets through.
        if (quintora::調査_波形(bytes.data(), bytes.size())) continue;
        EXPECT_FALSE(accepted(bytes, 3));
        EXPECT_FALSE(accepted(bytes, 1));
    }
    EXPECT_GT(replayed, 0);
}

TEST_F(WaveChunks, ChunksMustLieInsideTheImageAndTheRateBeUsable) {
    const Bytes list_odd = chunk("LIST", 5, 5);
    Bytes list_padded = list_odd;
    list_padded.push_back(0);
    struct Case {
        const char* name;
        Bytes image;
        bool ok;
        bool music_ok;  // SDL_mixer's music reader is stricter: it steps over no pad byte and reads every chunk
    };
    const Case cases[] = {
        {"plain", image({fmt_chunk(), chunk("data", 40, 40)}), true, true},
        {"odd chunk padded before the data", image({fmt_chunk(), list_padded, chunk("data", 40, 40)}), true, false},
        {"data one byte longer than the image", image({fmt_chunk(), chunk("data", 41, 40)}), false, false},
        {"data claiming gigabytes", image({fmt_chunk(), chunk("data", 0x98000021u, 40)}), false, false},
        {"chunk before the data claiming past the image",
         image({fmt_chunk(), chunk("LIST", 0xFFFFFFF0u, 8), chunk("data", 40, 40)}), false, false},
        {"format chunk claiming past the image", image({chunk("fmt ", 4000, 16), chunk("data", 40, 40)}), false, false},
        {"format after the data", image({chunk("data", 40, 40), fmt_chunk()}), false, false},
        {"no data", image({fmt_chunk()}), false, false},
        {"a few seconds at 100 Hz", image({fmt_chunk(100), chunk("data", 400, 400)}), true, true},
        {"a thousand samples at 1 Hz", image({fmt_chunk(1), chunk("data", 1000, 1000)}), false, false},
        {"rate zero", image({fmt_chunk(0), chunk("data", 40, 40)}), false, false},
        {"200 kHz", image({fmt_chunk(200000), chunk("data", 40, 40)}), true, true},
        {"just above 200 kHz", image({fmt_chunk(200001), chunk("data", 40, 40)}), false, false},
        {"eight channels", image({fmt_chunk(8000, 8), chunk("data", 40, 40)}), true, true},
        {"256 channels", image({fmt_chunk(8000, 256), chunk("data", 512, 512)}), false, false},
        {"no channels", image({fmt_chunk(8000, 0), chunk("data", 40, 40)}), false, false},
        // The effect loader never reads what follows the samples; a broken tail is left to it.
        {"broken chunk after the data", image({fmt_chunk(), chunk("data", 40, 40), chunk("LIST", 0xFFFFu, 2)}),
         true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_FALSE(quintora::調査_波形(c.image.data(), c.image.size()));
        EXPECT_EQ(accepted(c.image, 3), c.ok);
        EXPECT_EQ(accepted(c.image, 1), c.music_ok);
    }
}
