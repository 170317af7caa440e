// SPDX-License-Identifier: GPL-3.0-or-later
// The board's size on the screen, and the page's start: the program's
// Module, which calls prepare before the game's main.
(function (ui, page) {
  "use strict";
  const WIDTH = page.WIDTH, HEIGHT = page.HEIGHT;
  // The board keeps its proportions and is shown smaller when the window or
  // the phone is narrower or lower than it (never larger: its pictures are
  // drawn for its own size).
  function fitBoard() {
    const frame = document.getElementById("frame");
    const bar = document.getElementById("menubar");
    const free = Math.min((document.documentElement.clientWidth - 2) / WIDTH,
                          (window.innerHeight - bar.offsetHeight - 2) / HEIGHT);
    const scale = Math.max(0.1, Math.min(1, free));
    frame.style.width = WIDTH * scale + "px";
    frame.style.height = HEIGHT * scale + "px";
    page.surface.style.transform = scale === 1 ? "" : "scale(" + scale + ")";
    ui.scale = scale;
    if (page.boxOpen()) page.placeBox();
  }

  ui.prepare = function () {
    performance.mark("quintora-program-loaded");
    page.setUpCanvas();
    page.setUpInput();
    page.setUpKeys();
    fitBoard();
    window.addEventListener("resize", fitBoard);
    ["pointerdown", "keydown", "touchstart"].forEach(function (t) {
      document.addEventListener(t, page.firstGesture, true);
    });
    document.getElementById("again").addEventListener("click", function () { location.reload(); });
    Module.FS.mkdir(page.FOLDER);
    Module.addRunDependency("quintora-files");
    Promise.all([page.firstPaintFiles, page.putWaves()]).then(function () {
      performance.mark("quintora-files-ready");
      Module.removeRunDependency("quintora-files");
    });
  };

  return ui;
})(QuintoraUI, QuintoraPage);

var Module = {
  preRun: [QuintoraUI.prepare],
  instantiateWasm: function (imports, receive) {
    QuintoraUI.program.then(function (module) {
      return WebAssembly.instantiate(module, imports).then(function (instance) { receive(instance, module); });
    }).catch(function (e) { console.error("the program could not start: " + e); });
    return {};
  },
  print: function (t) { console.log(t); },
  printErr: function (t) { console.warn(t); },
};
