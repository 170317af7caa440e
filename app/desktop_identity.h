// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

namespace quintora {

// Names the process as the desktop knows it (the menu entry's id, through
// which Wayland compositors and task bars find our icon) and gives every
// window of ours, message boxes included, the application icon. Call once,
// before the window is shown.
void present_application();

}  // namespace quintora
