// SPDX-License-Identifier: GPL-3.0-or-later
// make_sounds OUTDIR
//
// Synthesises the five sounds of Quintora and writes them as 16-bit PCM wave
// files into OUTDIR. Everything is computed here from oscillators, envelopes
// and a fixed-seed noise generator, so running it twice gives the same bytes
// (on the same platform: the last bit of sin/exp may differ between C
// libraries).
//
//   石打音.wav  stone placed on the board: a short wooden click
//   禁止.wav    refused move: two soft low buzzes, falling
//   その他.wav  about box: a light two-note chime
//   終局.wav    game over: brass arpeggio into a held major chord
//   BGM.wav     background music, loops without a seam
//
// Level policy: effects peak between -3 and -6 dBFS, the music at -12 dBFS
// so it sits under the effects; every note has a smooth attack and release,
// and every effect starts and ends on silence, so nothing clicks.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kTwoPi = 2.0 * kPi;

// ---------------------------------------------------------------------------
// Small building blocks

// xorshift64*: tiny, fast and the same everywhere, unlike std:: engines fed
// to std:: distributions whose output is not pinned down across libraries.
class Noise {
public:
    explicit Noise(std::uint64_t seed) : state_(seed) {}
    // Uniform in [-1, 1).
    double next() {
        state_ ^= state_ >> 12;
        state_ ^= state_ << 25;
        state_ ^= state_ >> 27;
        const std::uint64_t r = state_ * 0x2545F4914F6CDD1DULL;
        return static_cast<double>(r >> 11) * (2.0 / 9007199254740992.0) - 1.0;
    }

private:
    std::uint64_t state_;
};

// RBJ band-pass (constant 0 dB peak gain).
class BandPass {
public:
    BandPass(double rate, double centre, double q) {
        const double w = kTwoPi * centre / rate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        b0_ = alpha / a0;
        b2_ = -alpha / a0;
        a1_ = -2.0 * std::cos(w) / a0;
        a2_ = (1.0 - alpha) / a0;
    }
    double process(double x) {
        const double y = b0_ * x + b2_ * x2_ - a1_ * y1_ - a2_ * y2_;
        x2_ = x1_;
        x1_ = x;
        y2_ = y1_;
        y1_ = y;
        return y;
    }

private:
    double b0_, b2_, a1_, a2_;
    double x1_ = 0, x2_ = 0, y1_ = 0, y2_ = 0;
};

double midiToHz(double note) { return 440.0 * std::pow(2.0, (note - 69.0) / 12.0); }

double dbToGain(double db) { return std::pow(10.0, db / 20.0); }

// 0 -> 0, 1 -> 1 with zero slope at both ends: fades built on it start and
// stop without a corner, which the ear would hear as a tick.
double smooth(double x) {
    if (x <= 0.0) return 0.0;
    if (x >= 1.0) return 1.0;
    return 0.5 - 0.5 * std::cos(kPi * x);
}

// Attack / hold / release envelope of a note that sounds `duration` seconds
// and then dies away over `release` seconds.
double noteEnvelope(double t, double attack, double duration, double release) {
    if (t < 0.0) return 0.0;
    double e = smooth(t / attack);
    if (t > duration) e *= 1.0 - smooth((t - duration) / release);
    return e;
}

struct Wave {
    int rate = 44100;
    int channels = 1;
    std::vector<double> samples;  // interleaved, full scale = 1.0

    std::size_t frames() const { return samples.size() / static_cast<std::size_t>(channels); }
};

Wave makeMono(int rate, double seconds) {
    Wave w;
    w.rate = rate;
    w.channels = 1;
    w.samples.assign(static_cast<std::size_t>(std::lround(seconds * rate)), 0.0);
    return w;
}

double peakOf(const Wave& w) {
    double peak = 0.0;
    for (double s : w.samples) peak = std::max(peak, std::abs(s));
    return peak;
}

void normalise(Wave& w, double peakDb) {
    const double peak = peakOf(w);
    if (peak <= 0.0) return;
    const double gain = dbToGain(peakDb) / peak;
    for (double& s : w.samples) s *= gain;
}

