// SPDX-License-Identifier: GPL-3.0-or-later
// The menu bar: built from the game's own table, opened by the pointer, its
// check marks.
(function (ui, page) {
  "use strict";
  let deferredMenu = null;
  function openDeferredMenu() {
    const m = deferredMenu;
    deferredMenu = null;
    if (!m) return;
    document.querySelectorAll("#menubar .open").forEach(function (o) { o.classList.remove("open"); });
    m.classList.add("open");
  }

  // --- the menu bar -------------------------------------------------------------
  // Built from the game's own menu table, one row at a time (web/main.cpp),
  // then wired: the same menus, captions and order as the desktop's.
  const ROW = { menu: 0, submenu: 1, end: 2, item: 3, check: 4, separator: 5, action: 6 };
  const openMenus = [];
  ui.menuRow = function (row, id, caption, command, mark) {
    const bar = document.getElementById("menubar");
    if (row === ROW.end) { openMenus.pop(); return; }
    const into = openMenus.length ? openMenus[openMenus.length - 1] : bar;
    // For screen readers, ARIA menus: the captions are the menu items (a
    // check mark's a checkbox item), each list a menu of its own.
    function captioned(tag, classes, role) {
      const e = document.createElement(tag);
      e.className = classes;
      e.id = id;
      e.setAttribute("role", "none");
      const c = document.createElement("span");
      c.className = "caption";
      c.textContent = caption;
      c.setAttribute("role", role || "menuitem");
      c.tabIndex = -1;
      e.appendChild(c);
      return e;
    }
    if (row === ROW.menu || row === ROW.submenu) {
      const m = captioned(row === ROW.menu ? "div" : "li", row === ROW.menu ? "menu" : "submenu");
      m.firstChild.setAttribute("aria-haspopup", "menu");
      m.firstChild.setAttribute("aria-expanded", "false");
      const list = document.createElement("ul");
      list.setAttribute("role", "menu");
      list.setAttribute("aria-label", caption);
      m.appendChild(list);
      into.appendChild(m);
      openMenus.push(list);
    } else if (row === ROW.separator) {
      const li = document.createElement("li");
      li.className = "separator";
      li.setAttribute("role", "separator");
      into.appendChild(li);
    } else {
      const e = row === ROW.action ? captioned("div", "menu action item")
        : captioned("li", row === ROW.check ? "item check" : "item", row === ROW.check ? "menuitemcheckbox" : "menuitem");
      if (row === ROW.check) e.firstChild.setAttribute("aria-checked", "false");
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
    // A menu's caption says whether it is open, whichever way it opened.
    const expanded = new MutationObserver(function (changes) {
      changes.forEach(function (c) {
        const caption = c.target.querySelector(":scope > .caption");
        if (caption) caption.setAttribute("aria-expanded", c.target.classList.contains("open") ? "true" : "false");
      });
    });
    bar.querySelectorAll(".menu:not(.action), .submenu").forEach(function (m) {
      expanded.observe(m, { attributes: true, attributeFilter: ["class"] });
    });
    menus.forEach(function (m) {
      m.querySelector(".caption").addEventListener("click", function (e) {
        if (m.classList.contains("action")) return;
        e.stopPropagation();
        // While the game is busy with a command (the computers playing, a
        // five blinking) the desktop's window takes no input: a press on
        // the menu bar opens its menu once the game waits again.
        if (page.busy()) {
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
        page.focusBoard();  // the keys go back to the board
        page.push(2, Number(item.dataset.item), 0);
      });
    });
    document.addEventListener("click", closeMenus);
  };

  ui.setMark = function (mark, on) {
    const item = document.querySelector('[data-mark="' + mark + '"]');
    if (item) {
      item.classList.toggle("checked", on);
      item.querySelector(".caption").setAttribute("aria-checked", on ? "true" : "false");
    }
  };

  page.openDeferredMenu = openDeferredMenu;
  // A box blocks the window: a menu pressed before it no longer opens.
  page.dropDeferredMenu = function () { deferredMenu = null; };
})(QuintoraUI, QuintoraPage);
