#!/usr/bin/python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The real screen reader, Orca, following a short game in the window or
the page: run inside a private session bus (the accessibility bus starts
from it), on an X server of its own with openbox, Orca's speech going to
speech-dispatcher's dummy module and ALSA's null device,

    dbus-run-session -- /usr/bin/python3 orca_run.py PROGRAM OUT_FOLDER
    dbus-run-session -- /usr/bin/python3 orca_run.py --page SITE_FOLDER OUT_FOLDER

(the page in Chromium, served on loopback, with its renderer's accessibility
on and Japanese asked for).

Each step is keys typed by xdotool; what Orca said after it is read from its
debug log ("SPEECH OUTPUT: ..."), written a line at a time: Orca opens it
with 8 KB blocks, so it is started here with the file line-buffered. Prints
each step and what was said (and writes it to OUT_FOLDER/heard.txt). The
game: one player, black at K10 and the three computers after it; 戻, 進 and
最初; then four players, two 再開 boxes, and black's five across row 10.
Checked, each in the step that caused it or the next (Orca may lag): the
player's stone with its colour and cell, a computer's stone, the turn after
戻, what 進 and 最初 did, a box opened as another closes, and the win box's
title and text.
"""

import os
import re
import subprocess
import sys
import tempfile
import time

PAGE = sys.argv[1] == "--page"
if PAGE:
    del sys.argv[1]
PROGRAM = os.path.abspath(sys.argv[1])
OUT = os.path.abspath(sys.argv[2]) if len(sys.argv) > 2 else tempfile.mkdtemp(prefix="quintora-orca-")
ORCA_LAUNCHER = """
import sys
source = open("/usr/bin/orca", encoding="utf-8").read()
source = source.replace("open(args.debug_file, 'w')", "open(args.debug_file, 'w', buffering=1)")
sys.argv = ["orca"] + sys.argv[1:]
exec(compile(source, "/usr/bin/orca", "exec"), {"__name__": "__main__"})
"""


def start_x():
    read, write = os.pipe()
    server = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", "1024x768x24", "-nolisten", "tcp"],
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


class Log:
    def __init__(self, path):
        self.path, self.at = path, 0

    def said(self):
        """The speech since the last call."""
        with open(self.path, encoding="utf-8", errors="replace") as f:
            f.seek(self.at)
            text = f.read()
            self.at = f.tell()
        return re.findall(r"SPEECH OUTPUT: '([^']*)'", text)


def wait_for(what, test, seconds=60):
    end = time.monotonic() + seconds
    while time.monotonic() < end:
        value = test()
        if value:
            return value
        time.sleep(0.2)
    raise AssertionError("timed out waiting for " + what)


def main():
    os.makedirs(OUT, exist_ok=True)
    server, display = start_x()
    home = tempfile.mkdtemp(prefix="quintora-orca-home-")
    run = os.path.join(home, "run")
    os.makedirs(run, mode=0o700)
    config = os.path.join(home, "config", "speech-dispatcher")
    os.makedirs(config)
    with open(os.path.join(config, "speechd.conf"), "w") as f:
        f.write('AudioOutputMethod "alsa"\nAudioALSADevice "null"\nAddModule "dummy" "sd_dummy" ""\n'
                'DefaultModule dummy\nLogLevel 1\n')
    env = dict(os.environ, DISPLAY=display, HOME=home, XDG_RUNTIME_DIR=run,
               XDG_CONFIG_HOME=os.path.join(home, "config"), XDG_DATA_HOME=os.path.join(home, "data"),
               GTK_MODULES="", NO_AT_BRIDGE="0")
    started = []
    try:
        started.append(subprocess.Popen(["openbox"], env=env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL))
        log_path = os.path.join(OUT, "orca-debug.out")
        started.append(subprocess.Popen(
            ["/usr/bin/python3", "-c", ORCA_LAUNCHER, "--replace", "-u", os.path.join(home, "orca"),
             "--debug-file", log_path], env=env, stdout=subprocess.DEVNULL, stderr=open(os.path.join(OUT, "orca.err"), "w")))
        wait_for("Orca's log", lambda: os.path.exists(log_path) and os.path.getsize(log_path) > 0)
        time.sleep(3)
        game_env = dict(env, QT_QPA_PLATFORM="xcb", QT_LINUX_ACCESSIBILITY_ALWAYS_ON="1", QT_ACCESSIBILITY="1",
                        SDL_AUDIODRIVER="dummy", LC_ALL="C", ASAN_OPTIONS="detect_leaks=0")
        game_env.pop("LANGUAGE", None)
        folder = tempfile.mkdtemp(prefix="quintora-orca-game-")
        if PAGE:
            sys.path.insert(0, os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "web", "tests"))
            import cdp
            site = cdp.Site(PROGRAM)
            started.append(subprocess.Popen(
                [cdp.find_chromium(), "--no-sandbox", "--force-renderer-accessibility", "--accept-lang=ja",
                 "--lang=ja", "--no-first-run", "--disable-features=Translate", "--user-data-dir=" + folder, "--window-size=900,700",
                 "--app=" + site.url + "index.html?nosw&fast"], env=env, stdout=subprocess.DEVNULL,
                stderr=open(os.path.join(OUT, "game.err"), "w")))
            window_class = "chromium"
        else:
            started.append(subprocess.Popen([PROGRAM], cwd=folder, env=game_env, stdout=subprocess.DEVNULL,
                                            stderr=open(os.path.join(OUT, "game.err"), "w")))
            window_class = "Quintora"
        window = wait_for("the window", lambda: subprocess.run(
            ["xdotool", "search", "--onlyvisible", "--class", window_class], env=env, capture_output=True,
            text=True).stdout.split())[-1]
        subprocess.run(["xdotool", "windowactivate", "--sync", window], env=env)
        if PAGE:
            time.sleep(8)  # the program compiled and started
        log = Log(log_path)
        if PAGE:
            # The board has the keyboard as the page opens, and Orca goes to
            # focus mode there; keys typed before it has would be its own
            # (browse mode's).
            heard_so_far = []
            wait_for("Orca's focus mode on the board", lambda: heard_so_far.extend(log.said()) or
                     "Focus mode" in heard_so_far)
        time.sleep(3)
        log.said()
        heard = []

        def step(name, *keys, wait=2.0):
            if keys:
                # In the page, Orca has to see each focus change (a menu's
                # item, the board) before the next key, or it takes the key
                # in browse mode: a slower typist there.
                subprocess.run(["xdotool", "key", "--delay", "400" if PAGE else "150"] + list(keys), env=env,
                               check=True)
            time.sleep(wait)
            said = log.said()
            heard.append((name, said))
            print("%-40s %s" % (name, " | ".join(said)), flush=True)
            return said

        step("F10, Down, Right, Return (1_PLAY 黒)", "F10", "Down", "Right", "Return")
        step("Return (OK)", "Return")
        step("Right (the cursor shows at K10)", "Right")
        step("Return (black plays K10; the computers follow)", "Return", wait=8.0)
        step("F10, Right, Down, Return (戻)", "F10", "Right", "Down", "Return")
        step("F10, Right, Down, Down, Return (進)", "F10", "Right", "Down", "Down", "Return")
        step("F10, Right, Return (最初)", "F10", "Right", "Return")
        step("F10, Down, Down, Down, Return (4_PLAY)", "F10", "Down", "Down", "Down", "Return")
        step("Return (OK)", "Return")
        step("Return (the board: 再開 OKですか？)", "Return")
        step("Return (OK: 再開 黒の番です)", "Return")
        step("Return (OK)", "Return")
        # Four players by keys, from K10: black makes five across row 10
        # while the others fill the rows beside it.
        for n, keys in enumerate([(), ("Down",), ("Right",), ("Right",), ("Up",), ("Right", "Down"), ("Right",),
                                  ("Down",), ("Up", "Up"), ("Down", "Down", "Left"), ("Left",), ("Left",),
                                  ("Up", "Up"), ("Down", "Down", "Down"), ("Right",), ("Right",),
                                  ("Up", "Up", "Up")]):
            step("move %d: %s" % (n + 1, ", ".join(keys + ("Return",))), *keys, "Return", wait=1.0)
        step("(the win box)", wait=3.0)
        with open(os.path.join(OUT, "heard.txt"), "w", encoding="utf-8") as f:
            for name, said in heard:
                f.write("%s\t%s\n" % (name, " | ".join(said)))
        # Each in the step that caused it or the next one (Orca may lag).
        wanted = [
            ("the player's stone", "Return (black plays K10", r"黒 K10"),
            ("a computer's stone", "Return (black plays K10", r"[青白赤] [A-HJ-T]1?[0-9]\b"),
            ("the turn after 戻", "F10, Right, Down, Return (戻)", r"赤の番です(, | \| )3手目|3手目 \| 赤の番です"),
            ("what 進 did (red's stone again)", "F10, Right, Down, Down, Return (進)", r"赤 G7"),
            ("what 最初 did", "F10, Right, Return (最初)", r"「対局」で始めて下さい"),
            ("a box opened as another closes", "Return (OK: 再開 黒の番です)", r"再開.*黒の番です"),
            ("the win box's title and text", "move 17", r"Quintora.*黒の勝ち！！"),
        ]
        names = [name for name, _ in heard]
        missing = []
        for what, at, pattern in wanted:
            i = next(i for i, name in enumerate(names) if name.startswith(at))
            if not re.search(pattern, " | ".join(s for _, said in heard[i:i + 2] for s in said)):
                missing.append(what)
        if missing:
            print("not heard:", ", ".join(missing), flush=True)
            sys.exit(1)
    finally:
        for p in reversed(started):
            p.terminate()
            try:
                p.wait(5)
            except subprocess.TimeoutExpired:
                p.kill()
        server.terminate()
        server.wait()
        # speech-dispatcher, spawned by Orca, outlives it: the one whose
        # socket lies in this run's own folder is ended too.
        for pid in os.listdir("/proc"):
            try:
                with open("/proc/%s/cmdline" % pid, "rb") as f:
                    if home.encode() in f.read():
                        os.kill(int(pid), 15)
            except (OSError, ValueError):
                pass


if __name__ == "__main__":
    main()
