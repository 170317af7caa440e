// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The installed game's folder of the player's own. The game opens its waves
// and its settings file by their bare names in the folder it runs in; an
// installed copy runs in $XDG_DATA_HOME/quintora (~/.local/share/quintora by
// default), which holds the settings and links to the installed waves. A
// player may put a wave file of their own in place of a link.

#include <string>

#include "ports/dialogs.h"

namespace quintora {

struct UserFolder {
    std::string path;     // the folder, when it could be named
    std::string failure;  // what went wrong, for the player; empty when ready
};

// Makes the folder (and its parents) when missing and links every wave
// file (a name ending in ".wav") of `wave_folder` into it: a missing one, or a link that leads
// nowhere (the game was installed elsewhere since). A file or a working
// link of the player's own is left alone. Another copy of the game doing
// the same at the same moment is no failure. `xdg_data_home` and `home` are
// the variables' values, null when unset; an unset, empty or relative
// XDG_DATA_HOME means the default, and a relative HOME is refused (it would
// name a different folder from every folder the game is started in).
UserFolder prepare_user_folder(const char* xdg_data_home, const char* home, const std::string& wave_folder);

// Prepares the folder from the environment and makes it the current one.
// A failure is said in a warning box titled "Quintora" and on stderr, and
// the answer is false: the game cannot start.
bool enter_user_folder(const std::string& wave_folder, Dialogs& dialogs);

}  // namespace quintora
