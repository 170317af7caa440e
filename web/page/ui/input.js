// SPDX-License-Identifier: GPL-3.0-or-later
// The input queue: every press, menu command, key and message from the
// room waits its turn here; the pointer on the board.
(function (ui, page) {
  "use strict";
  const TWIPS = page.TWIPS, WIDTH = page.WIDTH, HEIGHT = page.HEIGHT;
  // --- input ------------------------------------------------------------------
  // Every press, menu command and Esc goes into one queue; the game takes
  // the next when it has finished the one before.
  const queue = [];
  let waiting = null;
  function push(kind, a, b) {
    if (ui.ended_) return;
    queue.push({ kind: kind, a: a, b: b });
    if (waiting) {
      const w = waiting;
      waiting = null;
      ui.idle = false;
      w(queue.shift());
    }
  }
  // Waves that arrived after the start are handed to the game between two
  // commands, after any input that is waiting.
  const arrived = [];
  function arrive(number) {
    arrived.push({ kind: 4, a: number, b: 0 });
    if (waiting) {
      const w = waiting;
      waiting = null;
      w(arrived.shift());
    }
  }
  ui.nextInput = function () {
    // The command before has ended: the window shows what it painted, and
    // what other tabs have changed in the settings is taken in.
    ui.present();
    page.takeInSettings();
    if (queue.length) return Promise.resolve(queue.shift());
    if (arrived.length) return Promise.resolve(arrived.shift());
    ui.idle = true;
    page.openDeferredMenu();
    return new Promise(function (resolve) { waiting = resolve; });
  };
  ui.escapeWaiting = function () {
    return queue.some(function (e) { return e.kind === 3 && e.a === 27; });
  };
  ui.queued = function () { return queue.length; };
  // What the room's broker says (quintora-net.js) waits its turn in the queue.
  ui.network = function (kind) { push(5, kind, 0); };

  // A game that has started and neither waits for input nor shows a box.
  function busy() {
    return document.documentElement.dataset.state === "running" && !waiting && !page.boxOpen();
  }

  function setUpInput() {
    const canvas = page.canvas;
    canvas.addEventListener("pointerdown", function (e) {
      if (page.boxOpen()) return;
      // The board may be shown smaller than its layout size (a phone, a
      // small window): the press is taken back to the board's own pixels.
      const r = canvas.getBoundingClientRect();
      push(1, (e.clientX - r.left) * (WIDTH / r.width) * TWIPS, (e.clientY - r.top) * (HEIGHT / r.height) * TWIPS);
      page.focusBoard();  // the keys are the board's after a click on it
      e.preventDefault();
    });
  }

  page.push = push;
  page.arrive = arrive;
  page.arrivedCount = function () { return arrived.length; };
  page.busy = busy;
  page.setUpInput = setUpInput;
  // The game has ended: nothing waiting is taken any more.
  page.dropQueue = function () { queue.length = 0; };
})(QuintoraUI, QuintoraPage);
