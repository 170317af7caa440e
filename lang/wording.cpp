// SPDX-License-Identifier: GPL-3.0-or-later
#include "lang/wording.h"

#include <utility>

#include "lang/language.h"

namespace quintora::lang {

namespace {
bool is_number(std::string_view s) {
    return s.find_first_of("0123456789") != std::string_view::npos &&
           s.find_first_not_of(" 0123456789") == std::string_view::npos;
}
}  // namespace

std::vector<Wording::Text> Wording::text(double x, double y, std::string_view source, int palette, double points,
                                         bool beside, double row_left) {
    std::vector<Text> out;
    if (held_ && held_->y == y)
        if (auto both = with_number(source, held_->shown)) {
            held_.reset();
            out.push_back({row_left, y, std::move(*both), true, palette, points});
            return out;
        }
    if (auto h = let_go()) out.push_back(std::move(*h));
    if (beside && is_number(source) && numbers_go_inside_words()) {
        held_ = Text{x, y, std::string(source), false, palette, points};
        return out;
    }
    std::string shown = tr(source);
    const bool translated = shown != source;
    out.push_back({x, y, std::move(shown), translated, palette, points});
    return out;
}

std::optional<Wording::Text> Wording::let_go() { return std::exchange(held_, std::nullopt); }

}  // namespace quintora::lang
