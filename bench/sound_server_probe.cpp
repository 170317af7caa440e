// The sound library against a real sound server: how soon an effect reaches
// the server's sink after dsPlay, and how often the library's threads and the
// server wake while the music plays and while all is quiet.
//
//   quintora_sound_probe MONITOR SERVER_PID [rounds=20]
//
// MONITOR is the monitor source of the sink the library plays to (for a
// null sink "NAME.monitor"); bench/run_sound_probe.sh starts a private
// PulseAudio with such a sink and runs this. The monitor is recorded in
// pieces of 64 frames (1.5 ms) and every piece stamped with the monotonic
// clock as it arrives; an effect's onset is the time from the dsPlay call
// to the arrival of the piece that holds its first loud sample, that is when
// the sink has mixed it, and so an upper bound of the server's own delay.
// The effect is a 1 kHz cosine that starts at full height, so its first
// sample is loud; the music under it a quiet sine, far below the threshold.
//
// Wake-ups are voluntary context switches (each time a thread goes to sleep)
// read from /proc/PID/task/TID/status before and after a stretch of seconds,
// per thread of this process and summed over the server's threads.
#include <dirent.h>
#include <pulse/error.h>
#include <pulse/simple.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "sound/library/quintora_dll.h"

namespace {

using Clock = std::chrono::steady_clock;
using Bytes = std::vector<unsigned char>;
constexpr int kRate = 44100;
constexpr int kPiece = 64;  // frames per read of the monitor
constexpr int kLoud = 8000;

void put(Bytes& out, std::uint32_t v, int n) {
    for (int i = 0; i < n; ++i) out.push_back(static_cast<unsigned char>(v >> (8 * i)));
}

// A mono 16-bit wave image of `frames` samples made by `f`.
template <class F>
Bytes wave(int rate, int frames, F f) {
    Bytes b;
    const char* tags[] = {"RIFF", "WAVE", "fmt ", "data"};
    b.insert(b.end(), tags[0], tags[0] + 4);
    put(b, 36 + frames * 2, 4);
    b.insert(b.end(), tags[1], tags[1] + 4);
    b.insert(b.end(), tags[2], tags[2] + 4);
    put(b, 16, 4);
    put(b, 1, 2);
    put(b, 1, 2);
    put(b, rate, 4);
    put(b, rate * 2, 4);
    put(b, 2, 2);
    put(b, 16, 2);
    b.insert(b.end(), tags[3], tags[3] + 4);
    put(b, frames * 2, 4);
    for (int i = 0; i < frames; ++i) put(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(f(i))), 2);
    return b;
}

