// SPDX-License-Identifier: GPL-3.0-or-later
// Arbitrary bytes as the settings file: split into lines by SettingsLineReader
// and turned into changes by SettingsInterpreter. Every line and the list of
// changes are checked against a plain reading of the same bytes that keeps
// whole lines in memory (fine for the short inputs a fuzzer makes).
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "settings/settings_lines.h"

using namespace quintora;

#define CHECK(cond)                                                                \
    do {                                                                           \
        if (!(cond)) {                                                             \
            std::fprintf(stderr, "%s:%d: check failed: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                          \
        }                                                                          \
    } while (0)

namespace {

std::vector<std::string> plain_lines(std::string_view bytes) {
    std::vector<std::string> lines;
    std::string current;
    bool open = false;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const char c = bytes[i];
        if (c == '\n' || c == '\r') {
            if (c == '\r' && i + 1 < bytes.size() && bytes[i + 1] == '\n') ++i;
            lines.push_back(current);
            current.clear();
            open = false;
        } else {
            current.push_back(c);
            open = true;
        }
    }
    if (open) lines.push_back(current);
    return lines;
}

struct PlainChange {
    std::string key;
    bool on;
};

// Key is the text before the first "=" when that is not the first character,
// else the key of the line before; value is everything after the first "=".
std::vector<PlainChange> plain_changes(const std::vector<std::string>& lines) {
    std::vector<PlainChange> out;
    std::string key;
    for (const auto& line : lines) {
        const std::size_t p = line.find('=');
        if (p != std::string::npos && p >= 1) key = line.substr(0, p);
        const std::string value = p == std::string::npos ? line : line.substr(p + 1);
        const bool known = key == key_tejyun || key == key_aicon || key == key_bgm;
        if (known && (value == "OK" || value == "NG")) out.push_back({key, value == "OK"});
    }
    return out;
}

std::string_view key_text(Mark k) {
    switch (k) {
        case Mark::TEJYUN: return key_tejyun;
        case Mark::AICON: return key_aicon;
        case Mark::BGM: return key_bgm;
        default: break;  // the strengths are no key of this file
    }
    std::abort();  // a change with a key that is none of the three
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    std::istringstream in(bytes);
    SettingsLineReader reader(in);
    SettingsInterpreter interpreter;
    SettingsLine line;

    const std::vector<std::string> expected_lines = plain_lines(bytes);
    const std::vector<PlainChange> expected = plain_changes(expected_lines);

    std::size_t lines = 0, used = 0;
    std::vector<SettingsChange> changes;
    while (reader.next(line)) {
        CHECK(lines < expected_lines.size());
        const std::string& whole = expected_lines[lines];
        CHECK(line.length == whole.size());
        CHECK(line.head == whole.substr(0, SettingsLine::kept));
        CHECK(line.first_equals == whole.find('='));
        ++lines;
        used += line.length;
        CHECK(used + (lines - 1) <= size);  // every line but the last ends in at least one byte
        if (auto c = interpreter.feed(line)) changes.push_back(*c);
    }
    CHECK(lines == expected_lines.size());
    CHECK(!reader.next(line));  // the end stays the end
    CHECK(changes.size() <= lines);
    CHECK(changes.size() == expected.size());
    for (std::size_t i = 0; i < changes.size(); ++i) {
        CHECK(key_text(changes[i].key) == expected[i].key);
        CHECK(changes[i].on == expected[i].on);
    }
    return 0;
}
