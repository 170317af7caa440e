// SPDX-License-Identifier: GPL-3.0-or-later
// Tests of the sound library (libQuintora.so) and of the wave files shipped
// with the game. They run on SDL's "dummy" audio driver, which mixes in real
// time without a sound card; what is playing is asked of the library's own
// count (dsPlaying), which its audio thread keeps. Where the samples matter,
// SDL's "disk" driver writes what was mixed to a file.
//
// Every wave image handed to the library lives in a vector of exactly the
// length its RIFF header states, so under AddressSanitizer any read past
// that length, or of the image after dsCreateDSB returned, is caught.
#include "sound/library/quintora_dll.h"

#include <SDL.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include <unistd.h>

namespace {

using Bytes = std::vector<unsigned char>;

void use_dummy_audio() { setenv("SDL_AUDIODRIVER", "dummy", 0); }

void sleep_ms(int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); }

void put_le(Bytes& out, std::uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<unsigned char>((v >> (8 * i)) & 0xFF));
}

std::uint32_t getLe(const Bytes& in, std::size_t at, int bytes) {
    std::uint32_t v = 0;
    for (int i = 0; i < bytes; ++i) v |= static_cast<std::uint32_t>(in[at + i]) << (8 * i);
    return v;
}

// A mono 16-bit sine wave file image, built here so the library tests do not
// depend on the shipped sounds.
Bytes sineWave(double seconds, int rate = 22050, double hz = 440.0) {
    const auto frames = static_cast<std::uint32_t>(seconds * rate);
    // "RIFF" byte by byte: GCC 12 at -O2 takes a range inserted into an
    // empty vector for an overflow (-Wstringop-overflow).
    Bytes out;
    for (char c : {'R', 'I', 'F', 'F'}) out.push_back(static_cast<unsigned char>(c));
    put_le(out, 36 + frames * 2, 4);
    for (const char* tag : {"WAVE", "fmt "}) out.insert(out.end(), tag, tag + 4);
    put_le(out, 16, 4);
    put_le(out, 1, 2);  // PCM
    put_le(out, 1, 2);  // mono
    put_le(out, static_cast<std::uint32_t>(rate), 4);
    put_le(out, static_cast<std::uint32_t>(rate) * 2, 4);
    put_le(out, 2, 2);
    put_le(out, 16, 2);
    const char* data = "data";
    out.insert(out.end(), data, data + 4);
    put_le(out, frames * 2, 4);
    for (std::uint32_t i = 0; i < frames; ++i) {
        const double s = 0.5 * std::sin(2.0 * 3.14159265358979 * hz * i / rate);
        put_le(out, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(s * 32767))), 2);
    }
    return out;
}

Bytes readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

const char8_t* const kShippedWaves[] = {u8"石打音.wav", u8"禁止.wav", u8"その他.wav", u8"終局.wav", u8"BGM.wav"};

std::filesystem::path shippedWave(const char8_t* name) {
    return std::filesystem::path(QUINTORA_WAVES_DIR) / std::filesystem::path(name);
}

std::string display_name(const char8_t* name) { return reinterpret_cast<const char*>(name); }

// ---------------------------------------------------------------------------
// The library with an open sound system.

class SoundLibraryTest : public ::testing::Test {
protected:
    void SetUp() override {
        use_dummy_audio();
        system_ = dsInitialize(0);
        ASSERT_NE(system_, 0) << "no audio with SDL_AUDIODRIVER=dummy: " << SDL_GetError();
    }
    void TearDown() override { dsTerminate(system_); }

    std::int32_t load(const Bytes& image) { return dsCreateDSB(system_, image.data(), 3); }

    std::int32_t system_ = 0;
};

TEST_F(SoundLibraryTest, EveryShippedWaveLoadsPlaysLoopsStopsAndFrees) {
    for (const char8_t* name : kShippedWaves) {
        SCOPED_TRACE(display_name(name));
        const Bytes image = readFile(shippedWave(name));
        ASSERT_FALSE(image.empty());
        const std::int32_t buffer = load(image);
        ASSERT_NE(buffer, 0);

        EXPECT_EQ(dsPlay(buffer), 1);
        EXPECT_EQ(dsPlaying(0), 1);
        EXPECT_EQ(dsStop(buffer), 1);
        EXPECT_EQ(dsPlaying(0), 0);

        EXPECT_EQ(dsPlayLooping(buffer), 1);
        EXPECT_EQ(dsPlaying(0), 1);
        EXPECT_EQ(dsFree(buffer), 1);
        EXPECT_EQ(dsPlaying(0), 0) << "freeing must stop the loop";
        EXPECT_EQ(dsPlay(buffer), 0) << "a freed handle must be dead";
    }
}

