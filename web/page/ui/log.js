// SPDX-License-Identifier: GPL-3.0-or-later
// The call log, the start and the end; what the first paint needs, loaded
// beside the program, and what comes after it.
(function (ui, page) {
  "use strict";
  ui.log = function (line) { ui.lines.push(line); };
  ui.started = function () {
    ui.startedAt = performance.now();
    performance.mark("quintora-started");
    // The frame after the next has shown the board painted at start-up.
    requestAnimationFrame(function () {
      requestAnimationFrame(function () {
        ui.paintedAt = performance.now();
        afterFirstPaint();
      });
    });
    document.documentElement.dataset.state = "running";
  };
  ui.ended = function (code) {
    ui.ended_ = true;
    page.dropQueue();
    document.documentElement.dataset.state = "ended";
    document.getElementById("modal").hidden = true;
    document.getElementById("ended").hidden = false;
    document.getElementById("again").focus();
  };

  // What the first paint needs starts loading at once, beside the program
  // itself: the board's pictures of the set for this screen and the face. The
  // waves are not needed for it: each stands in blank in the game's folder
  // (its own bytes but for its samples) and comes after the first paint.
  // Decoded before the game starts (beside the program's compiling), not
  // at the first drawing of each.
  function loadSheet() {
    const img = new Image();
    img.src = page.pictureUrl("sheet");
    return img.decode().then(function () { page.useSheet(img); }, function () {});
  }
  function loadFace() {
    if (typeof FontFace === "undefined") return Promise.resolve();
    const face = new FontFace(page.FACE, "url(fonts/ipamp-subset.woff)");
    return face.load().then(function (f) {
      document.fonts.add(f);
      page.faceLoaded();
    }, function () {});
  }
  // The icons beside the board are images of the page of their own (showIcon).
  const firstPaintFiles = Promise.all([loadSheet(), loadFace()]).then(function () {
    performance.mark("quintora-pictures-loaded");
  });

  // The program's code is compiled as it arrives, from the moment this
  // script runs; quintora.js takes the compiled code (Module.instantiateWasm).
  // A host that does not call it application/wasm gets it compiled whole.
  function compileProgram() {
    const url = "quintora.wasm";
    function whole() {
      return fetch(url, { credentials: "same-origin" }).then(function (r) { return r.arrayBuffer(); })
        .then(function (b) { return WebAssembly.compile(b); });
    }
    if (!WebAssembly.compileStreaming) return whole();
    return WebAssembly.compileStreaming(fetch(url, { credentials: "same-origin" })).catch(whole);
  }
  ui.program = compileProgram();


  function afterFirstPaint() {
    page.fetchLateWaves().then(function () {
      if (!("serviceWorker" in navigator) || page.params.has("nosw")) return;
      navigator.serviceWorker.register("sw.js").catch(function (e) { console.warn("no offline copy: " + e); });
    });
  }

  page.firstPaintFiles = firstPaintFiles;
})(QuintoraUI, QuintoraPage);