Bytes read_file(const char* path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// The monitor, recorded on a thread of its own: the loudest channel of
// every frame, and when each piece arrived.
class Recorder {
public:
    explicit Recorder(const char* source) {
        pa_sample_spec format{PA_SAMPLE_S16LE, kRate, 2};
        pa_buffer_attr attr{};
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.fragsize = kPiece * 4;
        int error = 0;
        pa_ = pa_simple_new(nullptr, "quintora-probe", PA_STREAM_RECORD, source, "monitor", &format, nullptr, &attr,
                            &error);
        if (pa_ == nullptr) {
            std::fprintf(stderr, "cannot record %s: %s\n", source, pa_strerror(error));
            std::exit(1);
        }
        thread_ = std::thread([this] { run(); });
    }
    ~Recorder() {
        quit_ = true;
        thread_.join();
        pa_simple_free(pa_);
    }
    std::size_t frames() {
        std::lock_guard<std::mutex> g(lock_);
        return level_.size();
    }
    // Milliseconds from `call` to the arrival of the first loud frame
    // recorded after `from`, or -1 when none came.
    double onset_ms(std::size_t from, Clock::time_point call) {
        std::lock_guard<std::mutex> g(lock_);
        for (std::size_t i = from; i < level_.size(); ++i)
            if (level_[i] > kLoud) {
                const auto at = arrival_[i / kPiece];
                return std::chrono::duration<double, std::milli>(at - call).count();
            }
        return -1;
    }
    int peak(std::size_t from) {
        std::lock_guard<std::mutex> g(lock_);
        int p = 0;
        for (std::size_t i = from; i < level_.size(); ++i) p = std::max(p, level_[i]);
        return p;
    }

private:
    void run() {
        std::int16_t piece[kPiece * 2];
        while (!quit_) {
            int error = 0;
            if (pa_simple_read(pa_, piece, sizeof piece, &error) < 0) break;
            const auto now = Clock::now();
            std::lock_guard<std::mutex> g(lock_);
            arrival_.push_back(now);
            for (int i = 0; i < kPiece; ++i)
                level_.push_back(std::max(std::abs(int{piece[2 * i]}), std::abs(int{piece[2 * i + 1]})));
        }
    }
    pa_simple* pa_ = nullptr;
    std::thread thread_;
    std::atomic<bool> quit_{false};
    std::mutex lock_;
    std::vector<int> level_;
    std::vector<Clock::time_point> arrival_;
};

// Voluntary context switches per thread of `pid` ("self" for this process).
std::map<std::string, long> switches(const std::string& pid) {
    std::map<std::string, long> out;
    const std::string dir = "/proc/" + pid + "/task";
    DIR* d = opendir(dir.c_str());
    if (d == nullptr) return out;
    while (dirent* e = readdir(d)) {
        if (e->d_name[0] == '.') continue;
        const std::string task = dir + "/" + e->d_name;
        std::ifstream comm(task + "/comm");
        std::string name;
        std::getline(comm, name);
        std::ifstream status(task + "/status");
        std::string line;
        while (std::getline(status, line))
            if (line.rfind("voluntary_ctxt_switches:", 0) == 0) out[name + " (" + e->d_name + ")"] = std::atol(line.c_str() + 24);
    }
    closedir(d);
    return out;
}

void wakeups(const char* label, const std::string& server, int seconds) {
    const auto ours0 = switches("self");
    const auto server0 = switches(server);
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    const auto ours1 = switches("self");
    const auto server1 = switches(server);
    long server_total = 0;
    for (const auto& [k, v] : server1) server_total += v - (server0.count(k) ? server0.at(k) : v);
    std::printf("%s: server %.1f/s; outputs open %d;", label, double(server_total) / seconds, dsOutputsOpen());
    for (const auto& [k, v] : ours1) {
        const long before = ours0.count(k) ? ours0.at(k) : 0;
        if (k.rfind("quintora_sound", 0) == 0) continue;  // the probe's main thread, asleep
        std::printf(" %s %.1f/s;", k.c_str(), double(v - before) / seconds);
    }
    std::printf("\n");
}

void report(const char* label, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    const auto missed = std::count(ms.begin(), ms.end(), -1.0);
    ms.erase(ms.begin(), ms.begin() + missed);
    if (ms.empty()) {
        std::printf("%s: no onset found\n", label);
        return;
    }
    const auto at = [&ms](double q) { return ms[std::min(ms.size() - 1, std::size_t(q * double(ms.size() - 1) + 0.5))]; };
    std::printf("%s: n=%zu median %.1f ms, p95 %.1f ms, min %.1f, max %.1f%s\n", label, ms.size(), at(0.5), at(0.95),
                ms.front(), ms.back(), missed ? " (some never heard)" : "");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s MONITOR SERVER_PID [rounds]\n", argv[0]);
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    const std::string server = argv[2];
    const int rounds = argc > 3 ? std::atoi(argv[3]) : 20;

    const std::int32_t system = dsInitialize(0);
    if (system == 0) {
        std::fprintf(stderr, "no sound system\n");
        return 1;
    }
    const Bytes click = wave(kRate, kRate / 20, [](int i) { return 20000 * std::cos(2 * M_PI * 1000.0 * i / kRate); });
    const Bytes hum = wave(22050, 22050 * 2, [](int i) { return 1500 * std::sin(2 * M_PI * 220.0 * i / 22050); });
    const Bytes drone = wave(kRate, kRate * 3 / 2, [](int i) { return 1500 * std::sin(2 * M_PI * 330.0 * i / kRate); });
    const Bytes bgm = read_file("BGM.wav");
    const std::int32_t b_click = dsCreateDSB(system, click.data(), 3);
    const std::int32_t b_hum = dsCreateDSB(system, hum.data(), 1);
    const std::int32_t b_drone = dsCreateDSB(system, drone.data(), 3);
    const std::int32_t b_bgm = bgm.empty() ? 0 : dsCreateDSB(system, bgm.data(), 1);
    if (b_click == 0 || b_hum == 0) return 1;
    std::mt19937 random(21);
    const auto sleep_ms = [](int ms) { std::this_thread::sleep_for(std::chrono::milliseconds(ms)); };

    // Wake-ups first, with nobody recording: a recorder of the monitor keeps
    // the sink awake and sets its pace. Quiet: the outputs close after their
    // silence and the server sleeps. The first seconds are start-up, not
    // idleness: the library tries its outputs and closes them again, and
    // the server suspends the sink a second after that.
    sleep_ms(5000);
    wakeups("idle, music off", server, 10);
    if (b_bgm != 0) {
        dsPlayLooping(b_bgm);
        sleep_ms(2000);
        wakeups("music on (BGM.wav)", server, 10);
        dsStop(b_bgm);
        sleep_ms(3000);
        wakeups("after the music stopped", server, 5);
    }

    // Onsets: the recorder's short pieces make the sink mix in short
    // pieces too, so what is measured is the library's own delay.
    Recorder rec(argv[1]);
    const auto one = [&](std::vector<double>& into) {
        const std::size_t from = rec.frames();
        const auto call = Clock::now();
        dsPlay(b_click);
        sleep_ms(400);
        into.push_back(rec.onset_ms(from, call));
    };
    sleep_ms(500);  // the recording under way
    std::vector<double> after_silence, in_linger, during_music, during_effect;
    for (int i = 0; i < rounds; ++i) {
        while (dsOutputsOpen() != 0) sleep_ms(50);
        sleep_ms(200 + int(random() % 300));
        one(after_silence);
    }
    for (int i = 0; i < rounds; ++i) {
        sleep_ms(200 + int(random() % 800));
        one(in_linger);
    }
    dsPlayLooping(b_hum);
    sleep_ms(1000);
    for (int i = 0; i < rounds; ++i) {
        sleep_ms(int(random() % 400));
        one(during_music);
    }
    dsStop(b_hum);
    // Over a long quiet effect, which keeps the effects' output busy.
    for (int i = 0; i < rounds; ++i) {
        dsPlay(b_drone);
        sleep_ms(100 + int(random() % 400));
        one(during_effect);
        sleep_ms(1000);
    }
    report("effect after a silence (outputs closed)", after_silence);
    report("effect within the silence the effects output stays open", in_linger);
    report("effect during music", during_music);
    report("effect during another effect", during_effect);

    if (b_bgm != 0) {
        const std::size_t from = rec.frames();
        dsPlayLooping(b_bgm);
        sleep_ms(1000);
        std::printf("music reached the sink: peak %d\n", rec.peak(from));
        dsStop(b_bgm);
    }
    dsTerminate(system);
    return 0;
}
