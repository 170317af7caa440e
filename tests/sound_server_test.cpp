// The sound library and the program against a real sound server: a private
// PulseAudio user daemon with a null sink, started by the test in a runtime
// folder of its own, whose monitor is recorded with parec. What only a real
// server shows: the sink suspends once the game is quiet, a stone sound
// reaches the sink, the sound comes back after the server restarts, the
// stream tells the desktop what it is, and music switched off in the
// settings never sounds at start-up. Skipped, with a word, where no server
// is installed.
#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "sound/library/quintora_dll.h"

extern char** environ;

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using Bytes = std::vector<unsigned char>;

const char* const sink = "quintora_test";

std::string find_program(const char* name) {
    const char* path = std::getenv("PATH");
    std::string all = path ? path : "/usr/bin:/bin";
    for (std::size_t at = 0; at <= all.size();) {
        const std::size_t end = std::min(all.find(':', at), all.size());
        const fs::path candidate = fs::path(all.substr(at, end - at)) / name;
        if (::access(candidate.c_str(), X_OK) == 0) return candidate;
        at = end + 1;
    }
    return {};
}

pid_t spawn(const std::vector<std::string>& args) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int failed = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    return failed ? -1 : pid;
}

void end(pid_t& pid, int sig = SIGTERM) {
    if (pid <= 0) return;
    ::kill(pid, sig);
    int status = 0;
    ::waitpid(pid, &status, 0);
    pid = -1;
}

std::string output_of(const std::string& command) {
    std::string out;
    if (FILE* p = ::popen((command + " 2>/dev/null").c_str(), "r")) {
        char buf[4096];
        std::size_t n;
        while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
        ::pclose(p);
    }
    return out;
}

template <class F>
bool within(std::chrono::milliseconds limit, F done) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < until) {
        if (done()) return true;
        std::this_thread::sleep_for(50ms);
    }
    return done();
}

// The monitor of the null sink, recorded by parec while it lives: the
// loudest sample heard.
class Recording {
public:
    Recording() {
        pipe_ = ::popen((std::string("exec parec --raw --format=s16le --channels=2 --rate=44100 -d ") + sink +
                         ".monitor 2>/dev/null")
                            .c_str(),
                        "r");
        reader_ = std::thread([this] {
            std::int16_t buf[1024];
            std::size_t n;
            while (pipe_ && (n = std::fread(buf, 2, 1024, pipe_)) > 0) {
                bytes_ += n * 2;
                for (std::size_t i = 0; i < n; ++i) peak_ = std::max(peak_.load(), std::abs(int{buf[i]}));
            }
        });
        // parec is under way once bytes arrive.
        within(5000ms, [this] { return bytes_ > 0; });
    }
    ~Recording() { stop(); }
    int stop() {
        if (pipe_) {
            output_of("pkill -TERM -P " + std::to_string(::getpid()) + " -x parec");
            reader_.join();
            ::pclose(pipe_);
            pipe_ = nullptr;
        }
        return peak_;
    }
    int peak() const { return peak_; }
    std::size_t bytes() const { return bytes_; }

private:
    FILE* pipe_ = nullptr;
    std::thread reader_;
    std::atomic<int> peak_{0};
    std::atomic<std::size_t> bytes_{0};
};

