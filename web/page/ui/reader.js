// SPDX-License-Identifier: GPL-3.0-or-later
// What screen readers read: the texts beside the board as drawn, the
// board's cells, what was played, and the page's own words.
(function (ui, page) {
  "use strict";
  // The texts beside the board (the turn, the move count, 思考中), kept by
  // row for screen readers: the live region #status shows them as drawn.
  const STATUS_LEFT = 800 + 315 * 21;
  const statusRows = new Map();
  function statusChanged() {
    const box = document.getElementById("status");
    if (!box) return;
    [5, 9, 11].forEach(function (row, i) {
      const texts = statusRows.get(row) || new Map();
      let line = "";
      [...texts.keys()].sort(function (a, b) { return a - b; }).forEach(function (x) {
        const t = texts.get(x).trim();
        if (!t) return;
        // "Black" "to move" want a blank between them; "黒" "の番です" none.
        if (line && line.charCodeAt(line.length - 1) < 128 && t.charCodeAt(0) < 128) line += " ";
        line += t;
      });
      const span = box.children[i];
      if (span.textContent !== line) span.textContent = line;
    });
  }
  function statusText(x, y, text) {
    if (x < STATUS_LEFT) return;
    const row = Math.round((y - 450) / 315);
    if (!statusRows.has(row)) statusRows.set(row, new Map());
    statusRows.get(row).set(x, text);
    statusChanged();
  }
  function statusErase(x, y, w, h) {
    if (x + w <= STATUS_LEFT) return;
    let changed = false;
    statusRows.forEach(function (texts, row) {
      const ty = 450 + 315 * row;
      if (ty < y || ty >= y + h) return;
      [...texts.keys()].forEach(function (tx) {
        if (tx >= x && tx < x + w) { texts.delete(tx); changed = true; }
      });
    });
    if (changed) statusChanged();
  }
  // The board's cells for screen readers: a grid of 361 named cells the
  // program keeps up to date ("K10 黒"), beside the canvas. The grid, not the
  // picture, takes the board's keyboard focus, and the cursor's cell takes it
  // while the cursor shows: screen readers keep their own arrow keys out of
  // a grid and read each cell as it is reached.
  function board() {
    return document.getElementById("cells");
  }
  let cursorCell = -1;
  function focusBoard() {
    const cell = cursorCell >= 0 ? document.getElementById("cell-" + cursorCell) : null;
    (cell || board()).focus({ preventScroll: true });
  }
  function onBoard(element) {
    return !!element && !!element.closest && !!element.closest("#cells");
  }
  // The cursor on cell index (-1: hidden); the focus follows it if the
  // board has it.
  function cursorAt(index) {
    cursorCell = index;
    if (onBoard(document.activeElement)) focusBoard();
  }
  ui.cellName = function (index, name) {
    document.getElementById("cell-" + index).textContent = name;
  };

  // The language the page speaks: ?lang=xx in the address, else the
  // browser's own list. The program picks the first it has a catalog for.
  ui.language = function () {
    const asked = new URLSearchParams(location.search).get("lang");
    const list = asked ? [asked] : (navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language || ""]);
    return list.map(function (l) { return l.replace(/-/g, "_"); }).join(":");
  };
  // The page's own words in that language.
  ui.words = function (lang, ended, again, name) {
    document.documentElement.lang = lang;
    document.getElementById("ended-text").textContent = ended;
    document.getElementById("again").textContent = again;
    board().setAttribute("aria-label", name);
  };
  // Read out by screen readers: what was played, whose turn it is.
  ui.announce = function (text) {
    const live = document.getElementById("announce");
    if (live) live.textContent = text;
  };

  page.board = board;
  page.focusBoard = focusBoard;
  page.onBoard = onBoard;
  page.cursorAt = cursorAt;
  page.statusText = statusText;
  page.statusErase = statusErase;
})(QuintoraUI, QuintoraPage);
