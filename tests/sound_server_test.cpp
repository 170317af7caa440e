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
#include <sys/prctl.h>
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

// Starts `args` with its output into `out` (or nowhere) and its errors into
// the file `log` (or nowhere). The child is killed should the test process
// die first, so that no server or recorder outlives a crashed test.
pid_t spawn(const std::vector<std::string>& args, int out = -1, const std::string& log = {}) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    const int err = log.empty() ? null : ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    const pid_t parent = ::getpid();
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGKILL);
        if (::getppid() != parent) ::_exit(127);
        ::dup2(null, 0);
        ::dup2(out >= 0 ? out : null, 1);
        ::dup2(err, 2);
        ::execve(argv[0], argv.data(), environ);
        ::_exit(127);
    }
    if (err != null) ::close(err);
    ::close(null);
    return pid;
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

std::size_t lines(const std::string& text) { return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n')); }

// The monitor of the null sink, recorded by parec while it lives: the
// loudest sample heard. A short latency makes the server hand the recording
// over in pieces of 20 ms as it plays (by default an idle null sink renders,
// and its monitor delivers, in pieces of up to two seconds).
class Recording {
public:
    explicit Recording(const std::string& parec) {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) return;
        pid_ = spawn({parec, "--raw", "--format=s16le", "--channels=2", "--rate=44100", "--latency-msec=20", "-d",
                      std::string(sink) + ".monitor"},
                     ends[1]);
        ::close(ends[1]);
        fd_ = ends[0];
        reader_ = std::thread([this] {
            std::int16_t buf[1024];
            ssize_t n;
            while ((n = ::read(fd_, buf, sizeof buf)) > 0) {
                for (ssize_t i = 0; i < n / 2; ++i) peak_ = std::max(peak_.load(), std::abs(int{buf[i]}));
            }
        });
        // Under way once the server lists its recording stream.
        within(5000ms, [] { return lines(output_of("pactl list short source-outputs")) > 0; });
    }
    ~Recording() { stop(); }
    // True once something louder than `level` has been heard, waiting up to `limit`.
    bool hears(int level, std::chrono::milliseconds limit) const {
        return within(limit, [&] { return peak_ > level; });
    }
    int stop() {
        if (pid_ > 0) {
            ::kill(pid_, SIGTERM);
            ::waitpid(pid_, nullptr, 0);
            pid_ = -1;
        }
        if (reader_.joinable()) reader_.join();
        if (fd_ >= 0) ::close(fd_);
        fd_ = -1;
        return peak_;
    }

private:
    pid_t pid_ = -1;
    int fd_ = -1;
    std::thread reader_;
    std::atomic<int> peak_{0};
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
        parec_ = find_program("parec");
        if (parec_.empty() || find_program("pactl").empty())
            GTEST_SKIP() << "no parec and pactl (pulseaudio-utils) installed";
        for (const char* name : kEnvironment)
            if (const char* value = std::getenv(name)) saved_.emplace_back(name, value);
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
        for (const char* name : kEnvironment) unsetenv(name);
        for (const auto& [name, value] : saved_) setenv(name.c_str(), value.c_str(), 1);
    }
    // What the test changes in its environment, put back afterwards.
    static constexpr const char* kEnvironment[] = {"XDG_RUNTIME_DIR", "PULSE_RUNTIME_PATH", "HOME",
                                                   "PULSE_CLIENTCONFIG", "PULSE_SERVER", "PULSE_PROP",
                                                   "SDL_AUDIODRIVER", "QT_QPA_PLATFORM"};
    std::vector<std::pair<std::string, std::string>> saved_;

    // A user daemon that loads only what the test needs: no configuration of
    // the machine's, a null sink, the local socket, and a quick suspension
    // of an idle sink. Running as root it warns, and runs all the same. The
    // test ends it; should the test die first, the kernel does (and it
    // would leave by itself a minute after its last client).
    void start_server() {
        server_pid_ = spawn({server_, "-n", "--daemonize=no", "--system=false", "--exit-idle-time=60",
                             "--use-pid-file=no", "--disable-shm=no", "--log-target=stderr",
                             std::string("--load=module-null-sink sink_name=") + sink,
                             "--load=module-native-protocol-unix", "--load=module-suspend-on-idle timeout=1"},
                            -1, (dir_ / "server.log").string());
        ASSERT_GT(server_pid_, 0);
        ASSERT_TRUE(within(10000ms, [] { return output_of("pactl info").find(sink) != std::string::npos; }))
            << "the private PulseAudio did not come up:\n"
            << std::string(std::istreambuf_iterator<char>(std::ifstream(dir_ / "server.log").rdbuf()), {});
    }
    static std::string sink_state() {
        const std::string sinks = output_of("pactl list short sinks");
        for (const char* s : {"SUSPENDED", "RUNNING", "IDLE"})
            if (sinks.find(s) != std::string::npos) return s;
        return sinks;
    }
    static std::size_t streams() { return lines(output_of("pactl list short sink-inputs")); }
    // The sound system opened, and the output it tried at once released.
    void open_system() {
        system_ = dsInitialize(0);
        ASSERT_NE(system_, 0) << "no sound system on the private server";
        ASSERT_TRUE(within(6000ms, [] { return streams() == 0; })) << "the first output was not released";
    }
    std::int32_t load(const Bytes& image, std::int32_t flags) { return dsCreateDSB(system_, image.data(), flags); }
    // The game's music looping on the server, one stream, and its stone
    // loaded beside it. The library keeps copies of the images.
    void loop_music_with_stone(std::int32_t& music, std::int32_t& stone) {
        open_system();
        music = load(read_file(wave_path(u8"BGM.wav")), 1);
        stone = load(read_file(wave_path(u8"石打音.wav")), 3);
        ASSERT_EQ(dsPlayLooping(music), 1);
        ASSERT_TRUE(within(3000ms, [] { return streams() == 1; }));
    }

    std::string server_;
    std::string parec_;
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
        Recording rec(parec_);
        ASSERT_EQ(dsPlay(stone), 1);
        EXPECT_TRUE(rec.hears(2000, 3000ms)) << "the stone did not reach the sink";
    }
    // Silence: the library lets go of the device, and the server suspends
    // the sink (after the library's two seconds and the server's one).
    EXPECT_TRUE(within(6000ms, [] { return sink_state() == "SUSPENDED"; })) << sink_state();
    EXPECT_EQ(dsOutputsOpen(), 0);
    EXPECT_EQ(streams(), 0u);

    // The next stone opens it again and is heard.
    Recording rec(parec_);
    ASSERT_EQ(dsPlay(stone), 1);
    EXPECT_TRUE(rec.hears(2000, 3000ms)) << "the stone after the silence did not reach the sink";
}