// Shared ending of every effect: take out any DC the synthesis left (a
// 20 Hz high-pass, which starts from rest so the first sample stays 0), fade
// the tail to true silence and set the level.
void finishEffect(Wave& w, double fadeSeconds, double peakDb) {
    const double r = 1.0 - kTwoPi * 20.0 / w.rate;
    double prevIn = 0.0, prevOut = 0.0;
    for (double& s : w.samples) {
        const double out = s - prevIn + r * prevOut;
        prevIn = s;
        prevOut = out;
        s = out;
    }
    const std::size_t n = w.samples.size();
    const auto fadeLength = static_cast<std::size_t>(fadeSeconds * w.rate);
    for (std::size_t i = 0; i < fadeLength && i < n; ++i) {
        const std::size_t idx = n - fadeLength + i;
        w.samples[idx] *= 1.0 - smooth(static_cast<double>(i + 1) / static_cast<double>(fadeLength));
    }
    normalise(w, peakDb);
}

void putLe16(std::string& out, std::uint32_t v) {
    out.push_back(static_cast<char>(v & 0xFF));
    out.push_back(static_cast<char>((v >> 8) & 0xFF));
}

void putLe32(std::string& out, std::uint32_t v) {
    putLe16(out, v & 0xFFFF);
    putLe16(out, v >> 16);
}

bool writeWave(const std::filesystem::path& path, const Wave& w) {
    const auto dataBytes = static_cast<std::uint32_t>(w.samples.size() * 2);
    const auto blockAlign = static_cast<std::uint32_t>(w.channels * 2);
    std::string out;
    out.reserve(44 + dataBytes);
    out += "RIFF";
    putLe32(out, 36 + dataBytes);
    out += "WAVE";
    out += "fmt ";
    putLe32(out, 16);
    putLe16(out, 1);  // PCM
    putLe16(out, static_cast<std::uint32_t>(w.channels));
    putLe32(out, static_cast<std::uint32_t>(w.rate));
    putLe32(out, static_cast<std::uint32_t>(w.rate) * blockAlign);
    putLe16(out, blockAlign);
    putLe16(out, 16);
    out += "data";
    putLe32(out, dataBytes);
    for (double s : w.samples) {
        const long q = std::clamp(std::lround(s * 32767.0), -32767L, 32767L);
        putLe16(out, static_cast<std::uint32_t>(static_cast<std::uint16_t>(static_cast<std::int16_t>(q))));
    }
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file.write(out.data(), static_cast<std::streamsize>(out.size()));
    return static_cast<bool>(file);
}

// A decaying partial: amplitude, frequency and time constant.
struct Mode {
    double hz;
    double amp;
    double tau;
};

// ---------------------------------------------------------------------------
// Stone click: a stone landing on a wooden board is mostly a very short,
// bright contact noise plus a few strongly damped wood resonances.

Wave makeStoneClick() {
    Wave w = makeMono(44100, 0.16);
    Noise noise(0x51a7e5ULL);
    BandPass contact(w.rate, 3200.0, 0.9);
    const Mode wood[] = {
        {1480.0, 0.55, 0.020}, {2230.0, 0.35, 0.011}, {3370.0, 0.20, 0.006},  // the hard "tock"
        {960.0, 0.25, 0.028},                                                // board plank
        {310.0, 0.45, 0.032},  {205.0, 0.22, 0.042},                         // body of the board
    };
    for (std::size_t i = 0; i < w.samples.size(); ++i) {
        const double t = static_cast<double>(i) / w.rate;
        const double hit = smooth(t / 0.0006);  // 0.6 ms: sharp, yet not a one-sample step
        double s = 0.9 * contact.process(noise.next()) * hit * std::exp(-t / 0.0035);
        for (const Mode& m : wood) s += m.amp * std::sin(kTwoPi * m.hz * t) * hit * std::exp(-t / m.tau);
        w.samples[i] = s;
    }
    finishEffect(w, 0.025, -3.5);
    return w;
}

// ---------------------------------------------------------------------------
// Refusal buzz: two short square-like tones a major third apart, falling.
// Band-limited by construction (only partials below 5 kHz) and rolled off
// gently above 1.1 kHz so it is clearly a "no" without being shrill.

void addBuzz(Wave& w, double start, double length, double hz, double amp) {
    const auto first = static_cast<std::size_t>(start * w.rate);
    const auto count = static_cast<std::size_t>(length * w.rate);
    for (std::size_t i = 0; i < count && first + i < w.samples.size(); ++i) {
        const double t = static_cast<double>(i) / w.rate;
        double tone = 0.0;
        for (int k = 1; k * hz < 5000.0; k += 2) {
            const double rolloff = 1.0 / (1.0 + std::pow(k * hz / 1100.0, 2.0));
            tone += std::sin(kTwoPi * k * hz * t) * rolloff / k;
        }
        // A little 32 Hz flutter gives the buzz its rasp.
        const double flutter = 1.0 - 0.18 * (0.5 + 0.5 * std::sin(kTwoPi * 32.0 * t));
        // Sagging slightly while it sounds keeps it from feeling like an alarm.
        const double env = noteEnvelope(t, 0.006, length - 0.035, 0.035) * (1.0 - 0.35 * smooth(t / length));
        w.samples[first + i] += amp * tone * flutter * env;
    }
}

