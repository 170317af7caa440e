// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Modal message boxes. Every text and caption is shown byte for byte.

#include <string_view>

namespace quintora {

// The title a box shows: its caption, or the program's name for a caption
// that is empty or blank (the window system would show that name there; the
// page does the same).
inline std::string_view box_title(std::string_view caption) {
    return caption.find_first_not_of(' ') == std::string_view::npos ? std::string_view("Quintora") : caption;
}

class Dialogs {
public:
    virtual ~Dialogs() = default;
    // A box with an OK button only. An empty or blank caption is titled as
    // box_title says.
    virtual void message(std::string_view text, std::string_view caption) = 0;
    // A box with OK and no caption of its own: the application's title shows.
    virtual void about(std::string_view text) = 0;
    // The one question of the game, with Yes and No; true for Yes.
    virtual bool ask_yes_no(std::string_view text, std::string_view caption) = 0;
    // OK only, with the warning icon.
    virtual void warning(std::string_view text, std::string_view caption) = 0;
};

}  // namespace quintora
