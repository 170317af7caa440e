// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The player's language. The game speaks Japanese: its texts are the source,
// kept byte for byte, and the game layer and its logs never see anything
// else. The window and the page translate at their edge, through the one
// catalog they share (po/LANG.po, compiled into both).

#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace quintora::lang {


// Chooses the first language of `wanted` (a list of names separated by ':'
// as LANGUAGE holds them; "en", "en_GB.UTF-8", "ja_JP", "C") that has a
// catalog or is Japanese; "C", "POSIX" and Japanese mean the source texts.
// Returns the language chosen, "ja" when none.
std::string_view choose(std::string_view wanted);
// As the desktop's programs do: LANGUAGE first, then LC_ALL, LC_MESSAGES
// and LANG, the first one set deciding.
std::string_view choose_from_environment();
std::string_view current();
// The languages that have a catalog, "ja" (the source) first.
std::span<const std::string_view> available();

// The text in the current language: its translation, or the source itself
// when it has none (numbers, names). A text "「NAME」REST" or "「NAME」: REST"
// keeps the name and has REST translated.
std::string tr(std::string_view source, std::string_view context = {});

// A number the game draws before a word (" 12 " "手目") in a language whose
// translation of the word takes the number ("Move %1"): the one text for
// both ("Move 12"); nothing when the word's translation does not.
std::optional<std::string> with_number(std::string_view word, std::string_view number);
// Whether the current language has such a word: a number drawn beside the
// board then waits for the text after it.
bool numbers_go_inside_words();

}  // namespace quintora::lang
