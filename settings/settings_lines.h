// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The settings file's text: three lines "key=OK" or "key=NG" in Shift-JIS
// with CR LF line ends. Keys and values are compared as bytes, exactly, so
// nothing here decodes Shift-JIS (no byte of a two-byte character can be
// mistaken for "=", whose code is below every trail byte).

#include <cstddef>
#include <istream>
#include <optional>
#include <string>
#include <string_view>

#include "ports/marks.h"

namespace quintora {

inline constexpr std::string_view key_tejyun = "\x8E\xE8\x8F\x87\x94\xD4\x8D\x86\x95\x5C\x8E\xA6";  // 手順番号表示
inline constexpr std::string_view key_aicon = "\xB1\xB2\xBA\xDD\x95\x5C\x8E\xA6";                  // ｱｲｺﾝ表示
inline constexpr std::string_view key_bgm = "BGM";

// The file's whole content for three check marks.
std::string settings_text(bool tejyun, bool aicon, bool bgm);

// One line as read: its first bytes, its whole length and where its first
// "=" stands. A line may be of any length; only its head is kept.
struct SettingsLine {
    static constexpr std::size_t kept = 64;  // longer than any line that can mean something
    std::string head;
    std::size_t length = 0;
    std::size_t first_equals = std::string::npos;
};

// Splits bytes into lines at CR LF, LF alone or CR alone, and stops after
// `limit` bytes so that no file can keep the reader busy for long.
class SettingsLineReader {
public:
    static constexpr std::size_t limit = 64u * 1024u * 1024u;
    explicit SettingsLineReader(std::istream& in) : in_(in) {}
    // False at the end of the file, on a read error, or past the limit.
    bool next(SettingsLine& line);

private:
    std::istream& in_;
    std::size_t consumed_ = 0;
};

// The strength of the computer is kept in a file of its own, so that
// "Quintora.ini" holds its three lines as it always has: one line
// "強さ=NAME", NAME one of 標準, 入門, 上級, 名人 (in that order, numbered
// 0 to 3).
inline constexpr std::string_view key_strength = "\x8B\xAD\x82\xB3";  // 強さ
inline constexpr std::string_view strength_names[] = {
    "\x95\x57\x8F\x80",  // 標準
    "\x93\xFC\x96\xE5",  // 入門
    "\x8F\xE3\x8B\x89",  // 上級
    "\x96\xBC\x90\x6C",  // 名人
};
std::string strength_text(int strength);
// The number a line names, or nothing for any other line.
std::optional<int> strength_of(const SettingsLine& line);

struct SettingsChange {
    Mark key;
    bool on;
};

// Turns lines into changes: the first "=" splits key from value; a line
// without a key takes the key of the line before.
class SettingsInterpreter {
public:
    std::optional<SettingsChange> feed(const SettingsLine& line);

private:
    std::optional<Mark> key_;  // nothing: no key yet, or a key nobody knows
};

}  // namespace quintora
