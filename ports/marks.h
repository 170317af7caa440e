// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The check marks of the option menu: they are the live settings.

namespace quintora {

// The three options, as check marks and as keys of the settings file:
// move numbers, turn icons, background music. Then the four strengths of
// the computer, of which one is checked.
enum class Mark { TEJYUN, AICON, BGM, NYUMON, HYOJUN, JYOKYU, MEIJIN };
inline constexpr int mark_count = int(Mark::MEIJIN) + 1;

class Marks {
public:
    virtual ~Marks() = default;
    virtual bool checked(Mark m) const = 0;
    virtual void set_checked(Mark m, bool on) = 0;
};

}  // namespace quintora
