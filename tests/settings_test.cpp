// SPDX-License-Identifier: GPL-3.0-or-later
// The settings file "Quintora.ini": what a reset makes of its bytes, what the
// icon option writes, and that no file, however broken, stops or hangs the
// game or changes the check marks behind its back.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <streambuf>
#include <string>
#include <vector>

#include "settings/settings_lines.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;
namespace fs = std::filesystem;

namespace {

// The keys as the file holds them (Shift-JIS).
const std::string tejyun = "\x8E\xE8\x8F\x87\x94\xD4\x8D\x86\x95\x5C\x8E\xA6";  // 手順番号表示
const std::string aicon = "\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6";                  // ｱｲｺﾝ表示
const char* const file = "Quintora.ini";

std::string three_lines(const char* t, const char* a, const char* b) {
    return tejyun + "=" + t + "\r\n" + aicon + "=" + a + "\r\n" + "BGM=" + b + "\r\n";
}

void put(const std::string& bytes) {
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
}

std::string content() {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

struct Ticks {
    bool tejyun, aicon, bgm;
    bool operator==(const Ticks&) const = default;
};
std::ostream& operator<<(std::ostream& o, const Ticks& t) {
    return o << "{TEJYUN " << t.tejyun << ", AICON " << t.aicon << ", BGM " << t.bgm << "}";
}
Ticks ticks(const Harness& h) { return {h.mark(Mark::TEJYUN), h.mark(Mark::AICON), h.mark(Mark::BGM)}; }

// The game started with every mark on (or off), from a file that said so.
void start_with_all(Harness& h, bool on) {
    put(on ? three_lines("OK", "OK", "OK") : three_lines("NG", "NG", "NG"));
    h.start();
    ASSERT_EQ(ticks(h), (Ticks{on, on, on}));
}

std::string bgm_calls(const Harness& h) {
    std::string out;
    for (const auto& l : h.log.lines)
        if (l == "dsStop " + std::to_string(h.s.snd_bgm) || l == "dsPlayLooping " + std::to_string(h.s.snd_bgm))
            out += l.substr(0, l.find(' ')) + ";";
    return out;
}

bool running_as_root() { return geteuid() == 0; }

// What a line of the file does to one mark.
enum class To { keep, on, off };
bool after(To t, bool before) { return t == To::keep ? before : t == To::on; }

struct Case {
    const char* name;
    std::string bytes;
    To tejyun, aicon, bgm;
};

const std::string megabyte(1 << 20, 'A');

const std::vector<Case> cases = {
    {"bgm off alone", "BGM=NG", To::keep, To::keep, To::off},
    {"bgm on alone", "BGM=OK\r\n", To::keep, To::keep, To::on},
    {"all three, lf only", tejyun + "=OK\n" + aicon + "=NG\nBGM=OK\n", To::on, To::off, To::on},
    {"all three, cr only", tejyun + "=NG\r" + aicon + "=OK\rBGM=NG\r", To::off, To::on, To::off},
    {"any order, last wins", "BGM=NG\r\n" + aicon + "=OK\r\nBGM=OK", To::keep, To::on, To::on},
    {"move numbers twice on then off", tejyun + "=OK\r\n" + tejyun + "=OK\r\n" + tejyun + "=NG\r\n", To::off,
     To::keep, To::keep},
    {"blanks around the equals sign",
     "BGM = OK\r\nBGM = NG\r\nBGM =NG\r\nBGM= NG\r\n BGM=NG\r\nBGM=NG \r\n" + tejyun + " =OK\r\n", To::keep,
     To::keep, To::keep},
    {"small letters", "bgm=OK\r\nbgm=NG\r\nBgm=NG\r\nBGM=ok\r\nBGM=ng\r\nBGM=Ng\r\n", To::keep, To::keep, To::keep},
    {"two equals signs", "BGM=OK=NG\r\nBGM=NG=OK\r\n", To::keep, To::keep, To::keep},
    {"full-width katakana key", "\x83\x41\x83\x43\x83\x52\x83\x93\x95\x5C\x8E\xA6=OK\r\n\x83\x41\x83\x43\x83\x52\x83\x93\x95\x5C\x8E\xA6=NG\r\n",
     To::keep, To::keep, To::keep},
    {"key in UTF-8", "\xE6\x89\x8B\xE9\xA0\x86\xE7\x95\xAA\xE5\x8F\xB7\xE8\xA1\xA8\xE7\xA4\xBA=OK\r\n", To::keep,
     To::keep, To::keep},
    {"byte order mark before the key", "\xEF\xBB\xBF" "BGM=NG\r\n", To::keep, To::keep, To::keep},
    {"keyless value takes the key before", "BGM=OK\r\nNG\r\n", To::keep, To::keep, To::off},
    {"equals-first line takes the key before", tejyun + "=NG\r\n=OK\r\n", To::on, To::keep, To::keep},
    {"unknown key takes over the keyless lines", "BGM=OK\r\nXYZ=OK\r\nNG\r\n=NG\r\n", To::keep, To::keep, To::on},
    {"keyless lines before any key", "\r\n=\r\nOK\r\n=NG\r\nNG\r\n=OK\r\n", To::keep, To::keep, To::keep},
    {"empty file", "", To::keep, To::keep, To::keep},
    {"binary garbage", std::string("\x00\xFF\x81\x3D\x9F\xE0\x3D\x4E\x47\x00\x1A\xFE\x80\xA0", 14), To::keep,
     To::keep, To::keep},
    {"NUL bytes", std::string("BGM=NG\0\r\n\0=OK\r\n", 15), To::keep, To::keep, To::keep},
    {"invalid Shift-JIS", "\x81=OK\r\n\xFF\xFE\x80\r\nBGM=NG\x81\r\n" + aicon.substr(0, 3) + "=NG\r\n", To::keep,
     To::keep, To::keep},
    // A lead byte cannot swallow the line end: no trail byte is a CR or LF.
    {"lead byte at the end of a line", "\x81\r\nBGM=NG\r\n\x95\nBGM=OK\n\x8E\rBGM=NG", To::keep, To::keep, To::off},
    {"a line of a megabyte", megabyte, To::keep, To::keep, To::keep},
    {"a megabyte key and value", "BGM" + megabyte + "=NG\r\nBGM=" + megabyte + "\r\n", To::keep, To::keep, To::keep},
    {"a line of a megabyte, then a setting", megabyte + "\r\nBGM=NG", To::keep, To::keep, To::off},
};

}  // namespace

// Every case from a start with all marks on and from one with all off: a
// line that changes nothing must not change a mark either way, and the file
// read is never rewritten.
TEST(SettingsFile, ResetAppliesTheFileLineByLine) {
    for (const Case& c : cases)
        for (bool start_on : {true, false}) {
            SCOPED_TRACE(std::string(c.name) + (start_on ? ", all marks on before" : ", all marks off before"));
            Harness h;
            start_with_all(h, start_on);
            put(c.bytes);
            h.log.clear();
            h.game.初期設定();
            EXPECT_EQ(ticks(h), (Ticks{after(c.tejyun, start_on), after(c.aicon, start_on), after(c.bgm, start_on)}));
            // The music follows the BGM lines, and only they touch it.
            const std::string calls = bgm_calls(h);
            if (c.bgm == To::keep)
                EXPECT_EQ(calls, "");
            else
                EXPECT_TRUE(calls.ends_with(c.bgm == To::on ? "dsPlayLooping;" : "dsStop;")) << calls;
            EXPECT_EQ(content(), c.bytes);
            EXPECT_EQ(h.log.count("box"), 0u);
        }
}

TEST(SettingsFile, FirstRunWritesTheDefaultsInShiftJisAndPlaysTheMusic) {
    Harness h;
    ASSERT_FALSE(fs::exists(file));
    h.start();
    EXPECT_EQ(content(), three_lines("NG", "NG", "OK"));
    EXPECT_EQ(ticks(h), (Ticks{false, false, true}));
    ASSERT_EQ(h.s.snd_bgm, 104);
    EXPECT_EQ(h.log.with("dsPlayLooping"), (std::vector<std::string>{"dsPlayLooping 104", "dsPlayLooping 104"}));
    EXPECT_EQ(h.log.count("dsStop"), 0u);
    EXPECT_EQ(h.log.count("box"), 0u);
}

TEST(SettingsFile, MusicSwitchedOffByTheMenuComesBackWithTheNextReset) {
    Harness h;
    h.start();
    for (bool by_menu_command : {false, true}) {
        h.game.options().on_BGM();
        ASSERT_FALSE(h.mark(Mark::BGM));
        h.log.clear();
        if (by_menu_command)
            h.game.on_SAISYO();
        else
            h.game.初期設定();
        EXPECT_TRUE(h.mark(Mark::BGM));
        EXPECT_EQ(bgm_calls(h), "dsPlayLooping;");
    }
}

TEST(SettingsFile, IconOptionWritesAllThreeCurrentMarks) {
    Harness h;
    h.start();
    const std::string first = content();
    // Neither of these writes the file ...
    h.game.options().on_TEJYUN();
    h.game.options().on_BGM();
    EXPECT_EQ(content(), first);
    // ... but the icon option stores them with its own.
    h.game.options().on_AICON();
    EXPECT_EQ(content(), three_lines("OK", "OK", "NG"));
    // The next reset reads back what was stored.
    h.game.初期設定();
    EXPECT_EQ(ticks(h), (Ticks{true, true, false}));
}

TEST(SettingsFile, IconOptionTwiceWritesTwiceAndReturnsToTheFirstState) {
    Harness h;
    h.start();
    h.game.on_JYUNBAN_1();  // black to move, held by a person
    const std::string first = content();
    const Ticks before = ticks(h);
    h.game.options().on_AICON();
    EXPECT_EQ(content(), three_lines("NG", "OK", "OK"));
    EXPECT_EQ(h.canvas.visible_icons, 1);
    EXPECT_TRUE((h.canvas.icon_shown[{int(IconKind::man), colour_black}]));
    h.game.options().on_AICON();
    EXPECT_EQ(content(), first);
    EXPECT_EQ(ticks(h), before);
    EXPECT_EQ(h.canvas.visible_icons, 0);
}

TEST(SettingsFile, IconOptionWithNoGameShowsNoIcon) {
    Harness h;
    h.start();
    ASSERT_EQ(h.s.to_move, no_game);
    h.log.clear();
    h.game.options().on_AICON();
    EXPECT_TRUE(h.mark(Mark::AICON));
    EXPECT_EQ(h.canvas.visible_icons, 0);
    EXPECT_EQ(h.log.count("icon show"), 0u);
    EXPECT_EQ(content(), three_lines("NG", "OK", "OK"));
}

TEST(SettingsFile, TwentyMegabytesOfLinesAreReadToTheEnd) {
    Harness h;
    start_with_all(h, true);
    std::string big;
    const std::string line = aicon + "=OK\r\n";
    big.reserve(20u << 20);
    while (big.size() < (20u << 20)) big += line;
    put(big + "BGM=NG\r\n");
    h.game.初期設定();
    EXPECT_EQ(ticks(h), (Ticks{true, true, false}));
}

// Names that cannot be read or written as a plain file: the game goes on
// with the marks start-up gave it, and storing the icon option fails quietly.
struct Unusable {
    const char* name;
    bool needs_permissions;  // permissions do not stop root
    void (*make)(const fs::path& folder);
};
void PrintTo(const Unusable& u, std::ostream* os) { *os << u.name; }
class UnusableSettingsFile : public ::testing::TestWithParam<Unusable> {};

TEST_P(UnusableSettingsFile, KeepsTheMarks) {
    const Unusable& k = GetParam();
    if (k.needs_permissions && running_as_root()) GTEST_SKIP() << "permissions do not bind root";
    Harness h;
    k.make(h.folder.path());
    alarm(60);  // a pipe opened by mistake would wait for ever
    h.start();
    EXPECT_EQ(ticks(h), (Ticks{false, false, true}));
    h.game.options().on_AICON();
    EXPECT_TRUE(h.mark(Mark::AICON));
    h.game.初期設定();
    EXPECT_EQ(ticks(h), (Ticks{false, true, true}));
    alarm(0);
    EXPECT_EQ(h.log.count("dsStop"), 0u);
    // Only a file that is missing and cannot be created is reported, at each reset.
    const bool missing = !fs::exists(fs::symlink_status(file));
    EXPECT_EQ(h.log.count("box ファイルが見つかりません。|読込データ"), missing ? 2u : 0u);
    EXPECT_EQ(h.log.count("box"), h.log.count("box ファイルが見つかりません。|読込データ"));
}

INSTANTIATE_TEST_SUITE_P(
    SettingsFile, UnusableSettingsFile,
    ::testing::Values(
        Unusable{"FolderByThatName", false, [](const fs::path&) { fs::create_directory(file); }},
        Unusable{"PipeByThatName", false, [](const fs::path&) { ASSERT_EQ(mkfifo(file, 0644), 0); }},
        Unusable{"FileThatMayNotBeRead", true,
                 [](const fs::path&) {
                     put("BGM=NG\r\n");
                     fs::permissions(file, fs::perms::none);
                 }},
        Unusable{"FolderThatMayNotBeWritten", true,
                 [](const fs::path& folder) {
                     using fs::perms;
                     fs::permissions(folder, perms::owner_read | perms::owner_exec | perms::group_read |
                                                 perms::group_exec | perms::others_read | perms::others_exec);
                 }}),
    [](const ::testing::TestParamInfo<Unusable>& i) { return std::string(i.param.name); });

TEST(SettingsFile, MissingFileThatCannotBeCreatedIsReported) {
    Harness h;
    h.game.options().settings_path = "no such folder/Quintora.ini";
    h.start();
    EXPECT_EQ(h.log.with("box"), (std::vector<std::string>{"box ファイルが見つかりません。|読込データ"}));
    EXPECT_EQ(ticks(h), (Ticks{false, false, true}));
    h.game.options().on_AICON();
    EXPECT_TRUE(h.mark(Mark::AICON));
    EXPECT_FALSE(fs::exists("no such folder"));
}

// The reader on its own: streams no file gives.
namespace {
// An endless stream of one repeated text, as a device or a pipe could give.
class EndlessBuf : public std::streambuf {
public:
    explicit EndlessBuf(const std::string& unit) {
        while (block_.size() < 65536) block_ += unit;
    }

protected:
    int_type underflow() override {
        setg(block_.data(), block_.data(), block_.data() + block_.size());
        return traits_type::to_int_type(block_[0]);
    }

private:
    std::string block_;
};

// Gives `text`, then fails with an exception.
class FailingBuf : public std::streambuf {
public:
    explicit FailingBuf(std::string text) : text_(std::move(text)) {
        setg(text_.data(), text_.data(), text_.data() + text_.size());
    }

protected:
    int_type underflow() override { throw std::ios_base::failure("read error"); }

private:
    std::string text_;
};

std::vector<std::string> heads(std::streambuf& buf) {
    std::istream in(&buf);
    SettingsLineReader reader(in);
    SettingsLine line;
    std::vector<std::string> out;
    while (reader.next(line)) out.push_back(line.head);
    return out;
}
}  // namespace

TEST(SettingsLineReader, EndlessStreamStopsAtTheCap) {
    for (const char* unit : {"A", "BGM=NG\r\n"}) {
        SCOPED_TRACE(unit);
        EndlessBuf buf(unit);
        std::istream in(&buf);
        SettingsLineReader reader(in);
        SettingsLine line;
        std::size_t lines = 0, bytes = 0;
        while (reader.next(line)) {
            ++lines;
            bytes += line.length;
        }
        EXPECT_GT(lines, 0u);
        EXPECT_LE(bytes, SettingsLineReader::limit);
        EXPECT_GT(bytes, SettingsLineReader::limit / 2);
        EXPECT_FALSE(reader.next(line));
    }
}

TEST(SettingsLineReader, ReadErrorEndsTheReadingWithoutEscaping) {
    // The error strikes in the middle of a line, and where a CR LF might go on.
    FailingBuf mid("BGM=NG\r\nBG");
    EXPECT_EQ(heads(mid), (std::vector<std::string>{"BGM=NG"}));
    FailingBuf after_cr("BGM=NG\r");
    std::vector<std::string> got;
    EXPECT_NO_THROW(got = heads(after_cr));
    EXPECT_EQ(got, (std::vector<std::string>{"BGM=NG"}));
}

TEST(SettingsLineReader, LongLinesKeepTheirHeadLengthAndFirstEquals) {
    const std::string long_key(100, 'K');
    std::istringstream in(long_key + "=OK\r\n" + "BGM=OK=NG\n\r" + std::string(70, '=') + "\r\n");
    SettingsLineReader reader(in);
    SettingsLine line;
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.length, 103u);
    EXPECT_EQ(line.first_equals, 100u);
    EXPECT_EQ(line.head, long_key.substr(0, SettingsLine::kept));
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.head, "BGM=OK=NG");
    EXPECT_EQ(line.first_equals, 3u);
    ASSERT_TRUE(reader.next(line));  // the CR after the LF ends an empty line
    EXPECT_EQ(line.length, 0u);
    ASSERT_TRUE(reader.next(line));
    EXPECT_EQ(line.length, 70u);
    EXPECT_EQ(line.first_equals, 0u);
    EXPECT_FALSE(reader.next(line));
}
