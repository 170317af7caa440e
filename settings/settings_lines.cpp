// SPDX-License-Identifier: GPL-3.0-or-later
#include "settings/settings_lines.h"

#include <iterator>

namespace quintora {

std::string settings_text(bool tejyun, bool aicon, bool bgm) {
    auto line = [](std::string_view key, bool on) { return std::string(key) + (on ? "=OK" : "=NG") + "\r\n"; };
    return line(key_tejyun, tejyun) + line(key_aicon, aicon) + line(key_bgm, bgm);
}

std::string strength_text(int strength) {
    return std::string(key_strength) + "=" + std::string(strength_names[strength]) + "\r\n";
}

std::optional<int> strength_of(const SettingsLine& line) {
    if (line.length > line.head.size() || line.first_equals != key_strength.size()) return std::nullopt;
    const std::string_view text(line.head);
    if (text.substr(0, key_strength.size()) != key_strength) return std::nullopt;
    const std::string_view value = text.substr(key_strength.size() + 1);
    for (int k = 0; k < int(std::size(strength_names)); ++k)
        if (value == strength_names[k]) return k;
    return std::nullopt;
}

bool SettingsLineReader::next(SettingsLine& line) {
    line.head.clear();
    line.length = 0;
    line.first_equals = std::string::npos;
    std::streambuf* buf = in_.rdbuf();
    if (!buf || consumed_ >= limit) return false;
    using traits = std::streambuf::traits_type;
    bool any = false;
    for (;;) {
        if (consumed_ >= limit) return any;
        int ch;
        try {
            ch = buf->sbumpc();
        } catch (...) {
            return false;  // a read error ends the reading
        }
        if (ch == traits::eof()) return any;
        ++consumed_;
        any = true;
        if (ch == '\n') return true;
        if (ch == '\r') {
            try {
                if (buf->sgetc() == '\n') {
                    buf->sbumpc();
                    ++consumed_;
                }
            } catch (...) {
                // The line is whole; the error ends the reading at the next call.
            }
            return true;
        }
        if (ch == '=' && line.first_equals == std::string::npos) line.first_equals = line.length;
        if (line.length < SettingsLine::kept) line.head.push_back(char(ch));
        ++line.length;
    }
}

namespace {
std::optional<Mark> key_of(std::string_view text) {
    if (text == key_tejyun) return Mark::TEJYUN;
    if (text == key_aicon) return Mark::AICON;
    if (text == key_bgm) return Mark::BGM;
    return std::nullopt;
}
}  // namespace

std::optional<SettingsChange> SettingsInterpreter::feed(const SettingsLine& line) {
    const std::size_t p = line.first_equals;  // 0-based; "p > 1" of a 1-based position is p >= 1 here
    std::size_t value_start = 0;
    if (p != std::string::npos) {
        if (p >= 1) key_ = p <= line.head.size() ? key_of(std::string_view(line.head).substr(0, p)) : std::nullopt;
        value_start = p + 1;
    }
    if (!key_) return std::nullopt;
    if (line.length - value_start != 2 || line.length > line.head.size()) return std::nullopt;
    const std::string_view value = std::string_view(line.head).substr(value_start);
    if (value == "OK") return SettingsChange{*key_, true};
    if (value == "NG") return SettingsChange{*key_, false};
    return std::nullopt;
}

}  // namespace quintora
