// The music at start-up: the game starts its loop before it reads the
// settings, and stops it when they say the music is off. Behind the gate the
// program puts in front of the sound library, the library sees the loop start
// only once the settings are applied, and not at all when they switch it off.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "sound/held_loops.h"
#include "support/fakes.h"

using namespace quintora;
using namespace quintora::testing;

namespace {

const std::string aicon = "\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6";  // ｱｲｺﾝ表示

// The whole game on fakes, its sound going through the gate; the game's own
// calls and what reaches the library in one log each.
struct GatedGame {
    ScratchFolder folder;
    Log log;            // the game's side: canvas, boxes, pauses
    Log library_log;    // what the library is asked to do
    RecordingCanvas canvas{log};
    ScriptedDialogs dialogs{log};
    RecordingPause pause{log};
    FakeSound library{library_log};
    HeldLoops gate{library};
    FakeMarks marks;
    ThrowingExit exit{log};
    PosixStorage storage;
    Game game{Platform{canvas, dialogs, pause, gate, marks, exit, storage}};

    void start_with_settings(const std::string& bytes) {
        if (!bytes.empty()) {
            std::ofstream out("Quintora.ini", std::ios::binary | std::ios::trunc);
            out << bytes;
        }
        game.起動(1);
    }
    std::vector<std::string> music_calls() const {
        std::vector<std::string> out;
        for (const std::string& line : library_log.lines)
            if (line.rfind("dsPlayLooping", 0) == 0 || line.rfind("dsStop", 0) == 0) out.push_back(line);
        return out;
    }
};

}  // namespace

TEST(HeldLoops, MusicSwitchedOffInTheSettingsNeverReachesTheLibrary) {
    GatedGame g;
    g.start_with_settings("BGM=NG\r\n");
    ASSERT_EQ(g.game.state().snd_bgm, 104);
    EXPECT_EQ(g.music_calls(), (std::vector<std::string>{"dsStop 104"}));
    g.gate.release();
    EXPECT_EQ(g.music_calls(), (std::vector<std::string>{"dsStop 104"})) << "released, the stopped loop stays off";
    EXPECT_FALSE(g.marks.checked(Mark::BGM));
    // Switched on from the menu afterwards, it starts at once.
    g.game.options().on_BGM();
    EXPECT_EQ(g.music_calls(), (std::vector<std::string>{"dsStop 104", "dsPlayLooping 104"}));
}

TEST(HeldLoops, MusicSwitchedOnStartsOnceWhenReleased) {
    for (const std::string& settings : {std::string("BGM=OK\r\n"), aicon + "=OK\r\n", std::string()}) {
        SCOPED_TRACE(settings.empty() ? "first run, no file" : settings);
        GatedGame g;
        g.start_with_settings(settings);
        EXPECT_EQ(g.music_calls(), std::vector<std::string>{}) << "held until the settings are applied";
        EXPECT_EQ(g.library_log.count("dsCreateDSB"), 5u) << "everything else passes at once";
        g.gate.release();
        EXPECT_EQ(g.music_calls(), (std::vector<std::string>{"dsPlayLooping 104"}));
        g.gate.release();
        EXPECT_EQ(g.library_log.count("dsPlayLooping"), 1u);
        // From now on the gate is open: the menu stops and starts the loop.
        g.game.options().on_BGM();
        g.game.options().on_BGM();
        EXPECT_EQ(g.music_calls(),
                  (std::vector<std::string>{"dsPlayLooping 104", "dsStop 104", "dsPlayLooping 104"}));
    }
}

TEST(HeldLoops, AFreedBufferIsNotStartedOnRelease) {
    Log log;
    FakeSound library{log};
    HeldLoops gate{library};
    gate.dsPlayLooping(5);
    gate.dsPlayLooping(5);
    gate.dsPlayLooping(0);
    gate.dsPlayLooping(6);
    gate.dsFree(6);
    gate.release();
    EXPECT_EQ(log.lines, (std::vector<std::string>{"dsFree 6", "dsPlayLooping 5"}));
}