TEST_F(SoundLibraryTest, PlayIsOneShotWhileLoopOutlivesItsLength) {
    const std::int32_t buffer = load(sineWave(0.05));
    ASSERT_NE(buffer, 0);
    EXPECT_EQ(dsPlay(buffer), 1);
    EXPECT_EQ(dsPlayLooping(buffer), 1);
    EXPECT_EQ(dsPlaying(0), 2);
    sleep_ms(400);  // several lengths of the sound
    EXPECT_EQ(dsPlaying(0), 1) << "the one-shot should have ended, the loop not";
    EXPECT_EQ(dsStop(buffer), 1);
    EXPECT_EQ(dsPlaying(0), 0);
}

TEST_F(SoundLibraryTest, LoopingAgainKeepsTheSingleRunningLoop) {
    const std::int32_t buffer = load(sineWave(0.5));
    ASSERT_NE(buffer, 0);
    EXPECT_EQ(dsPlayLooping(buffer), 1);
    EXPECT_EQ(dsPlayLooping(buffer), 1);
    sleep_ms(30);
    EXPECT_EQ(dsPlayLooping(buffer), 1);
    EXPECT_EQ(dsPlaying(0), 1);

    // After a stop, looping starts again.
    EXPECT_EQ(dsStop(buffer), 1);
    EXPECT_EQ(dsPlaying(0), 0);
    EXPECT_EQ(dsPlayLooping(buffer), 1);
    EXPECT_EQ(dsPlaying(0), 1);
}

TEST_F(SoundLibraryTest, StopHaltsEveryPlaybackOfThatBufferOnly) {
    const std::int32_t music = load(sineWave(1.0, 22050, 220.0));
    const std::int32_t click = load(sineWave(1.0));
    ASSERT_NE(music, 0);
    ASSERT_NE(click, 0);
    ASSERT_NE(music, click);

    EXPECT_EQ(dsPlayLooping(music), 1);
    // More overlapping plays than the mixer starts with channels.
    for (int i = 0; i < 20; ++i) EXPECT_EQ(dsPlay(click), 1) << "play " << i;
    EXPECT_EQ(dsPlaying(0), 21);

    EXPECT_EQ(dsStop(click), 1);
    EXPECT_EQ(dsPlaying(0), 1) << "the music must go on";
    EXPECT_EQ(dsStop(click), 1) << "stopping twice is fine";
    EXPECT_EQ(dsStop(music), 1);
    EXPECT_EQ(dsPlaying(0), 0);
}

TEST_F(SoundLibraryTest, ZeroUnknownAndFreedHandlesDoNothing) {
    const Bytes image = sineWave(0.2);
    const std::int32_t live = load(image);
    ASSERT_NE(live, 0);
    const std::int32_t freed = load(image);
    ASSERT_NE(freed, 0);
    ASSERT_EQ(dsFree(freed), 1);

    for (std::int32_t h : {0, -1, 7777, std::numeric_limits<std::int32_t>::min(),
                           std::numeric_limits<std::int32_t>::max(), freed}) {
        SCOPED_TRACE(h);
        EXPECT_EQ(dsPlay(h), 0);
        EXPECT_EQ(dsPlayLooping(h), 0);
        EXPECT_EQ(dsStop(h), 0);
        EXPECT_EQ(dsFree(h), 0);
        if (h != system_) {
            EXPECT_EQ(dsCreateDSB(h, image.data(), 3), 0) << "not the live system";
            EXPECT_EQ(dsTerminate(h), 0);
        }
    }
    EXPECT_EQ(dsPlaying(0), 0);

    // None of that disturbed the live system or buffer.
    EXPECT_EQ(dsPlay(live), 1);
    EXPECT_NE(load(image), 0);
}

