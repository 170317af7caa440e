// SPDX-License-Identifier: GPL-3.0-or-later
// The keys: Esc, the board's cursor keys, and the menu bar from the
// keyboard.
(function (ui, page) {
  "use strict";
  function setUpKeys() {
    // The board takes the keyboard as the page opens, as the window's does.
    page.focusBoard();
    const bar = document.getElementById("menubar");
    function closeMenus() {
      bar.querySelectorAll(".open").forEach(function (m) { m.classList.remove("open"); });
    }
    document.addEventListener("keydown", function (e) {
      if (page.boxOpen()) return page.boxKey(e);
      if (e.key === "Escape") {
        // Esc closes what is open (a menu, the menu bar, the room's form)
        // and goes back to the board, as on the desktop; only on the board
        // is it the game's Esc.
        const together = document.getElementById("together");
        if (bar.querySelector(".open") || bar.contains(document.activeElement)) {
          closeMenus();
        } else if (together && together.contains(document.activeElement)) {
          together.open = false;
        } else if (onBoard(e.target)) {
          page.push(3, 27, 0);
        }
        page.focusBoard();
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
      if (code && !e.altKey && !e.ctrlKey && !e.metaKey && onBoard(e.target)) {
        page.push(3, code, 0);
        e.preventDefault();
      }
    });
  }

  // The board has the keys when it (or nothing else of the page) has the
  // focus: a field, a button or the room form's heading keep theirs.
  function onBoard(target) {
    return target === document.body || target === document.documentElement || target === page.canvas ||
      page.onBoard(target);
  }

  // Keys the game takes for the board's cursor, by the numbers it knows them by.
  const BOARD_KEYS = { ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39, ArrowDown: 40, Home: 36, End: 35,
    PageUp: 33, PageDown: 34, Enter: 13, " ": 32 };

  // The cursor over the board, in the board's layout pixels; drawn in the
  // page above the canvas, never into it.
  ui.showCursor = function (x, y, w, h, name, index) {
    let c = document.getElementById("cursor");
    if (!c) {
      c = document.createElement("div");
      c.id = "cursor";
      page.surface.appendChild(c);
    }
    c.hidden = !name;
    page.cursorAt(name ? index : -1);
    if (!name) return;
    c.style.left = x + "px";
    c.style.top = y + "px";
    c.style.width = w + "px";
    c.style.height = h + "px";
    // The focused cell is read by its name; a board without the focus
    // (the page just loaded, a click) says it in the live region.
    if (!page.onBoard(document.activeElement)) ui.announce(name);
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
    // F10 opens the first menu, as on the desktop; Down goes to its first
    // item.
    enter: function () {
      const first = this.bar().querySelector(".menu");
      if (!first) return;
      this.bar().querySelectorAll(".open").forEach(function (o) { o.classList.remove("open"); });
      first.classList.add("open");
      this.focus(first.querySelector(".caption"));
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
            if (e.key !== "ArrowDown") { entry.click(); page.focusBoard(); }
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
          page.focusBoard();
        }
      } else handled = false;
      if (handled) e.preventDefault();
    },
  };

  page.setUpKeys = setUpKeys;
})(QuintoraUI, QuintoraPage);