Wave makeRefusal() {
    Wave w = makeMono(44100, 0.34);
    addBuzz(w, 0.000, 0.135, midiToHz(52), 1.0);   // E3
    addBuzz(w, 0.170, 0.165, midiToHz(48), 1.0);   // C3
    finishEffect(w, 0.005, -6.0);
    return w;
}

// ---------------------------------------------------------------------------
// Bell-like tone shared by the chime and the fanfare's sparkle: a strong
// fundamental with a slowly beating twin, and the inharmonic partials of a
// struck bar, the higher ones dying faster.

void addBell(Wave& w, double start, double hz, double amp, double tau) {
    const Mode partials[] = {
        {1.000, 1.00, 1.00}, {1.0025, 0.30, 1.00}, {2.000, 0.16, 0.55},
        {2.760, 0.22, 0.35}, {5.400, 0.08, 0.12},  {8.930, 0.03, 0.06},
    };
    const auto first = static_cast<std::size_t>(start * w.rate);
    for (std::size_t i = first; i < w.samples.size(); ++i) {
        const double t = static_cast<double>(i - first) / w.rate;
        const double strike = smooth(t / 0.002);
        double s = 0.0;
        for (const Mode& p : partials) {
            if (p.hz * hz >= w.rate * 0.45) continue;
            s += p.amp * std::sin(kTwoPi * p.hz * hz * t) * std::exp(-t / (tau * p.tau));
        }
        w.samples[i] += amp * strike * s;
    }
}

Wave makeChime() {
    Wave w = makeMono(44100, 1.1);
    addBell(w, 0.00, midiToHz(79), 0.8, 0.38);  // G5
    addBell(w, 0.14, midiToHz(84), 1.0, 0.36);  // C6
    finishEffect(w, 0.15, -5.0);
    return w;
}

// ---------------------------------------------------------------------------
// Fanfare: G4 C5 E5 G5 in quick succession, then a C major chord held and
// released. Each note is a brass-like harmonic tone whose upper partials
// grow with loudness (brass "opens up" as it is blown harder), with a touch
// of vibrato on the held chord and a bell on top for shine.

void addBrass(Wave& w, double start, double duration, double release, double hz, double amp,
              bool vibrato) {
    const auto first = static_cast<std::size_t>(start * w.rate);
    const auto count = static_cast<std::size_t>((duration + release) * w.rate);
    const int partials = std::max(1, static_cast<int>(7000.0 / hz));
    double phase = 0.0;
    for (std::size_t i = 0; i < count && first + i < w.samples.size(); ++i) {
        const double t = static_cast<double>(i) / w.rate;
        const double env = noteEnvelope(t, 0.030, duration, release);
        // Slight swell while held, so a long chord does not sound static.
        const double swell = 0.85 + 0.15 * smooth((t - 0.05) / 0.6);
        const double loud = env * swell;
        double f = hz;
        if (vibrato) f *= 1.0 + 0.0025 * smooth((t - 0.35) / 0.4) * std::sin(kTwoPi * 5.2 * t);
        phase += kTwoPi * f / w.rate;
        const double darkness = 0.75 - 0.40 * loud;
        double s = 0.0;
        for (int n = 1; n <= partials; ++n) s += std::sin(n * phase) * std::exp(-(n - 1) * darkness) / n;
        w.samples[first + i] += amp * loud * s;
    }
}

Wave makeFanfare() {
    Wave w = makeMono(44100, 2.4);
    const double arpeggio[] = {67, 72, 76, 79};  // G4 C5 E5 G5
    for (int i = 0; i < 4; ++i) addBrass(w, 0.12 * i, 0.13, 0.06, midiToHz(arpeggio[i]), 0.55, false);
    const double chord[] = {48, 60, 64, 67, 72};  // C3 C4 E4 G4 C5
    const double weight[] = {0.45, 0.45, 0.35, 0.35, 0.40};
    for (int i = 0; i < 5; ++i) addBrass(w, 0.50, 1.30, 0.55, midiToHz(chord[i]), weight[i], true);
    addBell(w, 0.50, midiToHz(84), 0.30, 0.55);  // C6
    finishEffect(w, 0.02, -4.5);
    return w;
}