TEST_F(SoundLibraryTest, RejectsImagesThatAreNotWaves) {
    EXPECT_EQ(dsCreateDSB(system_, nullptr, 3), 0);

    const Bytes good = sineWave(0.1);
    auto withHeader = [&](const char* riff, std::uint32_t size, const char* wave) {
        Bytes b = good;
        std::memcpy(b.data(), riff, 4);
        b[4] = size & 0xFF;
        b[5] = (size >> 8) & 0xFF;
        b[6] = (size >> 16) & 0xFF;
        b[7] = (size >> 24) & 0xFF;
        std::memcpy(b.data() + 8, wave, 4);
        return b;
    };
    const auto goodSize = static_cast<std::uint32_t>(good.size() - 8);
    EXPECT_EQ(load(withHeader("RIFX", goodSize, "WAVE")), 0) << "big-endian RIFF";
    EXPECT_EQ(load(withHeader("RIFF", goodSize, "AVI ")), 0) << "RIFF but not a wave";
    EXPECT_EQ(load(withHeader("RIFF", 2, "WAVE")), 0) << "size shorter than the WAVE tag";
    // Must be refused from the header alone: reading that far would run off
    // the 12 bytes we really have.
    Bytes huge = {'R', 'I', 'F', 'F', 0, 0, 0, 0x40, 'W', 'A', 'V', 'E'};  // 1 GiB
    EXPECT_EQ(load(huge), 0);

    // A correct header followed by noise.
    Bytes garbage = {'R', 'I', 'F', 'F', 0, 0, 0, 0, 'W', 'A', 'V', 'E'};
    std::uint32_t x = 12345;
    for (int i = 0; i < 500; ++i) {
        x = x * 1103515245u + 12345u;
        garbage.push_back(static_cast<unsigned char>(x >> 24));
    }
    garbage[4] = static_cast<unsigned char>((garbage.size() - 8) & 0xFF);
    garbage[5] = static_cast<unsigned char>((garbage.size() - 8) >> 8);
    EXPECT_EQ(load(garbage), 0);

    // Just the 12-byte header, nothing after it.
    Bytes empty = {'R', 'I', 'F', 'F', 4, 0, 0, 0, 'W', 'A', 'V', 'E'};
    EXPECT_EQ(load(empty), 0);

    // The good image, to show the failures above were about the content.
    EXPECT_NE(load(good), 0);
}

// A desktop's volume control lists the stream by these names (PulseAudio's
// application and stream name).
TEST_F(SoundLibraryTest, TheSoundIsNamedQuintoraForTheDesktop) {
    for (const char* hint : {SDL_HINT_APP_NAME, SDL_HINT_AUDIO_DEVICE_APP_NAME, SDL_HINT_AUDIO_DEVICE_STREAM_NAME}) {
        SCOPED_TRACE(hint);
        ASSERT_NE(SDL_GetHint(hint), nullptr);
        EXPECT_STREQ(SDL_GetHint(hint), "Quintora");
    }
}

TEST_F(SoundLibraryTest, InitializeAgainWhileOpenKeepsTheSystemWorking) {
    const std::int32_t again = dsInitialize(0);
    EXPECT_TRUE(again == system_ || again == 0);
    const std::int32_t buffer = load(sineWave(0.2));
    ASSERT_NE(buffer, 0);
    EXPECT_EQ(dsPlay(buffer), 1);
}

// ---------------------------------------------------------------------------
// Opening and closing in every order.

TEST(SoundLibraryLifetime, CallsAfterTerminateAreHarmlessAndReopeningWorks) {
    use_dummy_audio();
    const Bytes image = sineWave(0.3);

    const std::int32_t first = dsInitialize(0);
    ASSERT_NE(first, 0);
    const std::int32_t oldBuffer = dsCreateDSB(first, image.data(), 1);
    ASSERT_NE(oldBuffer, 0);
    ASSERT_EQ(dsPlayLooping(oldBuffer), 1);

    EXPECT_EQ(dsTerminate(first), 1);
    EXPECT_EQ(dsTerminate(first), 0);
    EXPECT_EQ(dsFree(oldBuffer), 0);
    EXPECT_EQ(dsStop(oldBuffer), 0);
    EXPECT_EQ(dsPlay(oldBuffer), 0);
    EXPECT_EQ(dsPlayLooping(oldBuffer), 0);
    EXPECT_EQ(dsCreateDSB(first, image.data(), 1), 0);

    const std::int32_t second = dsInitialize(0);
    ASSERT_NE(second, 0);
    const std::int32_t newBuffer = dsCreateDSB(second, image.data(), 1);
    ASSERT_NE(newBuffer, 0);
    // A handle from before the restart must not reach the new buffer.
    EXPECT_EQ(dsFree(oldBuffer), 0);
    EXPECT_EQ(dsCreateDSB(first, image.data(), 1), 0);
    EXPECT_EQ(dsPlay(newBuffer), 1);
    EXPECT_EQ(dsPlaying(newBuffer), 1);

    EXPECT_EQ(dsFree(newBuffer), 1);
    EXPECT_EQ(dsTerminate(second), 1);
    EXPECT_EQ(dsFree(newBuffer), 0);
    EXPECT_EQ(dsTerminate(second), 0);
    EXPECT_EQ(dsTerminate(0), 0);
}

