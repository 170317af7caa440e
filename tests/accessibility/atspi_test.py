#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The game as a screen reader sees it, through AT-SPI: run inside a private
session bus (its accessibility bus starts from it), on an X server of its own,

    dbus-run-session -- /usr/bin/python3 atspi_test.py PROGRAM [TREE_OUT]

It starts the game, finds the board (a table of 361 named cells), plays a
stone from the keyboard alone (keys sent to the window by xdotool) and checks
what the screen reader was told: the cursor's cell focused, the turn text
and the last stone as name changes. TREE_OUT gets the tree before and after.
"""

import os
import shutil
import subprocess
import sys
import tempfile
import time

import gi

gi.require_version("Atspi", "2.0")
from gi.repository import GLib  # noqa: E402
import pyatspi  # noqa: E402

PROGRAM = os.path.abspath(sys.argv[1])
TREE_OUT = sys.argv[2] if len(sys.argv) > 2 else None
events = []


def pump(seconds):
    end = time.monotonic() + seconds
    ctx = GLib.MainContext.default()
    while time.monotonic() < end:
        while ctx.pending():
            ctx.iteration(False)
        time.sleep(0.01)


def wait_for(what, test, seconds=30):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = test()
        if value:
            return value
        pump(0.1)
    raise AssertionError("timed out waiting for " + what)


def find_app():
    desktop = pyatspi.Registry.getDesktop(0)
    for app in desktop:
        if app is not None and app.name and app.name.lower() == "quintora":
            return app
    return None


def descendants(node, depth=0):
    yield node, depth
    for child in node:
        if child is not None:
            yield from descendants(child, depth + 1)


def tree_text(app):
    """The tree, one line an object; of the board's cells only those not empty."""
    lines = []
    for node, depth in descendants(app):
        role = node.getRoleName()
        if role == "table cell" and node.name.endswith(" 空"):
            continue
        if role in ("menu item", "menu", "separator") and depth > 4:
            continue
        lines.append("  " * depth + "[%s] %s" % (role, node.name))
    return lines


def key(*keys):
    # To the window with the keyboard focus, as a person types.
    subprocess.run(["xdotool", "key", "--delay", "60"] + list(keys), check=True)
    pump(0.5)


def start_x():
    """A virtual screen on a display number the server picks itself (no race
    with other servers on the machine); gives the process and the display."""
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "900x640x24", "-nolisten", "tcp"],
                              pass_fds=(write,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
    os.close(write)
    number = b""
    with os.fdopen(read, "rb") as f:
        while not number.endswith(b"\n"):
            c = f.read(1)
            if not c:
                raise AssertionError("Xvfb did not start")
            number += c
    return server, ":" + number.decode().strip()


def main():
    server, display = start_x()
    os.environ["DISPLAY"] = display
    try:
        run()
    finally:
        server.terminate()
        server.wait()


def run():
    folder = tempfile.mkdtemp(prefix="quintora-atspi-")
    env = dict(os.environ, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
               SDL_AUDIODRIVER="dummy", LC_ALL="C", ASAN_OPTIONS="detect_leaks=0")
    env.pop("LANGUAGE", None)
    game = subprocess.Popen([PROGRAM], cwd=folder, env=env, stdout=subprocess.DEVNULL, stderr=open(os.path.join(folder, "stderr"), "w"))
    try:
        def listener(e):
            try:
                events.append((e.type, e.source.getRoleName(), e.source.name))
            except GLib.GError:  # gone already (a box that closed)
                pass
        pyatspi.Registry.registerEventListener(listener, "object:property-change:accessible-name",
                                               "object:state-changed:focused", "focus:")
        try:
            app = wait_for("the game on the accessibility bus", find_app)
        except AssertionError:
            desktop = pyatspi.Registry.getDesktop(0)
            print("on the bus:", [a.name for a in desktop if a is not None], "game exit:", game.poll())
            with open(os.path.join(folder, "stderr"), encoding="utf-8", errors="replace") as f:
                print(f.read()[-3000:])
            raise
        board = wait_for("the board", lambda: pyatspi.findDescendant(
            app, lambda a: a is not None and a.getRole() == pyatspi.ROLE_TABLE))
        assert board.childCount == 361, board.childCount
        names = [board.getChildAtIndex(i).name for i in range(361)]
        assert names[0] == "A1 空" and names[9 * 19 + 9] == "K10 空" and names[360] == "T19 空", names[:3]
        assert len(set(names)) == 361
        before = tree_text(app)

        window = wait_for("the window", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--class", "Quintora"], capture_output=True, text=True).stdout.split())[-1]
        subprocess.run(["xdotool", "windowfocus", "--sync", window], check=True)
        pump(0.5)
        # 4_PLAY from the keyboard: F10, down to it, Return; Return to the box.
        key("F10", "Down", "Down", "Down", "Return")
        wait_for("the box", lambda: pyatspi.findDescendant(
            app, lambda a: a is not None and a.getRole() == pyatspi.ROLE_ALERT) or
            pyatspi.findDescendant(app, lambda a: a is not None and a.getRole() == pyatspi.ROLE_DIALOG))
        key("Return")
        pump(0.5)
        events.clear()
        key("Right", "Right", "Return")
        l10 = board.getChildAtIndex(9 * 19 + 10)
        wait_for("the stone on L10", lambda: l10.name == "L10 黒")
        wait_for("the turn text", lambda: ("object:property-change:accessible-name", "label", "青の番です") in events)
        wait_for("the stone announced", lambda: ("object:property-change:accessible-name", "label", "黒 L10") in events)
        focused = [e for e in events if e[0].startswith("object:state-changed:focused") or e[0].startswith("focus")]
        assert any(e[2] in ("K10 空", "L10 空") for e in focused), focused
        after = tree_text(app)
        if TREE_OUT:
            with open(TREE_OUT, "w", encoding="utf-8") as f:
                f.write("before:\n" + "\n".join(before) + "\n\nafter 4_PLAY and L10 by keys:\n" + "\n".join(after) +
                        "\n\nevents:\n" + "\n".join("%s %s %s" % e for e in events) + "\n")
        print("ok: 361 cells, focus on the cursor's cell, the turn text and the stone announced")
        key("Escape")
    finally:
        try:
            game.wait(timeout=10)
        except subprocess.TimeoutExpired:
            game.kill()
            game.wait()
        shutil.rmtree(folder, ignore_errors=True)


if __name__ == "__main__":
    main()