// ---------------------------------------------------------------------------
// Background music.
//
// 16 bars of 4/4 at 84 bpm in the yo scale on D (D E G A B, no semitones, so
// no note can clash), 22050 Hz stereo. At 84 bpm a beat is exactly 15750
// samples, so the piece is a whole number of samples long. Every note is
// written into the buffer modulo its length: the tails of the last bar ring
// on into the first, which makes the file one period of a periodic signal,
// and the loop point is as smooth as any other sample.
//
// Voices: a soft breathy flute melody with echoes, a plucked koto-like
// arpeggio, slow pad chords and a quiet bass.

constexpr int kMusicRate = 22050;
constexpr int kBeatsPerBar = 4;
constexpr int kBars = 16;
constexpr std::size_t kSamplesPerBeat = 15750;  // 60 / 84 s at 22050 Hz
constexpr double kBeat = static_cast<double>(kSamplesPerBeat) / kMusicRate;
constexpr std::size_t kMusicFrames = kSamplesPerBeat * kBeatsPerBar * kBars;

class LoopMix {
public:
    LoopMix() : left_(kMusicFrames, 0.0), right_(kMusicFrames, 0.0) {}

    // Adds one sample at `frame` (wrapping around), panned 0 = left .. 1 = right
    // with constant power.
    void add(std::size_t frame, double value, double pan) {
        const std::size_t i = frame % kMusicFrames;
        left_[i] += value * std::cos(pan * kPi / 2.0);
        right_[i] += value * std::sin(pan * kPi / 2.0);
    }

    // Adds a mono track delayed by `delay` frames (wrapping), for echoes.
    void addDelayed(const std::vector<double>& mono, std::size_t delay, double gain, double pan) {
        for (std::size_t i = 0; i < kMusicFrames; ++i) add(i + delay, mono[i] * gain, pan);
    }

    Wave toWave() const {
        Wave w;
        w.rate = kMusicRate;
        w.channels = 2;
        // Remove the mean over the whole period: a constant shift keeps the
        // loop seamless, unlike a filter that would start from rest.
        double meanL = 0.0, meanR = 0.0;
        for (std::size_t i = 0; i < kMusicFrames; ++i) {
            meanL += left_[i];
            meanR += right_[i];
        }
        meanL /= kMusicFrames;
        meanR /= kMusicFrames;
        w.samples.resize(kMusicFrames * 2);
        for (std::size_t i = 0; i < kMusicFrames; ++i) {
            w.samples[2 * i] = left_[i] - meanL;
            w.samples[2 * i + 1] = right_[i] - meanR;
        }
        return w;
    }

private:
    std::vector<double> left_, right_;
};

std::size_t frameAt(int bar, double beat) {
    return static_cast<std::size_t>(std::lround(((bar - 1) * kBeatsPerBar + beat) * kBeat * kMusicRate));
}

// Soft flute: nearly sinusoidal with a little breath noise and a delayed,
// gentle vibrato. Rendered into a mono track so the echoes can reuse it.
void renderFlute(std::vector<double>& track, Noise& noise, std::size_t start, double seconds,
                 double hz, double amp) {
    const double release = 0.22;
    const auto count = static_cast<std::size_t>((seconds + release) * kMusicRate);
    BandPass breathFilter(kMusicRate, std::min(2.0 * hz, 4000.0), 1.2);
    double phase = 0.0;
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kMusicRate;
        const double env = noteEnvelope(t, 0.08, seconds, release) * (1.0 - 0.15 * smooth(t / 0.4));
        const double vib = 0.004 * smooth((t - 0.3) / 0.4) * std::sin(kTwoPi * 4.8 * t);
        phase += kTwoPi * hz * (1.0 + vib) / kMusicRate;
        const double tone = std::sin(phase) + 0.28 * std::sin(2 * phase) + 0.10 * std::sin(3 * phase) +
                            0.04 * std::sin(4 * phase);
        const double breath = 0.6 * breathFilter.process(noise.next());
        track[(start + i) % kMusicFrames] += amp * env * (tone + breath);
    }
}