// The music and the effects play as streams of their own, both named and
// described for the desktop; the music's goes the moment the loop stops,
// the effects' after their silence.
TEST_F(SoundServer, StreamsAreAGamesWithTheDesktopsIconNameAndTheMusicHasItsOwn) {
    std::int32_t music = 0, stone = 0;
    ASSERT_NO_FATAL_FAILURE(loop_music_with_stone(music, stone));
    ASSERT_EQ(dsPlay(stone), 1);
    EXPECT_TRUE(within(3000ms, [] { return streams() == 2; })) << "the stone did not get a stream beside the music";
    const std::string props = output_of("pactl list sink-inputs");
    for (const char* expected : {"media.role = \"game\"", "application.icon_name = \"org.example.quintora\"",
                                 "application.name = \"Quintora\""}) {
        const std::size_t first = props.find(expected);
        EXPECT_NE(first, std::string::npos) << expected << " missing in\n" << props;
        if (streams() == 2) {
            EXPECT_NE(props.find(expected, first + 1), std::string::npos) << expected << " on one stream only";
        }
    }
    // The loop stops, and its output is released at once (SDL takes up to
    // two seconds more to end its stream); the effects' stays for its
    // silence, then goes too.
    ASSERT_EQ(dsStop(music), 1);
    EXPECT_TRUE(within(1000ms, [] { return dsOutputsOpen() == 1; })) << "the music's output outlived the loop";
    EXPECT_TRUE(within(8000ms, [] { return streams() == 0; })) << "the streams outlived their silence";
}

TEST_F(SoundServer, MusicAndEffectsComeBackAfterTheServerRestarts) {
    std::int32_t music = 0, stone = 0;
    ASSERT_NO_FATAL_FAILURE(loop_music_with_stone(music, stone));

    end(server_pid_, SIGKILL);
    std::this_thread::sleep_for(500ms);
    EXPECT_EQ(dsPlay(stone), 1) << "a sound while the server is away is taken and dropped";
    start_server();
    // The loop asks for its output again by itself.
    {
        Recording rec(parec_);
        EXPECT_TRUE(within(6000ms, [] { return streams() >= 1; })) << "the music did not come back";
        EXPECT_TRUE(rec.hears(1000, 3000ms)) << "the music came back silent";
    }
    EXPECT_EQ(dsPlaying(music), 1);
    ASSERT_EQ(dsStop(music), 1);
    EXPECT_TRUE(within(5000ms, [] { return streams() == 0; }));
    Recording rec(parec_);
    ASSERT_EQ(dsPlay(stone), 1);
    EXPECT_TRUE(rec.hears(2000, 3000ms)) << "the stone after the restart did not reach the sink";
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

        Recording rec(parec_);
        const fs::path previous = fs::current_path();
        fs::current_path(folder);
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
        pid_t game = spawn({std::string(QUINTORA_PROGRAM_DIR) + "/quintora"});
        fs::current_path(previous);
        ASSERT_GT(game, 0);
        // Its sound system is up once it has a stream; the music, had it
        // started, would be heard within the next few seconds.
        EXPECT_TRUE(within(10000ms, [] { return streams() > 0; })) << "the game opened no stream";
        if (music_on) {
            EXPECT_TRUE(rec.hears(1000, 5000ms)) << "the recording did not hear the music switched on";
        } else {
            std::this_thread::sleep_for(3000ms);
            EXPECT_EQ(rec.stop(), 0) << "music switched off was heard";
        }
        end(game);
    }
}
