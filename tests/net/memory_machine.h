// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// One machine of a room on the in-memory broker: the game on the recording
// fakes behind the room's boxes and sound, its session (the one door every
// input goes through) joined to the room, and its own settings file.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "net/memory_broker.h"
#include "net/session.h"
#include "sodium/sodium_crypto.h"
#include "settings/settings_lines.h"
#include "support/fakes.h"

namespace quintora::testing {

struct MemoryMachine {
    ScratchFolder folder;
    Log log;
    RecordingCanvas canvas{log};
    ScriptedDialogs shown{log};
    RecordingPause pause{log};
    FakeSound sound_out{log};
    FakeMarks marks;
    ThrowingExit exit{log};
    net::RoomDialogs dialogs{shown};
    net::QuietSound sound{sound_out};
    PosixStorage storage;
    Game game{Platform{canvas, dialogs, pause, sound, marks, exit, storage}};
    sodium::SodiumCrypto crypto;
    net::RoomSetup setup;
    MemoryBroker::Link link;  // outlives the session's room, which listens to it
    net::Session session{game};

    // In `room_name`, as `client` asking for `wanted`; `settings`: the
    // text of this machine's own settings file (none when empty).
    MemoryMachine(MemoryBroker& broker, const std::string& room_name, const std::string& client, net::Seats wanted,
                  const std::string& settings = {})
        : setup{room_name, client, wanted, net::random_hex128()},
          link(broker) {
        game.options().settings_path = settings_file().string();
        if (!settings.empty()) std::ofstream(settings_file(), std::ios::binary) << settings;
        game.起動(1);
        log.clear();
        session.join(dialogs, sound, link, crypto, setup);
        link.connect();
    }
    net::Room& room() { return *session.room(); }
    std::filesystem::path settings_file() const { return folder.path() / "Quintora.ini"; }
    // What a player sees and hears: the paint and sound lines of the log.
    std::vector<std::string> seen_and_heard() const {
        std::vector<std::string> out;
        for (const auto& l : log.lines)
            for (const char* p : {"rect ", "pic ", "text ", "circle ", "icon ", "refresh", "dsPlay", "dsStop"})
                if (l.rfind(p, 0) == 0) out.push_back(l);
        return out;
    }
    std::string journal() const { return journal_text(session.room()->journal()); }
    std::string settings() const {
        std::ifstream in(settings_file(), std::ios::binary);
        std::stringstream s;
        s << in.rdbuf();
        return s.str();
    }
};

}  // namespace quintora::testing