TEST(SoundLibraryLifetime, NoAudioDeviceMeansNoSystem) {
    const char* saved = std::getenv("SDL_AUDIODRIVER");
    const std::optional<std::string> previous = saved ? std::optional<std::string>(saved) : std::nullopt;
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    const std::int32_t system = dsInitialize(0);
    if (previous) {
        setenv("SDL_AUDIODRIVER", previous->c_str(), 1);
    } else {
        unsetenv("SDL_AUDIODRIVER");
    }
    use_dummy_audio();

    EXPECT_EQ(system, 0);
    const Bytes image = sineWave(0.1);
    EXPECT_EQ(dsCreateDSB(system, image.data(), 3), 0);
    EXPECT_EQ(dsTerminate(system), 0);

    // The failed attempt left nothing half-open.
    const std::int32_t working = dsInitialize(0);
    ASSERT_NE(working, 0);
    EXPECT_NE(dsCreateDSB(working, image.data(), 3), 0);
    EXPECT_EQ(dsTerminate(working), 1);
}

// ---------------------------------------------------------------------------
// The shipped wave files.

struct WaveFile {
    int channels = 0;
    int rate = 0;
    int bits = 0;
    int format = 0;
    std::vector<std::int16_t> samples;  // interleaved

    double seconds() const { return static_cast<double>(samples.size()) / channels / rate; }
    std::int16_t at(std::size_t frame, int channel) const { return samples[frame * channels + channel]; }
    std::size_t frames() const { return samples.size() / channels; }
};

// Parses a RIFF/WAVE file, failing the test on anything malformed.
void parse_wave(const Bytes& b, WaveFile& w) {
    ASSERT_GE(b.size(), 44u);
    ASSERT_EQ(std::memcmp(b.data(), "RIFF", 4), 0);
    ASSERT_EQ(std::memcmp(b.data() + 8, "WAVE", 4), 0);
    ASSERT_EQ(getLe(b, 4, 4), b.size() - 8) << "RIFF size must match the file";
    bool haveFormat = false, haveData = false;
    for (std::size_t at = 12; at + 8 <= b.size();) {
        const std::uint32_t size = getLe(b, at + 4, 4);
        ASSERT_LE(at + 8 + size, b.size()) << "chunk runs past the end";
        if (std::memcmp(b.data() + at, "fmt ", 4) == 0) {
            ASSERT_GE(size, 16u);
            w.format = static_cast<int>(getLe(b, at + 8, 2));
            w.channels = static_cast<int>(getLe(b, at + 10, 2));
            w.rate = static_cast<int>(getLe(b, at + 12, 4));
            w.bits = static_cast<int>(getLe(b, at + 22, 2));
            EXPECT_EQ(getLe(b, at + 16, 4), static_cast<std::uint32_t>(w.rate * w.channels * w.bits / 8));
            EXPECT_EQ(getLe(b, at + 20, 2), static_cast<std::uint32_t>(w.channels * w.bits / 8));
            haveFormat = true;
        } else if (std::memcmp(b.data() + at, "data", 4) == 0) {
            ASSERT_TRUE(haveFormat) << "data before fmt";
            ASSERT_EQ(w.format, 1);
            ASSERT_EQ(w.bits, 16);
            ASSERT_TRUE(w.channels == 1 || w.channels == 2);
            ASSERT_EQ(size % (2u * w.channels), 0u);
            for (std::uint32_t i = 0; i < size; i += 2) {
                w.samples.push_back(static_cast<std::int16_t>(getLe(b, at + 8 + i, 2)));
            }
            haveData = true;
        }
        at += 8 + size + (size & 1);
    }
    ASSERT_TRUE(haveFormat && haveData);
    ASSERT_TRUE(w.rate == 44100 || w.rate == 22050);
    ASSERT_GT(w.frames(), 2u);
}

struct Expectation {
    const char8_t* name;
    double minSeconds, maxSeconds;
    bool loops;
};

