// Wave images that would make SDL reserve far more than they hold or divide
// by nothing, as the wave fuzzer found them (fuzz/regressions/wave) and built
// by hand around the edges: chunks that claim more bytes than the image has,
// a second format or data chunk, sample rates so low that converting them to
// the device's rate would overflow or fill the memory, or so high that SDL's
// resampler overflows, and channel counts SDL's music reader cannot hold.
// The game's check refuses what is malformed with a warning; the sound
// library must refuse all of it before SDL sees it, as an effect and as music
// alike.
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

// Every input the fuzzer once broke SDL or SDL_mixer with. The library must
// stand each on its own, whatever the game's check would have said: it is
// given the image with its RIFF length made to match the file, as the fuzzer
// gives it.
TEST_F(WaveChunks, FuzzerFindingsAreRefused) {
    const fs::path dir = fs::path(QUINTORA_WAVES_DIR).parent_path().parent_path() / "fuzz" / "regressions" / "wave";
    ASSERT_TRUE(fs::is_directory(dir)) << dir;
    int replayed = 0;
    for (const auto& e : fs::directory_iterator(dir)) {
        SCOPED_TRACE(e.path().filename().string());
        std::ifstream in(e.path(), std::ios::binary);
        Bytes bytes((std::istreambuf_iterator<char>(in)), {});
        ASSERT_GE(bytes.size(), 12u);
        ++replayed;
        const auto stated = static_cast<std::uint32_t>(bytes.size() - 8);
        for (int i = 0; i < 4; ++i) bytes[4 + i] = static_cast<unsigned char>(stated >> (8 * i));
        // A few are harmless to the effect loader, which reads less; none
        // may bring it down, and none is taken as music.
        accepted(bytes, 3);
        EXPECT_FALSE(accepted(bytes, 1));
    }
    EXPECT_GT(replayed, 0);
}

namespace {
// A second format chunk with no channels that only a reader which ignores
// the pad byte after an odd-sized chunk finds: SDL_mixer's music reader
// meets it behind the one-byte "LIST", while a RIFF walk steps over the pad
// into a harmless chunk that ends the image.
Bytes hidden_second_format() {
    Bytes tail;
    tag(tail, "fmt ");
    le(tail, 16, 4);
    le(tail, 0x0100, 2);  // its low byte doubles as the RIFF walk's chunk length
    le(tail, 0, 2);       // no channels
    le(tail, 8000, 4);
    le(tail, 0, 4);
    le(tail, 1, 2);
    le(tail, 8, 2);
    tail.resize(48, 0x80);
    return image({fmt_chunk(), chunk("data", 40, 40), chunk("LIST", 1, 1), tail});
}
}  // namespace