Bytes read_file(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

fs::path wave_path(const char8_t* name) { return fs::path(QUINTORA_WAVES_DIR) / fs::path(name); }

class SoundServer : public ::testing::Test {
protected:
    void SetUp() override {
        server_ = find_program("pulseaudio");
        if (server_.empty()) GTEST_SKIP() << "no PulseAudio server installed (scripts/install-deps test installs one)";
        if (find_program("parec").empty() || find_program("pactl").empty())
            GTEST_SKIP() << "no parec and pactl (pulseaudio-utils) installed";
        std::string templ = (fs::temp_directory_path() / "quintora-server-XXXXXX").string();
        dir_ = ::mkdtemp(templ.data());
        fs::create_directories(dir_ / "run" / "pulse");
        fs::create_directories(dir_ / "home");
        fs::permissions(dir_ / "run", fs::perms::owner_all, fs::perm_options::replace);
        // No client may start a server of its own when ours is down.
        std::ofstream(dir_ / "client.conf") << "autospawn = no\n";
        // The test's own server, found by every client in this process and
        // its children through these.
        setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
        setenv("PULSE_RUNTIME_PATH", (dir_ / "run" / "pulse").c_str(), 1);
        setenv("HOME", (dir_ / "home").c_str(), 1);
        setenv("PULSE_CLIENTCONFIG", (dir_ / "client.conf").c_str(), 1);
        unsetenv("PULSE_SERVER");
        unsetenv("PULSE_PROP");
        setenv("SDL_AUDIODRIVER", "pulseaudio", 1);
        start_server();
    }
    void TearDown() override {
        if (system_ != 0) dsTerminate(system_);
        end(server_pid_);
        std::error_code ec;
        if (!dir_.empty()) fs::remove_all(dir_, ec);
    }

    // A user daemon that loads only what the test needs: no configuration of
    // the machine's, a null sink, the local socket, and a quick suspension
    // of an idle sink. Running as root it warns, and runs all the same.
    void start_server() {
        server_pid_ = spawn({server_, "-n", "--daemonize=no", "--system=false", "--exit-idle-time=-1",
                             "--use-pid-file=no", "--disable-shm=no", "--log-target=stderr",
                             std::string("--load=module-null-sink sink_name=") + sink,
                             "--load=module-native-protocol-unix", "--load=module-suspend-on-idle timeout=1"});
        ASSERT_GT(server_pid_, 0);
        ASSERT_TRUE(within(10000ms, [] { return output_of("pactl info").find(sink) != std::string::npos; }))
            << "the private PulseAudio did not come up";
    }
    static std::string sink_state() {
        const std::string sinks = output_of("pactl list short sinks");
        for (const char* s : {"SUSPENDED", "RUNNING", "IDLE"})
            if (sinks.find(s) != std::string::npos) return s;
        return sinks;
    }
    static std::size_t streams() {
        const std::string out = output_of("pactl list short sink-inputs");
        return static_cast<std::size_t>(std::count(out.begin(), out.end(), '\n'));
    }
    void open_system() {
        system_ = dsInitialize(0);
        ASSERT_NE(system_, 0) << "no sound system on the private server";
    }
    std::int32_t load(const Bytes& image, std::int32_t flags) { return dsCreateDSB(system_, image.data(), flags); }

    std::string server_;
    fs::path dir_;
    pid_t server_pid_ = -1;
    std::int32_t system_ = 0;
};

}  // namespace

TEST_F(SoundServer, AStoneIsHeardAndTheSinkSleepsOnceTheGameIsQuiet) {
    open_system();
    const Bytes stone_image = read_file(wave_path(u8"石打音.wav"));
    const std::int32_t stone = load(stone_image, 3);
    ASSERT_NE(stone, 0);
    {
        Recording rec;
        ASSERT_GT(rec.bytes(), 0u) << "parec records nothing";
        ASSERT_EQ(dsPlay(stone), 1);
        std::this_thread::sleep_for(600ms);
        EXPECT_GT(rec.stop(), 2000) << "the stone did not reach the sink";
    }
    // Silence: the library lets go of the device, and the server suspends
    // the sink (after the library's two seconds and the server's one).
    EXPECT_TRUE(within(6000ms, [] { return sink_state() == "SUSPENDED"; })) << sink_state();
    EXPECT_EQ(dsOutputsOpen(), 0);
    EXPECT_EQ(streams(), 0u);

    // The next stone opens it again and is heard.
    Recording rec;
    ASSERT_EQ(dsPlay(stone), 1);
    std::this_thread::sleep_for(600ms);
    EXPECT_GT(rec.stop(), 2000) << "the stone after the silence did not reach the sink";
}

