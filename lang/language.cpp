// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/language.h"

#include <array>
#include <cstdlib>

namespace quintora::lang {

namespace {

struct Entry {
    const char* context;
    const char* source;
    const char* text;
};
struct Catalog {
    std::string_view language;
    std::span<const Entry> entries;
};

#include "catalogs.inc"

constexpr std::string_view source_language = "ja";
const Catalog* chosen = nullptr;

// "en_GB.UTF-8@euro" -> "en_GB", then "en".
std::string_view strip(std::string_view name) {
    const auto cut = name.find_first_of(".@");
    return cut == std::string_view::npos ? name : name.substr(0, cut);
}

const Catalog* find(std::string_view name) {
    for (const Catalog& c : catalogs)
        if (c.language == name) return &c;
    return nullptr;
}

constexpr std::string_view open_quote = "「", close_quote = "」";

}  // namespace

std::string_view choose(std::string_view wanted) {
    chosen = nullptr;
    while (!wanted.empty()) {
        const auto colon = wanted.find(':');
        const std::string_view name = strip(wanted.substr(0, colon));
        wanted = colon == std::string_view::npos ? std::string_view{} : wanted.substr(colon + 1);
        if (name.empty()) continue;
        if (name == "C" || name == "POSIX" || name.substr(0, 2) == source_language) return source_language;
        const Catalog* c = find(name);
        if (!c) c = find(name.substr(0, name.find('_')));
        if (c) {
            chosen = c;
            return c->language;
        }
    }
    return source_language;
}

std::string_view choose_from_environment() {
    for (const char* variable : {"LANGUAGE", "LC_ALL", "LC_MESSAGES", "LANG"})
        if (const char* v = std::getenv(variable); v && *v) return choose(v);
    return choose({});
}

std::string_view current() { return chosen ? chosen->language : source_language; }

std::span<const std::string_view> available() {
    static const auto names = [] {
        std::array<std::string_view, std::size(catalogs) + 1> n{source_language};
        for (std::size_t i = 0; i < std::size(catalogs); ++i) n[i + 1] = catalogs[i].language;
        return n;
    }();
    return names;
}

std::string tr(std::string_view source, std::string_view context) {
    if (!chosen || source.empty()) return std::string(source);
    for (const Entry& e : chosen->entries)
        if (e.source == source && e.context == context) return e.text;
    if (!context.empty()) return tr(source);
    // A file's name in quotes, then what became of it.
    if (source.substr(0, open_quote.size()) == open_quote) {
        const auto close = source.find(close_quote);
        if (close != std::string_view::npos) {
            const std::string_view name = source.substr(open_quote.size(), close - open_quote.size());
            std::string_view rest = source.substr(close + close_quote.size());
            const bool colon = rest.substr(0, 2) == ": ";
            if (colon) rest.remove_prefix(2);
            // Appended piece by piece: GCC 12 takes "x" + std::string&& for
            // an overlapping copy (-Wrestrict) where there is none.
            std::string said = "\"";
            said.append(name).append("\"").append(colon ? ": " : " ").append(tr(rest));
            return said;
        }
    }
    return std::string(source);
}

std::optional<std::string> with_number(std::string_view word, std::string_view number) {
    if (word.find("%1") != std::string_view::npos) return std::nullopt;
    std::string text = tr(word);
    const auto at = text.find("%1");
    if (at == std::string::npos) return std::nullopt;
    while (!number.empty() && number.front() == ' ') number.remove_prefix(1);
    while (!number.empty() && number.back() == ' ') number.remove_suffix(1);
    return text.replace(at, 2, number);
}

bool numbers_go_inside_words() {
    if (!chosen) return false;
    for (const Entry& e : chosen->entries)
        if (std::string_view(e.text).find("%1") != std::string_view::npos &&
            std::string_view(e.source).find("%1") == std::string_view::npos)
            return true;
    return false;
}

}  // namespace quintora::lang