// What the game's check, the effect loader and the music reader each make of
// an image whose header fits. The game refuses with a warning, the library
// with handle 0; neither may let through what the decoder would choke on.
TEST_F(WaveChunks, OneFormatThenOneDataEveryChunkInsideAndAUsableRate) {
    const Bytes list_odd = chunk("LIST", 5, 5);
    Bytes list_padded = list_odd;
    list_padded.push_back(0);
    struct Case {
        const char* name;
        Bytes image;
        const char* game;  // part of the game's warning, or nullptr when it accepts
        bool ok;
        bool music_ok;  // SDL_mixer's music reader is stricter: it steps over no pad byte and reads every chunk
    };
    const Case cases[] = {
        {"plain", image({fmt_chunk(), chunk("data", 40, 40)}), nullptr, true, true},
        {"odd chunk padded before the data", image({fmt_chunk(), list_padded, chunk("data", 40, 40)}), nullptr, true,
         false},
        {"data one byte longer than the image", image({fmt_chunk(), chunk("data", 41, 40)}), "壊れて", false, false},
        {"data claiming gigabytes", image({fmt_chunk(), chunk("data", 0x98000021u, 40)}), "壊れて", false, false},
        {"chunk before the data claiming past the image",
         image({fmt_chunk(), chunk("LIST", 0xFFFFFFF0u, 8), chunk("data", 40, 40)}), "壊れて", false, false},
        {"broken chunk after the data", image({fmt_chunk(), chunk("data", 40, 40), chunk("LIST", 0xFFFFu, 2)}),
         "壊れて", false, false},
        {"format chunk claiming past the image", image({chunk("fmt ", 4000, 16), chunk("data", 40, 40)}), "壊れて",
         false, false},
        {"format after the data", image({chunk("data", 40, 40), fmt_chunk()}), "前にありません", false, false},
        {"no format", image({chunk("data", 40, 40)}), "前にありません", false, false},
        {"no data", image({fmt_chunk()}), "data チャンク）がありません", false, false},
        {"two formats", image({fmt_chunk(), fmt_chunk(), chunk("data", 40, 40)}), "二つ以上", false, false},
        {"a format again after the data", image({fmt_chunk(), chunk("data", 40, 40), fmt_chunk(8000, 0)}),
         "二つ以上", false, false},
        {"two data chunks", image({fmt_chunk(), chunk("data", 40, 40), chunk("data", 40, 40)}), "二つ以上", false,
         false},
        {"a second format that only the music reader finds", hidden_second_format(), nullptr, true, false},
        {"format chunk of 14 bytes", image({chunk("fmt ", 14, 14), chunk("data", 40, 40)}), "正しくありません",
         false, false},
        {"a few seconds at 100 Hz", image({fmt_chunk(100), chunk("data", 400, 400)}), nullptr, true, true},
        {"a thousand samples at 1 Hz", image({fmt_chunk(1), chunk("data", 1000, 1000)}), nullptr, false, false},
        {"rate zero", image({fmt_chunk(0), chunk("data", 40, 40)}), "正しくありません", false, false},
        {"200 kHz", image({fmt_chunk(200000), chunk("data", 40, 40)}), nullptr, true, true},
        {"just above 200 kHz", image({fmt_chunk(200001), chunk("data", 40, 40)}), nullptr, false, false},
        {"eight channels", image({fmt_chunk(8000, 8), chunk("data", 40, 40)}), nullptr, true, true},
        {"256 channels", image({fmt_chunk(8000, 256), chunk("data", 512, 512)}), nullptr, false, false},
        {"no channels", image({fmt_chunk(8000, 0), chunk("data", 40, 40)}), "正しくありません", false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto fault = quintora::調査_波形(c.image.data(), c.image.size());
        if (c.game == nullptr) {
            EXPECT_FALSE(fault) << *fault;
        } else {
            ASSERT_TRUE(fault);
            EXPECT_NE(fault->find(c.game), std::string::npos) << *fault;
        }
        EXPECT_EQ(accepted(c.image, 3), c.ok);
        EXPECT_EQ(accepted(c.image, 1), c.music_ok);
    }
}

// The game reads a file into memory and checks its header against the bytes
// it really has before the library, which is given no length, trusts it.
TEST(WaveCheck, TheStatedLengthMustFitWhatWasRead) {
    auto refused = [](const Bytes& w) { return quintora::調査_波形(w.data(), w.size()).has_value(); };
    const Bytes good = image({fmt_chunk(), chunk("data", 40, 40)});
    EXPECT_FALSE(refused(good));
    Bytes trailing = good;
    trailing.insert(trailing.end(), 100, 0xEE);
    EXPECT_FALSE(refused(trailing)) << "bytes after the stated length are not read";
    Bytes longer = good;
    longer[4] += 1;
    EXPECT_TRUE(refused(longer));
    Bytes huge = good;
    huge[4] = huge[5] = huge[6] = huge[7] = 0xFF;
    EXPECT_TRUE(refused(huge));
    EXPECT_TRUE(refused(Bytes{'R', 'I', 'F', 'F'}));
    EXPECT_TRUE(refused(Bytes{}));
    Bytes not_wave = good;
    not_wave[8] = 'X';
    EXPECT_TRUE(refused(not_wave));
}