const Expectation kExpected[] = {
    {u8"石打音.wav", 0.02, 0.25, false},
    {u8"禁止.wav", 0.2, 0.45, false},
    {u8"その他.wav", 0.5, 1.3, false},
    {u8"終局.wav", 1.0, 3.0, false},
    {u8"BGM.wav", 30.0, 60.0, true},
};

TEST(ShippedWaves, ArePcm16OfTheRightLengthWithoutClippingOrDc) {
    for (const Expectation& e : kExpected) {
        SCOPED_TRACE(display_name(e.name));
        WaveFile w;
        parse_wave(readFile(shippedWave(e.name)), w);
        if (HasFatalFailure()) return;

        EXPECT_GE(w.seconds(), e.minSeconds);
        EXPECT_LE(w.seconds(), e.maxSeconds);

        int peak = 0;
        double sum = 0.0;
        for (std::int16_t s : w.samples) {
            peak = std::max(peak, std::abs(int{s}));
            sum += s;
        }
        EXPECT_LT(peak, 32767) << "clipped";
        EXPECT_GT(peak, 32767 / 16) << "far too quiet to hear (below -24 dBFS)";
        EXPECT_LT(std::abs(sum / static_cast<double>(w.samples.size())), 0.002 * 32768) << "DC offset";

        if (!e.loops) {
            // Effects start from and fade back to silence, so they never click.
            for (int c = 0; c < w.channels; ++c) {
                EXPECT_LT(std::abs(int{w.at(0, c)}), 64);
                EXPECT_LT(std::abs(int{w.at(w.frames() - 1, c)}), 64);
            }
        }
    }
}

TEST(ShippedWaves, MusicJoinsItsStartWithoutAClick) {
    WaveFile w;
    parse_wave(readFile(shippedWave(u8"BGM.wav")), w);
    if (HasFatalFailure()) return;
    const std::size_t n = w.frames();
    for (int c = 0; c < w.channels; ++c) {
        SCOPED_TRACE(c);
        const int first = w.at(0, c), second = w.at(1, c);
        const int last = w.at(n - 1, c), beforeLast = w.at(n - 2, c);
        // Across the seam the wave moves like anywhere else: a small step,
        // and the slope just before it continues just after it.
        EXPECT_LT(std::abs(first - last), 0.02 * 32768);
        EXPECT_LT(std::abs((first - last) - (last - beforeLast)), 0.01 * 32768);
        EXPECT_LT(std::abs((second - first) - (first - last)), 0.01 * 32768);
    }
}

}  // namespace

// The background music (flag 1) plays from the library's own copy of its
// samples, converted as it plays: looping again keeps the one loop, stopping
// it leaves the effects alone, and the caller's image may go at once.
TEST_F(SoundLibraryTest, MusicLoopsOnceAndStopsAlone) {
    Bytes image = readFile(shippedWave(u8"BGM.wav"));
    const std::int32_t music = dsCreateDSB(system_, image.data(), 1);
    ASSERT_NE(music, 0);
    std::fill(image.begin(), image.end(), 0xCD);
    image.clear();
    image.shrink_to_fit();
    const std::int32_t click = load(readFile(shippedWave(u8"石打音.wav")));
    ASSERT_NE(click, 0);

    EXPECT_EQ(dsPlayLooping(music), 1);
    sleep_ms(100);  // the audio thread converts and mixes from the library's copy
    EXPECT_EQ(dsPlayLooping(music), 1);
    EXPECT_EQ(dsPlaying(music), 1);
    EXPECT_EQ(dsPlay(click), 1);
    EXPECT_EQ(dsPlaying(0), 2);
    EXPECT_EQ(dsStop(music), 1);
    EXPECT_EQ(dsPlaying(music), 0);
    EXPECT_EQ(dsPlaying(click), 1) << "stopping the music leaves the click playing";
    EXPECT_EQ(dsPlayLooping(music), 1) << "and it starts again";
    EXPECT_EQ(dsPlaying(music), 1);
    EXPECT_EQ(dsFree(music), 1);
    EXPECT_EQ(dsPlaying(music), 0);
    EXPECT_EQ(dsStop(music), 0);
}

// ---------------------------------------------------------------------------
// What reaches the device: SDL's "disk" driver writes every mixed buffer to a
// file, 16-bit stereo at 44.1 kHz, and sleeps a buffer's time between them.