// Plucked string, koto-like: harmonic partials weighted as for a string
// plucked near its end (so the 5th is missing), upper ones decaying faster.
void renderPluck(LoopMix& mix, std::size_t start, double seconds, double hz, double amp, double pan) {
    const double release = 0.15;
    const auto count = static_cast<std::size_t>((seconds + release) * kMusicRate);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kMusicRate;
        const double env = noteEnvelope(t, 0.004, seconds, release);
        double s = 0.0;
        for (int n = 1; n <= 8 && n * hz < kMusicRate * 0.45; ++n) {
            const double weight = std::abs(std::sin(n * kPi * 0.2)) / n;
            const double tau = 1.4 / (1.0 + 0.7 * (n - 1));
            s += weight * std::sin(kTwoPi * n * hz * (1.0 + 0.0003 * n * n) * t) * std::exp(-t / tau);
        }
        mix.add(start + i, amp * env * s, pan);
    }
}

// Pad: two slightly detuned soft tones spread left and right, with a slow
// attack and a long release that crossfades into the next chord.
void renderPad(LoopMix& mix, std::size_t start, double seconds, double hz, double amp) {
    const double attack = 0.9, release = 1.4;
    const auto count = static_cast<std::size_t>((seconds + release) * kMusicRate);
    const double detune = std::pow(2.0, 4.0 / 1200.0);  // 4 cents
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kMusicRate;
        const double env = amp * noteEnvelope(t, attack, seconds, release);
        const double a = kTwoPi * hz * detune * t, b = kTwoPi * hz / detune * t;
        const double l = std::sin(a) + 0.22 * std::sin(2 * a) + 0.06 * std::sin(3 * a);
        const double r = std::sin(b) + 0.22 * std::sin(2 * b) + 0.06 * std::sin(3 * b);
        mix.add(start + i, env * l, 0.2);
        mix.add(start + i, env * r, 0.8);
    }
}

void renderBass(LoopMix& mix, std::size_t start, double seconds, double hz, double amp) {
    const double release = 0.5;
    const auto count = static_cast<std::size_t>((seconds + release) * kMusicRate);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kMusicRate;
        const double env = noteEnvelope(t, 0.08, seconds, release) * (1.0 - 0.3 * smooth(t / 2.0));
        const double a = kTwoPi * hz * t;
        mix.add(start + i, amp * env * (std::sin(a) + 0.25 * std::sin(2 * a) + 0.08 * std::sin(3 * a)), 0.5);
    }
}

// MIDI note numbers in the yo scale on D.
enum : int {
    B2 = 47, D3 = 50, E3 = 52, G3 = 55, A3 = 57, B3 = 59,
    D4 = 62, E4 = 64, G4 = 67, A4 = 69, B4 = 71,
    D5 = 74, E5 = 76, G5 = 79, A5 = 81, B5 = 83,
};

struct Chord {
    int bass;
    int pad[4];
    int pluck[4];    // arpeggio on eighths 0, 2, 3 and 6
};

// Sus and add9 voicings: the scale has no F sharp or C, and open fourths and
// seconds give the airy, unresolved colour wanted here.
constexpr Chord kDsus2 = {D3 - 12, {D3, A3, E4, A4}, {D3, A3, E4, A3}};
constexpr Chord kGadd9 = {G3 - 12, {G3, B3, D4, A4}, {G3, D4, A4, D4}};
constexpr Chord kEm7 = {E3 - 12, {E3, G3, B3, D4}, {E3, B3, D4, B3}};
constexpr Chord kAsus4 = {A3 - 12, {A3, D4, E4, A4}, {A3, E4, A4, E4}};
constexpr Chord kBm7 = {B2, {B3, D4, E4, A4}, {B3, D4, A4, D4}};

constexpr const Chord* kProgression[kBars] = {
    &kDsus2, &kGadd9, &kEm7, &kAsus4,  //
    &kDsus2, &kGadd9, &kBm7, &kAsus4,  //
    &kGadd9, &kEm7, &kGadd9, &kAsus4,  //
    &kDsus2, &kGadd9, &kEm7, &kAsus4,  // back into bar 1's D
};

struct Note {
    int bar;      // 1-based
    double beat;  // 0-based within the bar
    double beats;
    int pitch;
};

