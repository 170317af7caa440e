// SPDX-License-Identifier: GPL-3.0-or-later
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

#include <SDL.h>

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
// Byte by byte: GCC 12 at -O2 takes a range inserted into an empty vector
// for an overflow (-Wstringop-overflow).
void tag(Bytes& out, const char* t) {
    for (int i = 0; i < 4; ++i) out.push_back(static_cast<unsigned char>(t[i]));
}

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

// Every input the fuzzer once broke SDL or SDL_mixer with, given to the
// library with its RIFF length made to match the file, as the fuzzer gives
// it, whatever the game's check would have said. The library refuses it, or
// decodes and plays it without harm; and what it plays, the game's check
// lets through.
TEST_F(WaveChunks, FuzzerFindingsAreRefusedOrPlayedSafely) {
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
        for (const std::int32_t flags : {3, 1}) {
            const std::int32_t b = dsCreateDSB(system_, bytes.data(), flags);
            if (b == 0) continue;
            EXPECT_FALSE(quintora::調査_波形(bytes.data(), bytes.size()));
            EXPECT_EQ(dsPlayLooping(b), 1);
            SDL_Delay(60);  // the audio thread converts and mixes it
            EXPECT_EQ(dsFree(b), 1);
        }
    }
    EXPECT_GT(replayed, 0);
}

// What the game's check and the library make of an image whose header fits.
// The game refuses with a warning, the library with handle 0; neither may let
// through what the decoder would choke on.
TEST_F(WaveChunks, OneFormatThenOneDataEveryChunkInsideAndAUsableRate) {
    const Bytes list_odd = chunk("LIST", 5, 5);
    Bytes list_padded = list_odd;
    list_padded.push_back(0);
    struct Case {
        const char* name;
        Bytes image;
        const char* game;  // part of the game's warning, or nullptr when it accepts
        bool ok;           // the library takes it, as an effect and as music alike
    };
    const Case cases[] = {
        {"plain", image({fmt_chunk(), chunk("data", 40, 40)}), nullptr, true},
        {"odd chunk padded before the data", image({fmt_chunk(), list_padded, chunk("data", 40, 40)}), nullptr, true},
        {"data one byte longer than the image", image({fmt_chunk(), chunk("data", 41, 40)}), "壊れて", false},
        {"data claiming gigabytes", image({fmt_chunk(), chunk("data", 0x98000021u, 40)}), "壊れて", false},
        {"chunk before the data claiming past the image",
         image({fmt_chunk(), chunk("LIST", 0xFFFFFFF0u, 8), chunk("data", 40, 40)}), "壊れて", false},
        {"broken chunk after the data", image({fmt_chunk(), chunk("data", 40, 40), chunk("LIST", 0xFFFFu, 2)}),
         "壊れて", false},
        {"format chunk claiming past the image", image({chunk("fmt ", 4000, 16), chunk("data", 40, 40)}), "壊れて",
         false},
        {"format after the data", image({chunk("data", 40, 40), fmt_chunk()}), "前にありません", false},
        {"no format", image({chunk("data", 40, 40)}), "前にありません", false},
        {"no data", image({fmt_chunk()}), "data チャンク）がありません", false},
        {"two formats", image({fmt_chunk(), fmt_chunk(), chunk("data", 40, 40)}), "二つ以上", false},
        {"a format again after the data", image({fmt_chunk(), chunk("data", 40, 40), fmt_chunk(8000, 0)}),
         "二つ以上", false},
        {"two data chunks", image({fmt_chunk(), chunk("data", 40, 40), chunk("data", 40, 40)}), "二つ以上", false},
        {"format chunk of 14 bytes", image({chunk("fmt ", 14, 14), chunk("data", 40, 40)}), "正しくありません",
         false},
        {"3 kHz, the least", image({fmt_chunk(3000), chunk("data", 400, 400)}), nullptr, true},
        {"a few seconds at 100 Hz", image({fmt_chunk(100), chunk("data", 400, 400)}), "再生できない", false},
        {"a thousand samples at 1 Hz", image({fmt_chunk(1), chunk("data", 1000, 1000)}), "再生できない", false},
        {"rate zero", image({fmt_chunk(0), chunk("data", 40, 40)}), "正しくありません", false},
        {"200 kHz", image({fmt_chunk(200000), chunk("data", 40, 40)}), nullptr, true},
        {"just above 200 kHz", image({fmt_chunk(200001), chunk("data", 40, 40)}), "再生できない", false},
        {"eight channels", image({fmt_chunk(8000, 8), chunk("data", 40, 40)}), nullptr, true},
        {"nine channels", image({fmt_chunk(8000, 9), chunk("data", 72, 72)}), "再生できない", false},
        {"256 channels", image({fmt_chunk(8000, 256), chunk("data", 512, 512)}), "再生できない", false},
        {"no channels", image({fmt_chunk(8000, 0), chunk("data", 40, 40)}), "正しくありません", false},
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
        EXPECT_EQ(accepted(c.image, 1), c.ok);
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