TEST_F(SoundServer, StreamIsAGamesWithTheDesktopsIconName) {
    open_system();
    const Bytes music_image = read_file(wave_path(u8"BGM.wav"));
    const std::int32_t music = load(music_image, 1);
    ASSERT_EQ(dsPlayLooping(music), 1);
    ASSERT_TRUE(within(3000ms, [] { return streams() == 1; }));
    const std::string props = output_of("pactl list sink-inputs");
    EXPECT_NE(props.find("media.role = \"game\""), std::string::npos) << props;
    EXPECT_NE(props.find("application.icon_name = \"org.example.quintora\""), std::string::npos) << props;
    EXPECT_NE(props.find("application.name = \"Quintora\""), std::string::npos) << props;
    // The loop stops, and its stream goes at once.
    ASSERT_EQ(dsStop(music), 1);
    EXPECT_TRUE(within(1000ms, [] { return streams() == 0; }));
}

TEST_F(SoundServer, MusicAndEffectsComeBackAfterTheServerRestarts) {
    open_system();
    const Bytes music_image = read_file(wave_path(u8"BGM.wav"));
    const Bytes stone_image = read_file(wave_path(u8"石打音.wav"));
    const std::int32_t music = load(music_image, 1);
    const std::int32_t stone = load(stone_image, 3);
    ASSERT_EQ(dsPlayLooping(music), 1);
    ASSERT_TRUE(within(3000ms, [] { return streams() == 1; }));

    end(server_pid_, SIGKILL);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(dsPlay(stone), 1) << "a sound while the server is away is taken and dropped";
    start_server();
    // The loop asks for its output again by itself.
    {
        Recording rec;
        EXPECT_TRUE(within(6000ms, [] { return streams() >= 1; })) << "the music did not come back";
        std::this_thread::sleep_for(500ms);
        EXPECT_GT(rec.stop(), 1000) << "the music came back silent";
    }
    EXPECT_EQ(dsPlaying(music), 1);
    ASSERT_EQ(dsStop(music), 1);
    EXPECT_TRUE(within(2000ms, [] { return streams() == 0; }));
    Recording rec;
    ASSERT_EQ(dsPlay(stone), 1);
    std::this_thread::sleep_for(600ms);
    EXPECT_GT(rec.stop(), 2000) << "the stone after the restart did not reach the sink";
}

// The program itself, started in a folder whose settings switch the music
// off: not one sample of it may reach the sink. With the music on, the same
// recording hears it, which shows the recording works.
TEST_F(SoundServer, MusicSwitchedOffInTheSettingsIsNeverHeardAtStartUp) {
    const std::string aicon = "\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6";  // ｱｲｺﾝ表示
    for (const bool music_on : {false, true}) {
        SCOPED_TRACE(music_on ? "BGM=OK" : "BGM=NG");
        const fs::path folder = dir_ / (music_on ? "on" : "off");
        fs::create_directories(folder);
        for (const char8_t* w : {u8"その他.wav", u8"禁止.wav", u8"石打音.wav", u8"終局.wav", u8"BGM.wav"})
            fs::create_symlink(wave_path(w), folder / fs::path(w));
        std::ofstream(folder / "Quintora.ini", std::ios::binary)
            << aicon << "=NG\r\nBGM=" << (music_on ? "OK" : "NG") << "\r\n";

        Recording rec;
        const fs::path previous = fs::current_path();
        fs::current_path(folder);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        pid_t game = spawn({std::string(QUINTORA_PROGRAM_DIR) + "/quintora"});
        fs::current_path(previous);
        ASSERT_GT(game, 0);
        // Up and its settings applied once the settings file is read back;
        // the music would play from the start on.
        std::this_thread::sleep_for(3000ms);
        end(game);
        const int peak = rec.stop();
        if (music_on) {
            EXPECT_GT(peak, 1000) << "the recording did not hear the music switched on";
        } else {
            EXPECT_EQ(peak, 0) << "music switched off was heard";
        }
    }
}