// Four phrases: statement, answer, a higher middle, and a return that
// comes to rest on A so the loop falls naturally back onto D.
constexpr Note kMelody[] = {
    {1, 0, 1.5, A4},  {1, 1.5, 0.5, B4}, {1, 2, 2, D5},
    {2, 0, 1, E5},    {2, 1, 1, D5},     {2, 2, 2, B4},
    {3, 0, 1, G4},    {3, 1, 1, A4},     {3, 2, 1.5, B4}, {3, 3.5, 0.5, A4},
    {4, 0, 3, A4},
    {5, 0, 1.5, A4},  {5, 1.5, 0.5, B4}, {5, 2, 1, D5},   {5, 3, 1, E5},
    {6, 0, 1.5, G5},  {6, 1.5, 0.5, E5}, {6, 2, 2, D5},
    {7, 0, 1, B4},    {7, 1, 1, D5},     {7, 2, 1, E5},   {7, 3, 1, D5},
    {8, 0, 3, E5},
    {9, 0, 1, D5},    {9, 1, 1, G5},     {9, 2, 2, A5},
    {10, 0, 1.5, B5}, {10, 1.5, 0.5, A5}, {10, 2, 1, G5}, {10, 3, 1, E5},
    {11, 0, 1, D5},   {11, 1, 1, E5},    {11, 2, 1.5, G5}, {11, 3.5, 0.5, E5},
    {12, 0, 2, E5},   {12, 2, 1, D5},    {12, 3, 1, E5},
    {13, 0, 1.5, A5}, {13, 1.5, 0.5, G5}, {13, 2, 1, E5}, {13, 3, 1, D5},
    {14, 0, 1, B4},   {14, 1, 1, D5},    {14, 2, 2, G5},
    {15, 0, 1.5, E5}, {15, 1.5, 0.5, D5}, {15, 2, 1, B4}, {15, 3, 1, G4},
    {16, 0, 1, B4},   {16, 1, 2.5, A4},
};

Wave makeMusic() {
    LoopMix mix;
    Noise noise(0xb6e0ULL);

    std::vector<double> melody(kMusicFrames, 0.0);
    for (const Note& n : kMelody) {
        // Slightly detached phrasing: each note lets go a little early.
        renderFlute(melody, noise, frameAt(n.bar, n.beat), n.beats * kBeat * 0.92, midiToHz(n.pitch), 0.30);
    }
    mix.addDelayed(melody, 0, 1.0, 0.45);
    // Echoes at a dotted eighth, a dotted quarter and beyond, bouncing
    // between the sides: space without a reverb.
    mix.addDelayed(melody, kSamplesPerBeat * 3 / 4, 0.30, 0.12);
    mix.addDelayed(melody, kSamplesPerBeat * 3 / 2, 0.18, 0.88);
    mix.addDelayed(melody, kSamplesPerBeat * 9 / 4, 0.09, 0.25);

    for (int bar = 1; bar <= kBars; ++bar) {
        const Chord& c = *kProgression[bar - 1];
        const double barSeconds = kBeatsPerBar * kBeat;
        for (int p : c.pad) renderPad(mix, frameAt(bar, 0), barSeconds, midiToHz(p), 0.045);
        renderBass(mix, frameAt(bar, 0), 3.5 * kBeat, midiToHz(c.bass), 0.22);
        const double eighths[] = {0, 2, 3, 6};
        for (int i = 0; i < 4; ++i) {
            renderPluck(mix, frameAt(bar, eighths[i] / 2.0), 2.0 * kBeat, midiToHz(c.pluck[i]), 0.13,
                        0.62 + 0.08 * (i % 2));
        }
    }

    Wave w = mix.toWave();
    normalise(w, -12.0);
    return w;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTDIR\n", argv[0]);
        return 2;
    }
    const std::filesystem::path dir(argv[1]);
    std::error_code ec;
    std::filesystem::create_directories(dir, ec);

    // Names are built from UTF-8 literals so they are stored as UTF-8 on disk
    // whatever the locale of the machine running this.
    struct Output {
        const char8_t* name;
        Wave (*make)();
    };
    const Output outputs[] = {
        {u8"石打音.wav", makeStoneClick}, {u8"禁止.wav", makeRefusal}, {u8"その他.wav", makeChime},
        {u8"終局.wav", makeFanfare},      {u8"BGM.wav", makeMusic},
    };
    int failures = 0;
    for (const Output& o : outputs) {
        const std::filesystem::path path = dir / std::filesystem::path(o.name);
        if (!writeWave(path, o.make())) {
            std::fprintf(stderr, "make_sounds: cannot write %s\n", path.string().c_str());
            ++failures;
        }
    }
    return failures == 0 ? 0 : 1;
}
