// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Modal message boxes. Every text and caption is shown byte for byte.

#include <string_view>

namespace quintora {

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A box with an OK button only. An empty caption is a real empty title.
    virtual void message(std::string_view text, std::string_view caption) = 0;
    // A box with OK and no caption of its own: the application's title shows.
    virtual void about(std::string_view text) = 0;
    // The one question of the game, with Yes and No; true for Yes.
    virtual bool ask_yes_no(std::string_view text, std::string_view caption) = 0;
    // OK only, with the warning icon.
    virtual void warning(std::string_view text, std::string_view caption) = 0;
};

}  // namespace quintora
