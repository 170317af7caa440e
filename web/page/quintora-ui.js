// SPDX-License-Identifier: GPL-3.0-or-later
// The page around the game: the canvas it paints on, the menu bar, the
// message boxes, the input queue, Web Audio and the kept settings file. The
// compiled program (quintora.js) calls into QuintoraUI; see web_adapters.cpp.
"use strict";

var QuintoraUI = (function () {
  const params = new URLSearchParams(location.search);
  const TWIPS = 15;               // twips per layout pixel
  const WIDTH = @CLIENT_WIDTH@, HEIGHT = @CLIENT_HEIGHT@; // the client area in layout pixels (view/geometry.h)
  const FOLDER = "/quintora";
  const STORAGE_PREFIX = "quintora:";
  const FACE = "IPAPMinchoWeb";

  const ui = {
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

  const ratio = window.devicePixelRatio || 1;
  const pictureSet = Math.min(3, Math.max(1, Math.ceil(ratio - 1e-6)));
  let sheet = null;
  // The game paints into `ctx`, an off-screen canvas of the board's size;
  // the one on the page (`screen`) shows it only when the desktop's window
  // would: at the game's refreshes, when a box opens and when the game
  // waits for input. A stone painted before a pause is not seen before the
  // pause is over, with its mark, as on the desktop.
  let canvas, screen, back, ctx, surface;
  // The part of the off-screen canvas painted since it was last shown, in
  // device pixels (left, top, right, bottom).
  let dirtyL = Infinity, dirtyT = Infinity, dirtyR = -Infinity, dirtyB = -Infinity;
  function touched(l, t, r, b) {
    dirtyL = Math.min(dirtyL, Math.floor(l) - 1);
    dirtyT = Math.min(dirtyT, Math.floor(t) - 1);
    dirtyR = Math.max(dirtyR, Math.ceil(r) + 1);
    dirtyB = Math.max(dirtyB, Math.ceil(b) + 1);
  }
  ui.present = function () {
    const l = Math.max(0, dirtyL), t = Math.max(0, dirtyT);
    const r = Math.min(back.width, dirtyR), b = Math.min(back.height, dirtyB);
    dirtyL = dirtyT = Infinity;
    dirtyR = dirtyB = -Infinity;
    if (r <= l || b <= t) return;
    screen.drawImage(back, l, t, r - l, b - t, l, t, r - l, b - t);
  };
  const icons = [new Map(), new Map()];

  function css(rgb) {
    return "#" + (rgb & 0xffffff).toString(16).padStart(6, "0");
  }
  // The pen's colour and face are set on the canvas only when they change:
  // the game draws a turn's few texts and rectangles in two or three colours,
  // and each setting is parsed anew.
  let pen = -1, font = "";
  function usePen(rgb) {
    if (rgb !== pen) {
      pen = rgb;
      ctx.fillStyle = css(rgb);
    }
  }
  // The height above the baseline of the face at each size, which the game's
  // texts are placed below (it is the face's, not the text's). Measured once
  // the face is in.
  const ascents = new Map();
  function useFont(size) {
    const f = size * ratio + "px " + FACE;
    if (f !== font) {
      font = f;
      ctx.font = f;
    }
    let a = ascents.get(f);
    if (a === undefined) {
      a = ctx.measureText("").fontBoundingBoxAscent;
      ascents.set(f, a);
    }
    return a;
  }
  // Device pixel of a layout coordinate: both edges of a rectangle rounded on
  // their own, so neighbouring cells neither overlap nor leave a gap.
  function dev(v) { return Math.round(v * ratio); }

  function setUpCanvas() {
    canvas = document.getElementById("board");
    surface = document.getElementById("surface");
    canvas.width = Math.ceil(WIDTH * ratio);
    canvas.height = Math.ceil(HEIGHT * ratio);
    // Opaque, and, where the canvas's pixels are the screen's own, handed to
    // the screen by itself rather than through the page's compositing: the
    // same pixels for about a third less of the browser's work for each
    // frame (bench/README.md). Every drawing between two of the game's
    // pauses is one task, so no frame shows a board half drawn. At a ratio
    // that makes the board a fraction of a pixel wide or high, that way
    // would show it shifted by part of a pixel: the page's compositing
    // there, as before.
    const exact = Number.isInteger(WIDTH * ratio) && Number.isInteger(HEIGHT * ratio);
    screen = canvas.getContext("2d", { alpha: false });
    back = document.createElement("canvas");
    back.width = canvas.width;
    back.height = canvas.height;
    ctx = back.getContext("2d", { alpha: false });
    settle();
    usePen(0x008000);
    ctx.fillRect(0, 0, back.width, back.height);
    touched(0, 0, back.width, back.height);
    ui.present();
    // A context the browser took away and gave back has lost its settings,
    // and the one on the page its picture too.
    back.addEventListener("contextrestored", settle);
    canvas.addEventListener("contextrestored", function () {
      touched(0, 0, back.width, back.height);
      ui.present();
    });
  }
  function settle() {
    ctx.imageSmoothingQuality = "high";
    ctx.textBaseline = "alphabetic";
    pen = -1;
    font = "";
  }

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
  // program keeps up to date ("K10 黒"), beside the canvas.
  ui.cellName = function (index, name) {
    let grid = document.getElementById("cells");
    if (!grid) {
      grid = document.createElement("div");
      grid.id = "cells";
      grid.className = "unseen";
      grid.setAttribute("role", "grid");
      grid.setAttribute("aria-label", canvas.getAttribute("aria-label"));
      for (let y = 0; y < 19; y++) {
        const row = document.createElement("div");
        row.setAttribute("role", "row");
        for (let x = 0; x < 19; x++) {
          const cell = document.createElement("div");
          cell.setAttribute("role", "gridcell");
          cell.id = "cell-" + (y * 19 + x);
          row.appendChild(cell);
        }
        grid.appendChild(row);
      }
      document.getElementById("window").appendChild(grid);
    }
    document.getElementById("cell-" + index).textContent = name;
  };

  ui.fillRect = function (x, y, w, h, rgb) {
    statusErase(x, y, w, h);
    const l = dev(x / TWIPS), t = dev(y / TWIPS);
    const r = dev((x + w) / TWIPS), b = dev((y + h) / TWIPS);
    usePen(rgb);
    ctx.fillRect(l, t, Math.max(r - l, 1), Math.max(b - t, 1));
    touched(l, t, l + Math.max(r - l, 1), t + Math.max(b - t, 1));
  };

  // The board's pictures lie in one sheet (pictures.js says where).
  ui.drawPicture = function (name, x, y) {
    const at = QuintoraSheet[name];
    if (!sheet || !at) return;
    const lx = Math.round(x / TWIPS), ly = Math.round(y / TWIPS);
    const w = at[2], h = at[3], s = pictureSet;
    const l = dev(lx), t = dev(ly);
    ctx.drawImage(sheet, at[0] * s, at[1] * s, w * s, h * s, l, t, dev(lx + w) - l, dev(ly + h) - t);
    touched(l, t, dev(lx + w), dev(ly + h));
  };

  // A translated text that would run into the text before it on its line
  // follows it instead (its translation is longer than the Japanese).
  let lineEnd = { y: -1, x: 0 };
  ui.drawText = function (x, y, text, rgb, points, translated) {
    const size = Math.round(points * 4 / 3);
    const ascent = useFont(size);
    usePen(rgb);
    if (translated && lineEnd.y === y) x = Math.max(x, lineEnd.x + (ctx.measureText(" ").width / ratio) * TWIPS);
    const l = (x / TWIPS) * ratio, t = (y / TWIPS) * ratio;
    ctx.fillText(text, l, t + ascent);
    const advance = ctx.measureText(text).width;
    lineEnd = { y: y, x: x + (advance / ratio) * TWIPS };
    statusText(x, y, text);
    // A text reaches no further than its advance and twice its size down.
    touched(l - size * ratio, t, l + advance + size * ratio, t + 2 * size * ratio);
  };

  ui.fillCircle = function (cx, cy, r, rgb) {
    usePen(rgb);
    const x = (cx / TWIPS) * ratio, y = (cy / TWIPS) * ratio, d = (r / TWIPS) * ratio;
    ctx.beginPath();
    ctx.arc(x, y, d, 0, 2 * Math.PI);
    ctx.fill();
    touched(x - d, y - d, x + d, y + d);
  };

  function iconName(kind, colour) { return (kind === 0 ? "ICO_MAN" : "ICO_COM") + colour; }
  ui.showIcon = function (kind, colour, left, top) {
    let img = icons[kind].get(colour);
    if (!img) {
      img = document.createElement("img");
      img.className = "icon";
      img.alt = "";
      img.src = pictureUrl(iconName(kind, colour));
      icons[kind].set(colour, img);
      surface.appendChild(img);
    }
    img.style.left = Math.round(left / TWIPS) + "px";
    img.style.top = Math.round(top / TWIPS) + "px";
    img.hidden = false;
  };
  ui.hideIcon = function (kind, colour) {
    const img = icons[kind].get(colour);
    if (img) img.hidden = true;
  };

  function pictureUrl(name) {
    return "pictures/" + name + (pictureSet === 1 ? "" : "@" + pictureSet + "x") + ".png";
  }

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
    takeInSettings();
    if (queue.length) return Promise.resolve(queue.shift());
    if (arrived.length) return Promise.resolve(arrived.shift());
    ui.idle = true;
    openDeferredMenu();
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
    return document.documentElement.dataset.state === "running" && !waiting && !boxOpen;
  }
  let deferredMenu = null;
  function openDeferredMenu() {
    const m = deferredMenu;
    deferredMenu = null;
    if (!m) return;
    document.querySelectorAll("#menubar .open").forEach(function (o) { o.classList.remove("open"); });
    m.classList.add("open");
  }

  function setUpInput() {
    canvas.addEventListener("pointerdown", function (e) {
      if (boxOpen) return;
      // The board may be shown smaller than its layout size (a phone, a
      // small window): the press is taken back to the board's own pixels.
      const r = canvas.getBoundingClientRect();
      push(1, (e.clientX - r.left) * (WIDTH / r.width) * TWIPS, (e.clientY - r.top) * (HEIGHT / r.height) * TWIPS);
      e.preventDefault();
    });
    const bar = document.getElementById("menubar");
    function closeMenus() {
      bar.querySelectorAll(".open").forEach(function (m) { m.classList.remove("open"); });
    }
    document.addEventListener("keydown", function (e) {
      if (boxOpen) return boxKey(e);
      if (e.key === "Escape") {
        // An open menu takes its Esc first, as on the desktop.
        if (bar.querySelector(".menu.open")) {
          closeMenus();
          canvas.focus({ preventScroll: true });
          return;
        }
        push(3, 27, 0);
        e.preventDefault();
        return;
      }
      if (e.key === "F10" || (e.key === "Alt" && !e.repeat)) {
        e.preventDefault();
        return menuKeys.enter();
      }
      if (bar.contains(document.activeElement)) return menuKeys.key(e);
      // The board's keys: the game moves its cursor and plays its cell.
      const code = BOARD_KEYS[e.key];
      if (code && !e.altKey && !e.ctrlKey && !e.metaKey && !e.target.closest("button, a, input, #modal, #ended")) {
        push(3, code, 0);
        e.preventDefault();
      }
    });
  }

  // Keys the game takes for the board's cursor, by the numbers it knows them by.
  const BOARD_KEYS = { ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Home: 36, End: 35,
    PageUp: 33, PageDown: 34, Enter: 13, " ": 32 };

  // The cursor over the board, in the board's layout pixels; drawn in the
  // page above the canvas, never into it.
  ui.showCursor = function (x, y, w, h, name) {
    let c = document.getElementById("cursor");
    if (!c) {
      c = document.createElement("div");
      c.id = "cursor";
      surface.appendChild(c);
    }
    c.hidden = !name;
    if (!name) return;
    c.style.left = x + "px";
    c.style.top = y + "px";
    c.style.width = w + "px";
    c.style.height = h + "px";
    ui.announce(name);
  };

  // The language the page speaks: ?lang=xx in the address, else the
  // browser's own list. The program picks the first it has a catalog for.
  ui.language = function () {
    const asked = new URLSearchParams(location.search).get("lang");
    const list = asked ? [asked] : (navigator.languages && navigator.languages.length ? navigator.languages : [navigator.language || ""]);
    return list.map(function (l) { return l.replace(/-/g, "_"); }).join(":");
  };
  // The page's own words in that language.
  ui.words = function (lang, ended, again, board) {
    document.documentElement.lang = lang;
    document.getElementById("ended-text").textContent = ended;
    document.getElementById("again").textContent = again;
    canvas.setAttribute("aria-label", board);
    const grid = document.getElementById("cells");
    if (grid) grid.setAttribute("aria-label", board);
  };
  // Read out by screen readers: what was played, whose turn it is.
  ui.announce = function (text) {
    const live = document.getElementById("announce");
    if (live) live.textContent = text;
  };

  // The menu bar from the keyboard: F10 or Alt goes to it; Left and Right
  // move along the bar, Down and Up through a menu, Right into a submenu and
  // Left out of it, Return or Space takes an item, Esc goes back to the board.
  const menuKeys = {
    bar: function () { return document.getElementById("menubar"); },
    captions: function (list) {
      return Array.prototype.filter.call(list.children, function (e) { return !e.classList.contains("separator"); })
        .map(function (e) { return e.querySelector(".caption"); });
    },
    focus: function (caption) {
      this.bar().querySelectorAll(".caption").forEach(function (c) { c.tabIndex = -1; });
      caption.tabIndex = 0;
      caption.focus({ preventScroll: true });
    },
    enter: function () {
      const first = this.bar().querySelector(".menu > .caption");
      if (first) this.focus(first);
    },
    key: function (e) {
      const caption = document.activeElement.closest(".caption") || document.activeElement.querySelector(".caption");
      if (!caption) return;
      const entry = caption.parentElement;
      const onBar = entry.parentElement === this.bar();
      const barCaptions = this.captions(this.bar());
      const top = onBar ? entry : entry.closest("#menubar > .menu");
      const self = this;
      function openMenu(m) {
        self.bar().querySelectorAll(".open").forEach(function (o) { o.classList.remove("open"); });
        if (!m.classList.contains("action")) m.classList.add("open");
      }
      function step(list, by) {
        const all = self.captions(list);
        const i = all.indexOf(caption);
        self.focus(all[(i + by + all.length) % all.length]);
      }
      function along(by) {
        const i = barCaptions.indexOf(top.querySelector(".caption"));
        const next = barCaptions[(i + by + barCaptions.length) % barCaptions.length];
        const wasOpen = top.classList.contains("open");
        self.focus(next);
        if (wasOpen && !next.parentElement.classList.contains("action")) {
          openMenu(next.parentElement);
          self.focus(self.captions(next.parentElement.querySelector("ul"))[0]);
        } else {
          self.bar().querySelectorAll(".open").forEach(function (o) { o.classList.remove("open"); });
        }
      }
      let handled = true;
      if (onBar) {
        if (e.key === "ArrowRight") along(1);
        else if (e.key === "ArrowLeft") along(-1);
        else if (e.key === "ArrowDown" || e.key === "Enter" || e.key === " ") {
          if (entry.classList.contains("action")) {
            if (e.key !== "ArrowDown") { entry.click(); canvas.focus({ preventScroll: true }); }
          } else {
            openMenu(entry);
            this.focus(this.captions(entry.querySelector("ul"))[0]);
          }
        } else handled = false;
      } else if (e.key === "ArrowDown") step(entry.parentElement, 1);
      else if (e.key === "ArrowUp") step(entry.parentElement, -1);
      else if (e.key === "ArrowRight" && entry.classList.contains("submenu")) {
        entry.classList.add("open");
        this.focus(this.captions(entry.querySelector("ul"))[0]);
      } else if (e.key === "ArrowLeft" && entry.parentElement.closest(".submenu")) {
        const sub = entry.parentElement.closest(".submenu");
        sub.classList.remove("open");
        this.focus(sub.querySelector(".caption"));
      } else if (e.key === "ArrowLeft" || e.key === "ArrowRight") along(e.key === "ArrowRight" ? 1 : -1);
      else if (e.key === "Enter" || e.key === " ") {
        if (entry.classList.contains("submenu")) {
          entry.classList.add("open");
          this.focus(this.captions(entry.querySelector("ul"))[0]);
        } else {
          entry.click();
          canvas.focus({ preventScroll: true });
        }
      } else handled = false;
      if (handled) e.preventDefault();
    },
  };

  // --- the menu bar -------------------------------------------------------------
  // Built from the game's own menu table, one row at a time (web/main.cpp),
  // then wired: the same menus, captions and order as the desktop's.
  const ROW = { menu: 0, submenu: 1, end: 2, item: 3, check: 4, separator: 5, action: 6 };
  const openMenus = [];
  ui.menuRow = function (row, id, caption, command, mark) {
    const bar = document.getElementById("menubar");
    if (row === ROW.end) { openMenus.pop(); return; }
    const into = openMenus.length ? openMenus[openMenus.length - 1] : bar;
    function captioned(tag, classes) {
      const e = document.createElement(tag);
      e.className = classes;
      e.id = id;
      const c = document.createElement("span");
      c.className = "caption";
      c.textContent = caption;
      e.appendChild(c);
      return e;
    }
    if (row === ROW.menu || row === ROW.submenu) {
      const m = captioned(row === ROW.menu ? "div" : "li", row === ROW.menu ? "menu" : "submenu");
      const list = document.createElement("ul");
      m.appendChild(list);
      into.appendChild(m);
      openMenus.push(list);
    } else if (row === ROW.separator) {
      const li = document.createElement("li");
      li.className = "separator";
      li.setAttribute("role", "separator");
      into.appendChild(li);
    } else {
      const e = row === ROW.action ? captioned("div", "menu action item") : captioned("li", row === ROW.check ? "item check" : "item");
      e.dataset.item = String(command);
      if (row === ROW.check) e.dataset.mark = String(mark);
      into.appendChild(e);
    }
  };
  ui.menusBuilt = function () {
    const bar = document.getElementById("menubar");
    const menus = bar.querySelectorAll(".menu");
    function closeMenus() {
      bar.querySelectorAll(".open").forEach(function (m) { m.classList.remove("open"); });
    }
    menus.forEach(function (m) {
      m.querySelector(".caption").addEventListener("click", function (e) {
        if (m.classList.contains("action")) return;
        e.stopPropagation();
        // While the game is busy with a command (the computers playing, a
        // five blinking) the desktop's window takes no input: a press on
        // the menu bar opens its menu once the game waits again.
        if (busy()) {
          deferredMenu = m;
          return;
        }
        const open = m.classList.contains("open");
        closeMenus();
        if (!open) m.classList.add("open");
      });
      m.addEventListener("mouseenter", function () {
        if (bar.querySelector(".menu.open") && !m.classList.contains("open") && !m.classList.contains("action")) {
          closeMenus();
          m.classList.add("open");
        }
      });
    });
    // A submenu opens under the pointer, or with a press of its own (touch
    // screens have no hovering).
    bar.querySelectorAll(".submenu").forEach(function (sub) {
      sub.querySelector(".caption").addEventListener("click", function (e) {
        e.stopPropagation();
        const open = sub.classList.contains("open");
        bar.querySelectorAll(".submenu.open").forEach(function (s) { s.classList.remove("open"); });
        if (!open) sub.classList.add("open");
      });
    });
    bar.querySelectorAll(".item").forEach(function (item) {
      item.addEventListener("click", function (e) {
        e.stopPropagation();
        closeMenus();
        push(2, Number(item.dataset.item), 0);
      });
    });
    document.addEventListener("click", closeMenus);
  };

  ui.setMark = function (mark, on) {
    const item = document.querySelector('[data-mark="' + mark + '"]');
    if (item) {
      item.classList.toggle("checked", on);
      item.setAttribute("aria-checked", on ? "true" : "false");
    }
  };

  // --- boxes ------------------------------------------------------------------
  let boxOpen = null;
  function boxKey(e) {
    if (e.key === "Enter") {
      e.preventDefault();
      boxOpen.finish(boxOpen.defaultAnswer);
    } else if (e.key === "Escape") {
      // Esc closes the box as its escape button would on the desktop: OK,
      // or No in a question.
      e.preventDefault();
      boxOpen.finish(boxOpen.escapeAnswer);
    }
  }
  // The box stands over the middle of the game's window, as the desktop's
  // stand over theirs, kept inside the page's view.
  function placeBox() {
    const box = document.getElementById("box");
    const w = document.getElementById("window").getBoundingClientRect();
    const bw = box.offsetWidth, bh = box.offsetHeight;
    const vw = document.documentElement.clientWidth, vh = window.innerHeight;
    const left = Math.max(0, Math.min(vw - bw, w.left + (w.width - bw) / 2));
    const top = Math.max(0, Math.min(vh - bh, w.top + (w.height - bh) / 2));
    box.style.left = Math.round(left) + "px";
    box.style.top = Math.round(top) + "px";
  }
  // kind 0: OK; 1: Yes and No; 2: OK with the warning sign. Resolves to 1
  // for OK or Yes, 0 for No.
  ui.box = function (kind, text, caption) {
    ui.present();
    deferredMenu = null;  // the window is blocked by the box
    return new Promise(function (resolve) {
      const modal = document.getElementById("modal");
      document.getElementById("box-title").textContent = caption;
      // Our texts break lines with CR.
      document.getElementById("box-text").textContent = text.replace(/\r/g, "\n");
      document.getElementById("box-icon").hidden = kind !== 2;
      const buttons = document.getElementById("box-buttons");
      buttons.textContent = "";
      const choices = kind === 1 ? [["Yes", 1], ["No", 0]] : [["OK", 1]];
      // The keyboard goes back where it was (the board, mostly) once the
      // box is answered: a hidden button would keep the keys otherwise.
      const before = document.activeElement;
      boxOpen = {
        defaultAnswer: 1,
        escapeAnswer: kind === 1 ? 0 : 1,
        finish: function (answer) {
          modal.hidden = true;
          boxOpen = null;
          (before && before !== document.body && document.contains(before) ? before : canvas).focus({ preventScroll: true });
          resolve(answer);
        },
      };
      const open = boxOpen;
      choices.forEach(function (c) {
        const b = document.createElement("button");
        b.type = "button";
        b.textContent = c[0];
        b.dataset.answer = c[1];
        b.addEventListener("click", function () { if (boxOpen === open) open.finish(c[1]); });
        buttons.appendChild(b);
      });
      modal.hidden = false;
      placeBox();
      ui.boxes++;
      buttons.firstChild.focus();
    });
  };
  ui.boxShown = function () { return !!boxOpen; };

  // --- sound ------------------------------------------------------------------
  // The buffers are the library's own copies of the samples. Browsers let a
  // page sound only after a gesture: the context starts at the first one, and
  // a loop asked for before then starts with it.
  let audio = null;
  let audioClosed = false;
  const buffers = new Map();
  // handle -> { source, loop, until }: a single play sounds until the
  // context's clock passes `until`. Worked out when asked, rather than told
  // by the source's end event, which would cost the page a task of its own
  // for every stone.
  const playing = new Map();
  const pendingLoops = new Set();
  const starts = new Map();  // handle -> playbacks started, for the tests
  let lastHandle = 0;
  // A context that sounds nothing still runs its audio thread, about 4 % of
  // a core: once nothing has sounded for QUIET_MS it is suspended, and the
  // next sound resumes it, as the desktop closes its outputs when the game
  // is quiet. While the computers play, one click follows another within
  // that time, so their clicks are never held up by it.
  const QUIET_MS = 2000;
  let quietFrom = 0;    // performance.now() when the last single play will have ended
  let quietTimer = 0;
  function watchQuiet() {
    if (!audio || quietTimer) return;
    const now = performance.now();
    const wait = quietFrom + QUIET_MS - now;
    quietTimer = setTimeout(function () {
      quietTimer = 0;
      if (performance.now() < quietFrom + QUIET_MS) return watchQuiet();
      const loop = Array.from(playing.values()).some(function (p) { return p.loop; });
      if (!loop && audio.state === "running") audio.suspend();
    }, Math.max(0, wait));
  }

  ui.audioOpen = function () {
    audioClosed = false;
    return typeof AudioContext !== "undefined" && typeof AudioBuffer !== "undefined";
  };
  // A buffer of the samples (channels interleaved), or null for a format
  // the browser does not take.
  function makeBuffer(channels, frames, rate, samples) {
    let buffer;
    try {
      buffer = new AudioBuffer({ numberOfChannels: channels, length: frames, sampleRate: rate });
    } catch (e) {
      return null;
    }
    for (let c = 0; c < channels; c++) {
      const data = buffer.getChannelData(c);
      for (let i = 0; i < frames; i++) data[i] = samples[i * channels + c];
    }
    return buffer;
  }
  ui.audioBuffer = function (channels, frames, rate, samples) {
    const buffer = makeBuffer(channels, frames, rate, samples);
    if (!buffer) return 0;
    const handle = ++lastHandle;
    buffers.set(handle, buffer);
    return handle;
  };
  // A wave still on its way has a handle without a buffer: the game plays
  // it as any other; a loop asked for starts when the samples come, a single
  // play before then is not heard.
  const lateHandles = new Map();  // wave number -> handle
  ui.audioLate = function (number) {
    const w = lateWaves.get(number);
    if (!w || w.handle) return 0;
    w.handle = ++lastHandle;
    lateHandles.set(number, w.handle);
    return w.handle;
  };
  ui.audioFill = function (number, channels, frames, rate, samples) {
    const handle = lateHandles.get(number);
    if (!handle) return;  // freed meanwhile
    lateHandles.delete(number);
    const buffer = makeBuffer(channels, frames, rate, samples);
    if (!buffer) return;
    buffers.set(handle, buffer);
    if (audio && !audioClosed && pendingLoops.has(handle)) {
      pendingLoops.delete(handle);
      startSource(handle, true);
    }
  };
  function known(handle) {
    if (buffers.has(handle)) return true;
    for (const h of lateHandles.values()) if (h === handle) return true;
    return false;
  }
  function startSource(handle, loop) {
    const buffer = buffers.get(handle);
    if (!buffer || !audio) return;
    const source = audio.createBufferSource();
    source.buffer = buffer;
    source.loop = loop;
    source.connect(audio.destination);
    if (audio.state === "suspended") audio.resume();
    source.start();
    playing.set(handle, { source: source, loop: loop, until: loop ? Infinity : audio.currentTime + buffer.duration });
    starts.set(handle, (starts.get(handle) || 0) + 1);
    if (!loop) {
      quietFrom = Math.max(quietFrom, performance.now() + buffer.duration * 1000);
      watchQuiet();
    }
  }
  function sounding(handle) {
    const p = playing.get(handle);
    if (p && !p.loop && audio.currentTime >= p.until) {
      playing.delete(handle);
      return undefined;
    }
    return p;
  }
  ui.audioPlay = function (handle, loop) {
    if (!known(handle) || audioClosed) return;
    const now = sounding(handle);
    if (loop && (pendingLoops.has(handle) || (now && now.loop))) return;  // the loop goes on
    ui.audioStop(handle);
    if (audio && buffers.has(handle)) startSource(handle, loop);
    else if (loop) pendingLoops.add(handle);
  };
  ui.audioStop = function (handle) {
    pendingLoops.delete(handle);
    const p = playing.get(handle);
    if (p) {
      playing.delete(handle);
      try { p.source.stop(); } catch (e) { /* never started */ }
      watchQuiet();
    }
  };
  ui.audioFree = function (handle) {
    ui.audioStop(handle);
    buffers.delete(handle);
    lateHandles.forEach(function (h, n) { if (h === handle) lateHandles.delete(n); });
  };
  ui.audioClose = function () {
    Array.from(playing.keys()).forEach(ui.audioStop);
    pendingLoops.clear();
    audioClosed = true;
  };
  function firstGesture() {
    if (audio || audioClosed || typeof AudioContext === "undefined") return;
    audio = new AudioContext();
    // Loops whose samples are still on their way start when they come.
    pendingLoops.forEach(function (h) {
      if (buffers.has(h)) {
        pendingLoops.delete(h);
        startSource(h, true);
      }
    });
    // Quiet from now on, unless the gesture's own command sounds.
    quietFrom = Math.max(quietFrom, performance.now());
    watchQuiet();
  }
  ui.audioState = function () {
    return {
      context: audio ? audio.state : "none",
      buffers: Array.from(buffers.keys()).sort(function (a, b) { return a - b; }),
      playing: Array.from(playing.keys()).filter(sounding),
      looping: Array.from(playing.keys()).filter(function (h) { return sounding(h) && playing.get(h).loop; }),
      pending: Array.from(pendingLoops),
      starts: Object.fromEntries(starts),
    };
  };

  // --- files ------------------------------------------------------------------
  // The settings file is kept, byte for byte, in the page's local storage.
  // A browser may refuse the page its storage (site data blocked) or have
  // no room left in it: the game then plays on with the file in its folder
  // for this visit, and says once that its options will not be kept.
  function bytesToString(bytes) {
    let s = "";
    for (let i = 0; i < bytes.length; i++) s += String.fromCharCode(bytes[i]);
    return s;
  }
  function readKept(name) {
    try {
      return localStorage.getItem(STORAGE_PREFIX + name);
    } catch (e) {
      return null;  // no storage: nothing kept
    }
  }
  // The settings file kept is read while the program loads (the first look
  // into the page's storage waits for the browser), not in its start-up.
  const keptEarly = new Map();
  keptEarly.set("Quintora.ini", readKept("Quintora.ini"));
  // What the storage holds of each file as far as this page knows: what it
  // read, wrote or heard from another tab. Only a file the game has changed
  // since is written back, so a page that merely plays on never puts back
  // an older copy over another tab's change.
  const stored = new Map();
  function putFile(name, kept) {
    const bytes = new Uint8Array(kept.length);
    for (let i = 0; i < kept.length; i++) bytes[i] = kept.charCodeAt(i);
    Module.FS.writeFile(name, bytes);
  }
  ui.restoreFile = function (name) {
    const kept = keptEarly.has(name) ? keptEarly.get(name) : readKept(name);
    keptEarly.delete(name);
    stored.set(name, kept);
    if (kept !== null) putFile(name, kept);
  };
  // 1 when the storage holds the file as the game last wrote it, 0 when it
  // could not be written there.
  ui.saveFile = function (name) {
    let bytes;
    try {
      bytes = Module.FS.readFile(name);
    } catch (e) {
      return 1;  // not written yet
    }
    const s = bytesToString(bytes);
    if (stored.get(name) === s) return 1;
    try {
      localStorage.setItem(STORAGE_PREFIX + name, s);
    } catch (e) {
      return 0;  // blocked, or no room left
    }
    stored.set(name, s);
    return 1;
  };
  // Another tab of the game changed a kept file: it goes into this game's
  // folder between two commands, and is read at the next reset, as a file
  // changed on the desktop would be.
  const changedElsewhere = new Map();
  window.addEventListener("storage", function (e) {
    if (e.key === null || !e.key.startsWith(STORAGE_PREFIX) || e.newValue === null) return;
    changedElsewhere.set(e.key.slice(STORAGE_PREFIX.length), e.newValue);
  });
  function takeInSettings() {
    changedElsewhere.forEach(function (kept, name) {
      if (!stored.has(name)) return;  // not one of the game's files
      putFile(name, kept);
      stored.set(name, kept);
    });
    changedElsewhere.clear();
  }

  // --- log, start, end ----------------------------------------------------------
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
    queue.length = 0;
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
    img.src = pictureUrl("sheet");
    return img.decode().then(function () { sheet = img; }, function () {});
  }
  function loadFace() {
    if (typeof FontFace === "undefined") return Promise.resolve();
    const face = new FontFace(FACE, "url(fonts/ipamp-subset.woff)");
    return face.load().then(function (f) {
      document.fonts.add(f);
      ascents.clear();  // any measured before were the fallback face's
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

  const LATE_MARK = "QuintoraLateWave";
  const lateWaves = new Map();  // number -> { wave, handle, bytes }
  function base64Bytes(text) {
    const s = atob(text);
    const out = new Uint8Array(s.length);
    for (let i = 0; i < s.length; i++) out[i] = s.charCodeAt(i);
    return out;
  }
  function waveUrl(name) { return "waves/" + encodeURIComponent(name); }
  function fetchBytes(url) {
    return fetch(url).then(function (r) {
      return r.ok ? r.arrayBuffer().then(function (b) { return new Uint8Array(b); }) : null;
    }).catch(function () { return null; });
  }
  // A stand-in has the wave's own bytes but for its samples, which are
  // blank but for a mark and the wave's number at their start: here its
  // bytes up to the end of that mark.
  function standInHead(wave, number) {
    const bytes = new Uint8Array(wave.dataAt + LATE_MARK.length + 4);
    bytes.set(base64Bytes(wave.head), 0);
    for (let i = 0; i < LATE_MARK.length; i++) bytes[wave.dataAt + i] = LATE_MARK.charCodeAt(i);
    new DataView(bytes.buffer).setUint32(wave.dataAt + LATE_MARK.length, number, true);
    return bytes;
  }
  // The file that came is the one the stand-in was made from: the same size
  // and the same bytes around the samples (an older page open beside a
  // newer version of the site keeps its silence rather than a wrong wave).
  function sameFrame(wave, bytes) {
    if (bytes.length !== wave.size) return false;
    const head = base64Bytes(wave.head), tail = base64Bytes(wave.tail);
    for (let i = 0; i < head.length; i++) if (bytes[i] !== head[i]) return false;
    const at = wave.dataAt + wave.dataSize;
    for (let i = 0; i < tail.length; i++) if (bytes[at + i] !== tail[i]) return false;
    return true;
  }
  // The stand-in's blanks are not kept: its bytes are made as the game
  // reads them (4.4 MB of blanks neither made nor copied before the first
  // paint); to the game it is a file like any other, of the wave's size.
  function putStandIn(path, wave, number) {
    const around = standInHead(wave, number);
    const tail = base64Bytes(wave.tail), tailAt = wave.dataAt + wave.dataSize;
    Module.FS.writeFile(path, around, { canOwn: true });
    Module.FS.chmod(path, 292);  // 0444: never written
    const node = Module.FS.lookupPath(path).node;
    node.usedBytes = wave.size;
    node.stream_ops = Object.assign({}, node.stream_ops, {
      read: function (stream, buffer, offset, length, position) {
        const n = Math.max(0, Math.min(length, wave.size - position));
        const end = position + n;
        buffer.fill(0, offset, offset + n);
        function put(bytes, at) {
          const from = Math.max(position, at), to = Math.min(end, at + bytes.length);
          if (from < to) buffer.set(bytes.subarray(from - at, to - at), offset + from - position);
        }
        put(around, 0);
        put(tail, tailAt);
        return n;
      },
      mmap: undefined,
    });
  }
  ui.putStandIn = putStandIn;  // for the tests: a wave of their own
  function putWaves() {
    const early = [];
    QuintoraWaves.forEach(function (wave, number) {
      const path = FOLDER + "/" + wave.name;
      if (wave.dataAt !== undefined && wave.dataSize >= LATE_MARK.length + 4) {
        putStandIn(path, wave, number);
        lateWaves.set(number, { wave: wave, handle: 0, bytes: null });
        lateLeft++;
      } else {
        // Not one whose samples can wait: fetched before the start.
        early.push(fetchBytes(waveUrl(wave.name)).then(function (b) { if (b) Module.FS.writeFile(path, b); }));
      }
    });
    return Promise.all(early);
  }
  let lateLeft = 0;
  function fetchLateWaves() {
    // The small ones (the stone's click) first, the music last.
    const order = Array.from(lateWaves.keys()).sort(function (a, b) {
      return lateWaves.get(a).wave.size - lateWaves.get(b).wave.size;
    });
    return order.reduce(function (before, number) {
      return before.then(function () {
        const w = lateWaves.get(number);
        return fetchBytes(waveUrl(w.wave.name)).then(function (bytes) {
          lateLeft--;
          // Only for a buffer the game made (and has not freed). A wave
          // that did not come, or came damaged, is handed over too, for the
          // game to say so; one whole but of another version of the site is
          // not (an older page open beside a newer site keeps its silence).
          if (!lateHandles.has(number)) return;
          w.bytes = bytes;
          w.missing = !bytes;
          w.same = !!bytes && sameFrame(w.wave, bytes);
          if (!w.same) {
            // Its buffer stays silent: nothing comes to fill it.
            pendingLoops.delete(lateHandles.get(number));
            lateHandles.delete(number);
          }
          arrive(number);
        });
      });
    }, Promise.resolve());
  }
  // -1 when the wave has not come; its size when it has.
  ui.lateSize = function (number) {
    const w = lateWaves.get(number);
    return !w || w.missing ? -1 : w.bytes ? w.bytes.length : 0;
  };
  ui.lateSame = function (number) { return lateWaves.get(number).same; };
  ui.lateName = function (number) { return lateWaves.get(number).wave.name; };
  ui.lateCopy = function (number, heap, to) {
    const w = lateWaves.get(number);
    heap.set(w.bytes, to);
    w.bytes = null;  // the game keeps its own copy now
  };
  ui.wavesPending = function () { return lateLeft + arrived.length; };

  // After the first paint: the waves, then the keeper of the site for use
  // offline (it fetches every file once more, so it waits for the waves).
  function afterFirstPaint() {
    fetchLateWaves().then(function () {
      if (!("serviceWorker" in navigator) || params.has("nosw")) return;
      navigator.serviceWorker.register("sw.js").catch(function (e) { console.warn("no offline copy: " + e); });
    });
  }

  // --- the board's size on the screen ---------------------------------------------
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
    surface.style.transform = scale === 1 ? "" : "scale(" + scale + ")";
    ui.scale = scale;
    if (boxOpen) placeBox();
  }

  ui.prepare = function () {
    performance.mark("quintora-program-loaded");
    setUpCanvas();
    setUpInput();
    fitBoard();
    window.addEventListener("resize", fitBoard);
    ["pointerdown", "keydown", "touchstart"].forEach(function (t) {
      document.addEventListener(t, firstGesture, true);
    });
    document.getElementById("again").addEventListener("click", function () { location.reload(); });
    Module.FS.mkdir(FOLDER);
    Module.addRunDependency("quintora-files");
    Promise.all([firstPaintFiles, putWaves()]).then(function () {
      performance.mark("quintora-files-ready");
      Module.removeRunDependency("quintora-files");
    });
  };

  return ui;
})();

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
