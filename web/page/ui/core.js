// SPDX-License-Identifier: GPL-3.0-or-later
// The page around the game, in modules by job (this folder), joined into
// quintora-ui.js by the site's build in the order web/CMakeLists.txt gives:
// the canvas it paints on, what screen readers read, the input queue, the
// keys, the menu bar, the message boxes, Web Audio, the files, the log and
// the start, the board's size on the screen. The compiled program
// (quintora.js) calls into QuintoraUI; see web_adapters.cpp. The modules
// share what they need of one another through QuintoraPage only.
var QuintoraUI, QuintoraPage;
(function () {
  "use strict";
  const params = new URLSearchParams(location.search);
  QuintoraPage = {
    params: params,
    TWIPS: 15,               // twips per layout pixel
    WIDTH: @CLIENT_WIDTH@, HEIGHT: @CLIENT_HEIGHT@, // the client area in layout pixels (view/geometry.h)
    FOLDER: "/quintora",
    STORAGE_PREFIX: "quintora:",
    FACE: "IPAPMinchoWeb",
    ratio: window.devicePixelRatio || 1,
  };
  QuintoraUI = {
    // ?log keeps the call log (tests compare it); ?fast runs the game's waits
    // without their length.
    logging: params.has("log"),
    pauseScale: params.has("fast") ? 0 : 1,
    lines: [],
    boxes: 0,  // boxes opened so far
    idle: false,
    ended_: false,
    startedAt: 0,
  };
})();
