// SPDX-License-Identifier: GPL-3.0-or-later
// The canvas the game paints on: the off-screen picture and the one shown,
// the pen, the face, the board's pictures and the icons beside the board.
(function (ui, page) {
  "use strict";
  const TWIPS = page.TWIPS, WIDTH = page.WIDTH, HEIGHT = page.HEIGHT, FACE = page.FACE, ratio = page.ratio;
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
    page.canvas = canvas;
    page.surface = surface;
    canvas.width = Math.ceil(WIDTH * ratio);
    canvas.height = Math.ceil(HEIGHT * ratio);
    // Opaque. Not with the low-latency hint ("desynchronized"): on some
    // systems a canvas so made is never shown, the board's place left grey.
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
  // The ink of each translated text right of the board (device pixels), by
  // its place: the box that erases it (made for the Japanese) takes all of
  // it away, and a text after the box no longer follows what it erased.
  const STATUS_LEFT = 800 + 315 * 21;
  const inks = new Map();
  ui.fillRect = function (x, y, w, h, rgb) {
    page.statusErase(x, y, w, h);
    let l = dev(x / TWIPS), t = dev(y / TWIPS);
    let r = dev((x + w) / TWIPS), b = dev((y + h) / TWIPS);
    if (lineEnd.y >= y && lineEnd.y < y + h && lineEnd.x > x) lineEnd = { y: -1, x: 0 };
    inks.forEach(function (ink, key) {
      if (ink.x < x || ink.x >= x + w || ink.y < y || ink.y >= y + h) return;
      l = Math.min(l, ink.l); t = Math.min(t, ink.t); r = Math.max(r, ink.r); b = Math.max(b, ink.b);
      inks.delete(key);
    });
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
    const m = ctx.measureText(text), advance = m.width;
    lineEnd = { y: y, x: x + (advance / ratio) * TWIPS };
    if (translated && x >= STATUS_LEFT) {
      inks.set(y + ":" + x, { x: x, y: y, l: Math.floor(l - m.actualBoundingBoxLeft) - 1, t: Math.floor(t + ascent - m.actualBoundingBoxAscent) - 1,
        r: Math.ceil(l + Math.max(advance, m.actualBoundingBoxRight)) + 1, b: Math.ceil(t + ascent + m.actualBoundingBoxDescent) + 1 });
    }
    page.statusText(x, y, text);
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

  page.setUpCanvas = setUpCanvas;
  page.pictureUrl = pictureUrl;
  // The sheet of the board's pictures, once decoded; the face, once in (any
  // height measured before was the fallback face's).
  page.useSheet = function (img) { sheet = img; };
  page.faceLoaded = function () { ascents.clear(); };
})(QuintoraUI, QuintoraPage);
