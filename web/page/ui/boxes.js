// SPDX-License-Identifier: GPL-3.0-or-later
// The message boxes, over the middle of the game's window.
(function (ui, page) {
  "use strict";
  let boxOpen = null;
  // The buttons' words in the page's language (the program sets them).
  const words = { ok: "OK", yes: "Yes", no: "No" };
  ui.buttonWords = function (ok, yes, no) {
    words.ok = ok;
    words.yes = yes;
    words.no = no;
  };
  function boxKey(e) {
    if (e.key === "Tab") {
      // The keyboard stays in the box: Tab goes round its buttons.
      e.preventDefault();
      const buttons = Array.from(document.querySelectorAll("#box-buttons button"));
      const i = buttons.indexOf(document.activeElement);
      buttons[(i + (e.shiftKey ? -1 : 1) + buttons.length) % buttons.length].focus();
    } else if (e.key === "F10" || e.key === "Alt") {
      e.preventDefault();  // no menu while a box is open, the browser's neither
    } else if (e.key === "Enter") {
      // The button that has the keyboard, else the default one.
      e.preventDefault();
      const on = document.activeElement;
      boxOpen.finish(on && on.closest && on.closest("#box-buttons") ? Number(on.dataset.answer) : boxOpen.defaultAnswer);
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
  // A box asked for while one is open waits for it to close.
  const later = [];
  ui.box = function (kind, text, caption) {
    if (!boxOpen) return openBox(kind, text, caption);
    return new Promise(function (resolve) {
      later.push(function () { openBox(kind, text, caption).then(resolve); });
    });
  };
  // A box the game does not wait for: its answer is queued as an input.
  ui.boxLater = function (kind, text, caption) {
    ui.box(kind, text, caption).then(function (answer) { page.push(6, answer, kind); });
  };
  function openBox(kind, text, caption) {
    ui.present();
    page.dropDeferredMenu();  // the window is blocked by the box
    return new Promise(function (resolve) {
      const modal = document.getElementById("modal");
      // A new box each time: a box opened as the last one closes would
      // otherwise be the same element, never shown anew, and screen readers
      // would not read it.
      const old = document.getElementById("box");
      old.replaceWith(old.cloneNode(true));
      document.getElementById("box-title").textContent = caption;
      // Our texts break lines with CR.
      document.getElementById("box-text").textContent = text.replace(/\r/g, "\n");
      document.getElementById("box-icon").hidden = kind !== 2;
      const buttons = document.getElementById("box-buttons");
      buttons.textContent = "";
      const choices = kind === 1 ? [[words.yes, 1], [words.no, 0]] : [[words.ok, 1]];
      // The keyboard goes back where it was (the board, mostly) once the
      // box is answered: a hidden button would keep the keys otherwise.
      const before = document.activeElement;
      boxOpen = {
        defaultAnswer: 1,
        escapeAnswer: kind === 1 ? 0 : 1,
        finish: function (answer) {
          modal.hidden = true;
          boxOpen = null;
          if (before && before !== document.body && document.contains(before) && !page.onBoard(before)) before.focus({ preventScroll: true });
          else page.focusBoard();
          resolve(answer);
          if (later.length) later.shift()();
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
  }
  ui.boxShown = function () { return !!boxOpen; };

  page.boxOpen = function () { return boxOpen; };
  page.boxKey = boxKey;
  page.placeBox = placeBox;
})(QuintoraUI, QuintoraPage);