namespace {

class DiskOutput : public ::testing::Test {
protected:
    void SetUp() override {
        file_ = std::filesystem::temp_directory_path() /
                ("quintora-disk-" + std::to_string(::getpid()) + "-" +
                 ::testing::UnitTest::GetInstance()->current_test_info()->name() + ".raw");
        saved_ = std::getenv("SDL_AUDIODRIVER") ? std::optional<std::string>(std::getenv("SDL_AUDIODRIVER")) : std::nullopt;
        setenv("SDL_AUDIODRIVER", "disk", 1);
        setenv("SDL_DISKAUDIOFILE", file_.c_str(), 1);
        system_ = dsInitialize(0);
        ASSERT_NE(system_, 0) << SDL_GetError();
    }
    void TearDown() override {
        dsTerminate(system_);
        if (saved_) setenv("SDL_AUDIODRIVER", saved_->c_str(), 1);
        unsetenv("SDL_DISKAUDIOFILE");
        std::filesystem::remove(file_);
    }
    std::uintmax_t written() const {
        std::error_code ec;
        const auto n = std::filesystem::file_size(file_, ec);
        return ec ? 0 : n;
    }
    // Waits up to `ms` for `done`.
    template <class F>
    static bool within(int ms, F done) {
        for (int waited = 0; waited < ms; waited += 5) {
            if (done()) return true;
            sleep_ms(5);
        }
        return done();
    }
    std::vector<std::int16_t> samples() const {
        const Bytes raw = readFile(file_);
        std::vector<std::int16_t> out(raw.size() / 2);
        std::memcpy(out.data(), raw.data(), out.size() * 2);
        return out;
    }
    std::filesystem::path file_;
    std::optional<std::string> saved_;
    std::int32_t system_ = 0;
};

int peak(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
    int p = 0;
    for (std::size_t i = from; i < std::min(to, s.size()); ++i) p = std::max(p, std::abs(int{s[i]}));
    return p;
}

}  // namespace

TEST_F(DiskOutput, SamplesAreCopiedSoTheImageCanBeDiscarded) {
    std::int32_t buffer = 0;
    {
        Bytes image = sineWave(0.3);
        buffer = dsCreateDSB(system_, image.data(), 3);
        ASSERT_NE(buffer, 0);
        std::fill(image.begin(), image.end(), 0);
    }  // and freed: the library reading it now would be a use-after-free
    ASSERT_EQ(dsPlay(buffer), 1);
    ASSERT_TRUE(within(5000, [&] { return dsPlaying(buffer) == 0; }));
    EXPECT_EQ(dsTerminate(system_), 1);  // flushes the file
    system_ = 0;
    EXPECT_GT(peak(samples(), 0, std::size_t(-1)), 10000) << "the sine survived overwriting the image";
}

TEST_F(DiskOutput, MonoAtTheDevicesRateReachesBothChannelsSampleForSample) {
    const Bytes image = sineWave(0.1, 44100);
    const std::int32_t buffer = dsCreateDSB(system_, image.data(), 3);
    ASSERT_EQ(dsPlay(buffer), 1);
    ASSERT_TRUE(within(5000, [&] { return dsPlaying(buffer) == 0; }));
    EXPECT_EQ(dsTerminate(system_), 1);
    system_ = 0;
    std::vector<std::int16_t> source((image.size() - 44) / 2);
    std::memcpy(source.data(), image.data() + 44, source.size() * 2);
    const std::vector<std::int16_t> out = samples();
    // The first frame that is not silence, found in the source (the disk
    // driver may drop a buffer at the start), then frame by frame from there.
    const auto first_out = std::find_if(out.begin(), out.end(), [](std::int16_t v) { return v != 0; });
    ASSERT_GT(out.end() - first_out, 8);
    const std::size_t from = std::size_t(first_out - out.begin()) & ~std::size_t(1);
    std::size_t at = 0;
    while (at + 2 < source.size() &&
           !(source[at] == out[from] && source[at + 1] == out[from + 2] && source[at + 2] == out[from + 4]))
        ++at;
    ASSERT_LT(at + 2, source.size()) << "the played samples are not the source's";
    std::size_t compared = 0;
    for (; at + compared < source.size() && from + 2 * compared + 1 < out.size(); ++compared) {
        ASSERT_EQ(out[from + 2 * compared], source[at + compared]) << "left, sample " << compared;
        ASSERT_EQ(out[from + 2 * compared + 1], source[at + compared]) << "right, sample " << compared;
    }
    EXPECT_GT(compared, 2000u);
}

TEST_F(DiskOutput, InPlaceTheSamplesAreReadWhereTheImageHoldsThem) {
    Bytes image = sineWave(0.3);
    const std::int32_t buffer = dsCreateDSBInPlace(system_, image.data(), 1);
    ASSERT_NE(buffer, 0);
    std::fill(image.begin() + 44, image.end(), 0);  // the samples after the 44-byte header
    ASSERT_EQ(dsPlay(buffer), 1);
    ASSERT_TRUE(within(5000, [&] { return dsPlaying(buffer) == 0; }));
    EXPECT_EQ(dsTerminate(system_), 1);
    system_ = 0;
    EXPECT_LT(peak(samples(), 0, std::size_t(-1)), 100) << "the silenced image is what was played, not a copy";
}

// While nothing plays, the audio thread waits: not a single buffer of
// silence is written. The next sound is mixed into the very next buffer,
// from its first sample. (Effects only: the disk driver would open the
// music's output as a second writer of the same file.)
TEST_F(DiskOutput, NothingIsWrittenWhileNothingPlaysAndTheNextSoundStartsAtOnce) {
    const Bytes image = sineWave(0.1);
    const Bytes longer = sineWave(0.5);
    const std::int32_t buffer = dsCreateDSB(system_, image.data(), 3);
    const std::int32_t second = dsCreateDSB(system_, longer.data(), 3);
    ASSERT_NE(buffer, 0);
    ASSERT_NE(second, 0);
    ASSERT_EQ(dsPlay(buffer), 1);
    ASSERT_TRUE(within(5000, [&] { return dsPlaying(0) == 0; }));
    sleep_ms(150);  // the buffer that held the end of the sound is written
    const auto idle = written();
    sleep_ms(400);  // some nine buffers' time
    EXPECT_EQ(written(), idle) << "silence was mixed while nothing played";
    EXPECT_EQ(dsOutputsOpen(), 1) << "closed before its silence was over";

    ASSERT_EQ(dsPlay(second), 1);
    ASSERT_TRUE(within(5000, [&] { return written() >= idle + 8192; }));
    EXPECT_EQ(dsTerminate(system_), 1);
    system_ = 0;
    const auto s = samples();
    ASSERT_GT(s.size(), idle / 2 + 64);
    // The first frames after the gap are the sine's first (0, then rising).
    EXPECT_GT(peak(s, idle / 2, idle / 2 + 128), 3000) << "silence before the sound";
}

// An output is released after its silence and opened again by the next
// sound, which plays. (The dummy driver has one device, so music and effects
// share it here; their outputs of their own are seen on a real server.)
TEST_F(SoundLibraryTest, OutputsAreReleasedAfterTheirSilenceAndOpenedByTheNextSound) {
    const Bytes music_image = sineWave(0.5, 22050, 220.0);
    const Bytes click_image = sineWave(0.05);
    const std::int32_t music = load(music_image);
    const std::int32_t click = load(click_image);
    ASSERT_NE(music, 0);
    ASSERT_NE(click, 0);
    const auto within = [](int ms, auto done) {
        for (int waited = 0; waited < ms && !done(); waited += 20) sleep_ms(20);
        return done();
    };
    ASSERT_EQ(dsPlayLooping(music), 1);
    ASSERT_EQ(dsPlay(click), 1);
    EXPECT_TRUE(within(2000, [&] { return dsPlaying(click) == 0; })) << "the click beside the loop played to its end";
    EXPECT_EQ(dsOutputsOpen(), 1);
    ASSERT_EQ(dsStop(music), 1);
    EXPECT_TRUE(within(4000, [] { return dsOutputsOpen() == 0; })) << "not released after its silence";

    ASSERT_EQ(dsPlay(click), 1);
    EXPECT_TRUE(within(2000, [] { return dsOutputsOpen() == 1; })) << "the next sound did not open it again";
    EXPECT_TRUE(within(2000, [&] { return dsPlaying(click) == 0; })) << "the click played to its end";
    EXPECT_TRUE(within(4000, [] { return dsOutputsOpen() == 0; }));
    ASSERT_EQ(dsPlayLooping(music), 1);
    EXPECT_TRUE(within(2000, [] { return dsOutputsOpen() == 1; })) << "the loop did not open it again";
    EXPECT_EQ(dsPlaying(music), 1);
}
