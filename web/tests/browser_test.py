#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The browser build in a real headless Chromium, driven over the DevTools
protocol. Whole games are compared line by line with the log of the native
core on the recording test doubles, fed the same commands.

    browser_test.py SITE_FOLDER REFERENCE_TOOL DESKTOP_PICTURE_TOOL [unittest arguments]

With QUINTORA_SHOTS set to a folder, the screenshots compared are kept there.
"""

import base64
import contextlib
import hashlib
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile
import time
import unittest
import urllib.parse

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
sys.path.insert(1, os.path.dirname(os.path.dirname(os.path.abspath(__file__))))
import cdp  # noqa: E402
import png  # noqa: E402  (web/png.py, which the build uses too)
import serve  # noqa: E402  (web/serve.py, which make serve runs)

SITE = None
REFERENCE = None
DESKTOP_PICTURE = None

TWIPS = 15
CANVAS_TOP = None  # the canvas's place on the page, read once it is laid out
CANVAS_LEFT = None


def spiral():
    """Every cell, from the centre outwards ring by ring."""
    cells = [(10, 10)]
    for r in range(1, 10):
        for x in range(10 - r, 10 + r + 1):
            for y in range(10 - r, 10 + r + 1):
                if max(abs(x - 10), abs(y - 10)) == r:
                    cells.append((x, y))
    return cells


def rows():
    return [(x, y) for y in (1, 19, 3, 17, 5, 15) for x in range(1, 20)]


def reference_log(commands):
    """The native core's log for the commands, and the log cut into the part
    of each command (the lines "> command" mark where each begins)."""
    with tempfile.NamedTemporaryFile("w", suffix=".txt", delete=False, encoding="utf-8") as f:
        f.write("\n".join(commands) + "\n")
        name = f.name
    try:
        out = subprocess.run([REFERENCE, name], capture_output=True, check=True).stdout.decode("utf-8")
    finally:
        os.unlink(name)
    return out.splitlines()


def cut_after_end(commands):
    """The commands up to the one whose part of the native log ends the game
    (a win or a draw), and the answers after them; all when none does."""
    log = reference_log(commands)
    done = 0
    for line in log:
        if line.startswith("> "):
            done += 1
        elif "の勝ち！！" in line or line.startswith("box 引き分け|"):
            return commands[:done] + [c for c in commands if c.startswith("answer")]
    return commands


def normalised(lines):
    """The log without command marks, the sound library's handles replaced by
    the order they were handed out in (the two libraries number differently)."""
    system = None
    buffers = {}
    out = []
    for line in lines:
        if line.startswith("> "):
            continue
        m = re.match(r"dsCreateDSB (-?\d+) flags (\d+) len (\d+) -> (-?\d+)$", line)
        if m:
            if system is None and m.group(1) != "0":
                system = m.group(1)
            handle = m.group(4)
            if handle != "0":
                buffers[handle] = "B%d" % (len(buffers) + 1)
            out.append("dsCreateDSB %s flags %s len %s -> %s" % (
                "S" if m.group(1) == system else m.group(1), m.group(2), m.group(3), buffers.get(handle, handle)))
            continue
        m = re.match(r"(dsPlay|dsPlayLooping|dsStop|dsFree) (-?\d+)$", line)
        if m:
            out.append("%s %s" % (m.group(1), buffers.get(m.group(2), m.group(2))))
            continue
        m = re.match(r"dsTerminate (-?\d+)$", line)
        if m:
            out.append("dsTerminate " + ("S" if m.group(1) == system else m.group(1)))
            continue
        out.append(line)
    return out


class Page:
    """The game's page in one browser, with helpers to play it."""

    def __init__(self, browser, site, base=None):
        self.b = browser
        self.site = site
        self.base = base or site.url

    def open(self, query="log&fast", fresh=True, offline_copy=False, page="index.html"):
        """Opens the page; without `offline_copy` the site's keeper of the
        offline copy is not started (it would fetch the whole site anew at
        every fresh open)."""
        if fresh:
            self.b.call("Storage.clearDataForOrigin", origin=self.site.url.rstrip("/"), storageTypes="all")
        if not offline_copy:
            query = query + "&nosw" if query else "nosw"
        # Chromium asks for English here; the game's own Japanese unless a test asks.
        if "lang=" not in query:
            query += "&lang=ja"
        self.b.open(self.base + page + "?" + query)
        self.b.wait_for("document.documentElement && document.documentElement.dataset.state === 'running'")
        self.wait_idle()
        r = self.b.evaluate("(() => { const r = document.getElementById('board').getBoundingClientRect();"
                            " return [r.left, r.top]; })()")
        self.left, self.top = r

    def state(self):
        return self.b.evaluate("document.documentElement.dataset.state")

    def wait_idle(self, timeout=60):
        """Until the game waits for input with none queued, a box is open or
        the game has ended; tells which."""
        return self.b.wait_for(
            "document.documentElement.dataset.state === 'ended' ? 'ended' :"
            " QuintoraUI.boxShown() ? 'box' :"
            " (QuintoraUI.idle && QuintoraUI.queued() === 0) ? 'idle' : ''", timeout=timeout, interval=0.005)

    def cell_point(self, x, y):
        """The page point at the middle of cell (x, y)."""
        return (self.left + (800 + 315 * x + 157.5) / TWIPS, self.top + (450 + 315 * y + 157.5) / TWIPS)

    def answer_box(self, answer):
        """Clicks the button of the open box: "yes", "no" or "ok"."""
        value = {"yes": "1", "no": "0", "ok": "1"}[answer]
        rect = self.b.evaluate(
            "(() => { const b = [...document.querySelectorAll('#box-buttons button')]"
            ".find(b => b.dataset.answer === %r); const r = b.getBoundingClientRect();"
            " return [r.left + r.width / 2, r.top + r.height / 2]; })()" % value)
        self.b.click(*rect)

    def box_kind(self):
        return self.b.evaluate("document.querySelectorAll('#box-buttons button').length === 2 ? 'ask' : 'ok'")

    def menu(self, name):
        """Opens the menus on the way to the item and clicks it, as a person would."""
        path = self.b.evaluate(
            "(() => { const out = []; let e = document.getElementById(%r);"
            " while (e && e.id !== 'menubar') { if (e.id) out.unshift(e.id); e = e.parentElement.closest('[id]'); }"
            " return out; })()" % name)
        for step in path:
            rect = self.b.evaluate(
                "(() => { const r = document.getElementById(%r).querySelector('.caption')"
                ".getBoundingClientRect(); return [r.left + r.width / 2, r.top + r.height / 2]; })()" % step)
            if step == path[-1]:
                self.b.click(*rect)
            elif document_menu(step):
                # A menu on the bar opens with a click, a submenu on the pointer.
                self.b.click(*rect)
            else:
                self.b.call("Input.dispatchMouseEvent", type="mouseMoved", x=rect[0], y=rect[1])

    def play(self, commands):
        """Runs the commands one after another, each when the one before has
        ended, answering boxes as the script says (Yes when it says nothing)."""
        answers = [c.split()[1] for c in commands if c.startswith("answer")]
        for c in [c for c in commands if not c.startswith("answer")]:
            if not self.settle(answers):
                return
            verb, *args = c.split()
            if verb == "menu":
                self.menu(args[0])
            elif verb == "press":
                self.b.click(*self.cell_point(int(args[0]), int(args[1])))
            elif verb == "key" and args == ["27"]:
                self.b.key("Escape", "Escape", 27)
        self.settle(answers)

    def settle(self, answers):
        """Answers boxes until the game waits for input; False once it has ended."""
        while True:
            what = self.wait_idle()
            if what == "ended":
                return False
            if what == "idle":
                return True
            opened = self.b.evaluate("QuintoraUI.boxes")
            if self.box_kind() == "ask":
                self.answer_box(answers.pop(0) if answers else "yes")
            else:
                self.answer_box("ok")
            # Closed, or followed at once by the next box.
            self.b.wait_for("!QuintoraUI.boxShown() || QuintoraUI.boxes !== %d ||"
                            " document.documentElement.dataset.state === 'ended'" % opened)

    def settle_one(self, answer):
        opened = self.b.evaluate("QuintoraUI.boxes")
        self.answer_box(answer)
        self.b.wait_for("!QuintoraUI.boxShown() || QuintoraUI.boxes !== %d" % opened)

    def log(self):
        return self.b.evaluate("QuintoraUI.lines")


def warnings(log):
    """The warning boxes in a call log."""
    return sum(1 for line in log if line.startswith("warning "))


def document_menu(step):
    return step in ("TAIKYOKU", "KYOKUMEN", "OPTION")


def desktop_picture(commands, ratio):
    """The desktop window's surface after the commands, at a device pixel ratio."""
    with tempfile.TemporaryDirectory() as folder:
        script = os.path.join(folder, "script.txt")
        out = os.path.join(folder, "desktop.png")
        with open(script, "w", encoding="utf-8") as f:
            f.write("\n".join(commands) + "\n")
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", QT_SCALE_FACTOR=str(ratio))
        subprocess.run([DESKTOP_PICTURE, script, out], check=True, env=env, capture_output=True)
        with open(out, "rb") as f:
            return f.read()


def differences(a, b, threshold):
    """Pixels of two images (rows of RGB bytes) whose channels differ by more
    than `threshold`, counted over the whole image and in blocks of 8 x 8."""
    (wa, ha, ra), (wb, hb, rb) = a, b
    if (wa, ha) != (wb, hb):
        raise AssertionError("sizes differ: %dx%d against %dx%d" % (wa, ha, wb, hb))
    total = 0
    blocks = {}
    for y in range(ha):
        la, lb = ra[y], rb[y]
        if la == lb:
            continue
        for x in range(wa):
            i = 3 * x
            if max(abs(la[i] - lb[i]), abs(la[i + 1] - lb[i + 1]), abs(la[i + 2] - lb[i + 2])) > threshold:
                total += 1
                key = (x // 8, y // 8)
                blocks[key] = blocks.get(key, 0) + 1
    return total, blocks


class BrowserTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = cdp.Site(SITE)
        cls.browser = cdp.Browser()
        cls.browser.set_ratio(1)
        cls.page = Page(cls.browser, cls.site)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.site.close()

    def assertSameLog(self, commands, web_log):
        expected = normalised(reference_log(commands))
        got = normalised(web_log)
        for i, (e, g) in enumerate(zip(expected, got)):
            if e != g:
                self.fail("line %d differs:\n  native:  %s\n  browser: %s\n  (before: %s)" % (
                    i, e, g, " / ".join(expected[max(0, i - 3):i])))
        self.assertEqual(len(expected), len(got), "native %d lines, browser %d" % (len(expected), len(got)))

    def test_page_loads_and_starts_without_a_console_error(self):
        self.page.open(query="log")
        self.assertEqual(self.browser.errors(), [])
        self.assertEqual(self.browser.evaluate("QuintoraUI.lines[QuintoraUI.lines.length - 1]"), "refresh")
        self.assertSameLog([], self.page.log())
        # Every file of the site loaded: the pictures of the board are on the canvas.
        self.assertTrue(self.browser.evaluate("document.fonts.check('12px IPAPMinchoWeb', '黒の番です')"))

    def test_whole_games_in_each_setup_log_as_the_native_core(self):
        setups = {
            "JYUNBAN_1": spiral, "JYUNBAN_2": spiral, "JYUNBAN_3": spiral, "JYUNBAN_4": spiral,
            "PLAY_TOIMEN": spiral, "PLAY_TONARI": rows, "PLAY_4": spiral,
        }
        for setup, cells in setups.items():
            with self.subTest(setup=setup):
                commands = cut_after_end(["menu " + setup] + ["press %d %d" % c for c in cells()] + ["answer no"])
                self.page.open()
                self.page.play(commands)
                log = self.page.log()
                self.assertSameLog(commands, log)
                # A whole game: it ended in a win, a draw or a full board.
                self.assertTrue(any("の勝ち！！" in l or "引き分け" in l for l in log) or
                                sum(l.startswith("pic ") and "KARA" not in l for l in log) >= 361, setup)
                self.assertEqual(self.browser.errors(), [])

    def test_the_searching_strengths_play_the_native_cores_stones(self):
        # 上級 and 名人 count their work in positions and cells, never in
        # time: the page's stones are the desktop's, however long each took.
        for strength in ("JYOKYU", "MEIJIN"):
            with self.subTest(strength=strength):
                commands = ["menu " + strength, "menu JYUNBAN_1"] + ["press %d %d" % c for c in spiral()[:6]]
                self.page.open()
                self.page.play(commands)
                self.assertSameLog(commands, self.page.log())
                self.assertEqual(self.browser.errors(), [])

    def test_back_forward_and_the_boxes_before_play_resumes(self):
        commands = ["menu PLAY_4"] + ["press %d %d" % c for c in spiral()[:6]] + [
            "menu MODORU", "menu MODORU", "menu MODORU", "menu SUSUMU",
            "press 3 3", "press 3 3", "press 4 4",
            "menu MODORU", "menu MODORU", "menu MODORU", "menu MODORU", "menu MODORU", "menu MODORU",
            "menu MODORU", "menu SUSUMU", "menu SUSUMU", "menu SUSUMU", "menu SUSUMU", "menu SUSUMU",
            "menu SUSUMU", "menu SUSUMU", "menu SUSUMU"]
        self.page.open()
        self.page.play(commands)
        log = self.page.log()
        self.assertSameLog(commands, log)
        for box in ("box OKですか？|再開", "box 戻れません|戻る", "box 進めません|進む"):
            self.assertIn(box, log)

    def test_input_during_the_computers_waits_is_handled_afterwards_in_order(self):
        # Real waits: the three computer colours take over two seconds after
        # the first press; two presses, one by touch, come meanwhile and
        # wait in the queue.
        commands = ["menu JYUNBAN_1", "press 10 10", "press 11 12", "press 12 8"]
        self.page.open(query="log")
        self.page.play(commands[:1])
        self.page.b.click(*self.page.cell_point(10, 10))
        self.page.b.click(*self.page.cell_point(11, 12))
        x, y = self.page.cell_point(12, 8)
        for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
            self.browser.call("Input.dispatchTouchEvent", type=kind, touchPoints=points)
        self.assertGreater(self.browser.evaluate("QuintoraUI.queued()"), 0, "the game was done before the input came")
        self.page.settle([])
        self.assertSameLog(commands, self.page.log())

    def test_boxes_are_modal_and_return_takes_the_default_button(self):
        self.page.open()
        self.page.menu("JYUNBAN_1")
        self.assertEqual(self.page.wait_idle(), "box")
        self.assertEqual(self.browser.evaluate("document.getElementById('box-text').textContent"), "黒の番です")
        # A press on the board and a menu command while the box is open do nothing.
        self.browser.click(*self.page.cell_point(10, 10))
        self.page.menu("SAISYO")
        self.assertEqual(self.browser.evaluate("QuintoraUI.queued()"), 0)
        self.browser.key("Enter", "Enter", 13)
        self.assertEqual(self.page.wait_idle(), "idle")
        self.assertFalse(any(l.startswith("pic KURO") for l in self.page.log()))
        # Return on the question is Yes: a new game, not the end.
        commands = cut_after_end(["menu PLAY_TOIMEN"] + ["press %d %d" % c for c in spiral()])
        self.page.open()
        self.page.play(commands[:-1])
        self.browser.click(*self.page.cell_point(*map(int, commands[-1].split()[1:])))
        while self.page.wait_idle() == "box" and self.page.box_kind() != "ask":
            self.page.settle_one("ok")
        self.assertEqual(self.browser.evaluate("document.getElementById('box-title').textContent"), "再ゲーム")
        self.browser.key("Enter", "Enter", 13)
        self.assertEqual(self.page.wait_idle(), "idle")
        self.assertSameLog(commands + ["answer yes"], self.page.log())

    def test_sound_follows_the_library_entry_points(self):
        self.page.open()
        audio = "QuintoraUI.audioState()"
        # Handles in the order the waves were loaded: その他, 禁止, 石打音, 終局, BGM;
        # their samples come after the first paint.
        self.browser.wait_for("QuintoraUI.wavesPending() === 0")
        state = self.browser.evaluate(audio)
        self.assertEqual((state["context"], state["buffers"], state["pending"]), ("none", [1, 2, 3, 4, 5], [5]))
        # The first gesture starts the sound, and the music with it.
        self.page.play(["menu PLAY_4"])
        state = self.browser.evaluate(audio)
        self.assertEqual((state["context"], state["looping"], state["pending"], state["starts"]),
                         ("running", [5], [], {"5": 1}))
        # A stone's click from the start each time; an occupied cell refused.
        self.page.play(["press 3 3", "press 4 4", "press 4 4"])
        state = self.browser.evaluate(audio)
        self.assertEqual(state["starts"], {"5": 1, "3": 2, "2": 1})
        # A single play is over once its samples are (the clicks are short);
        # the music goes on.
        self.browser.wait_for("(s => !s.playing.includes(3) && !s.playing.includes(2)"
                              " && s.looping.includes(5))(%s)" % audio, timeout=10)
        # The music off stops its loop, on starts it again once.
        self.page.play(["menu BGM"])
        self.assertEqual(self.browser.evaluate(audio)["looping"], [])
        self.page.play(["menu BGM", "menu SONOTA"])
        state = self.browser.evaluate(audio)
        self.assertEqual((state["looping"], state["starts"]["5"], state["starts"]["1"]), ([5], 2, 1))
        # The end frees every buffer and stops the music.
        self.page.menu("SYURYOU")
        self.assertEqual(self.page.wait_idle(), "ended")
        state = self.browser.evaluate(audio)
        self.assertEqual((state["buffers"], state["playing"]), ([], []))

    def test_a_quiet_game_lets_the_sound_sleep(self):
        self.page.open()
        self.browser.wait_for("QuintoraUI.wavesPending() === 0")
        context = "QuintoraUI.audioState().context"
        # The music on: the context runs on past the pause the effects get.
        self.page.play(["menu PLAY_4", "press 3 3"])
        time.sleep(3)
        self.assertEqual(self.browser.evaluate(context), "running")
        # The music off: once the click has been quiet for two seconds the
        # context is suspended, and the next click wakes it and is played.
        self.page.play(["menu BGM"])
        self.browser.wait_for(context + " === 'suspended'", timeout=6)
        self.page.play(["press 4 4"])
        # Waking is the browser's own promise: on a loaded machine it may
        # settle after the game has gone idle again.
        self.browser.wait_for(context + " === 'running'", timeout=3)
        self.assertEqual(self.browser.evaluate("QuintoraUI.audioState().starts"), {"5": 1, "3": 2})
        self.browser.wait_for(context + " === 'suspended'", timeout=6)

    def test_options_survive_a_reload(self):
        self.page.open()
        self.page.play(["menu BGM", "menu AICON", "menu TEJYUN"])
        marks = "['TEJYUN', 'AICON', 'BGM'].map(id => document.getElementById(id).classList.contains('checked'))"
        self.assertEqual(self.browser.evaluate(marks), [True, True, False])
        kept = self.browser.evaluate("localStorage.getItem('quintora:Quintora.ini')")
        # The file as the icon option wrote it, when the move numbers were still off.
        self.assertEqual(bytes(ord(c) for c in kept),
                         "手順番号表示=NG\r\nｱｲｺﾝ表示=OK\r\nBGM=NG\r\n".encode("shift_jis"))
        self.page.open(fresh=False)
        self.assertEqual(self.browser.evaluate(marks), [False, True, False])
        # The music, started at start-up, is stopped by the kept setting and
        # left waiting for no gesture.
        log = self.page.log()
        self.assertGreater(log.index("dsStop 5"), log.index("dsPlayLooping 5"))
        self.assertEqual(self.browser.evaluate("QuintoraUI.audioState().pending"), [])

    def test_the_canvas_looks_like_the_desktop_window_at_ratios_1_and_2(self):
        # Stones of all four colours with move numbers and the last stone's
        # mark, the turn text, the move count and the row and column labels.
        commands = ["menu PLAY_4"] + ["press %d %d" % c for c in spiral()[:14]] + ["menu TEJYUN"]
        shots = os.environ.get("QUINTORA_SHOTS")
        try:
            for ratio in (1, 2):
                with self.subTest(ratio=ratio):
                    self.browser.set_ratio(ratio)
                    self.page.open()
                    self.page.play(commands)
                    self.browser.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))",
                                          await_promise=True)
                    web = self.browser.screenshot(self.page.left, self.page.top, 657, 500)
                    desktop = desktop_picture(commands, ratio)
                    if shots:
                        os.makedirs(shots, exist_ok=True)
                        for name, data in (("browser", web), ("desktop", desktop)):
                            with open(os.path.join(shots, "%s-ratio%d.png" % (name, ratio)), "wb") as f:
                                f.write(data)
                    a, b = png.read(web), png.read(desktop)
                    self.assertEqual((a[0], a[1]), (657 * ratio, 500 * ratio))
                    total, blocks = differences(a, b, 40)
                    # Pictures are the same files at the same device pixels;
                    # only the text's rasteriser and the circle's edges differ,
                    # by a pixel here and there: no block of 8 x 8 pixels may
                    # differ nearly whole (a stone, a mark or a text missing or
                    # moved, a picture of the wrong set).
                    self.assertLess(total, 0.01 * a[0] * a[1], "%d pixels differ" % total)
                    whole = sorted(k for k, n in blocks.items() if n >= 56)
                    self.assertEqual(whole, [], "blocks of 8 x 8 pixels that differ nearly whole")
        finally:
            self.browser.set_ratio(1)

    def test_each_wave_stands_in_with_its_own_bytes_but_its_samples(self):
        # Until a wave has arrived the game reads, in its folder, a file of
        # the wave's size with the wave's own bytes around the samples, and
        # samples blank but for "QuintoraLateWave" and the wave's number (its
        # place among the waves by name, 4 bytes little-endian). Read here in
        # pieces that end anywhere, as the game's reads may.
        self.page.open()
        names = sorted(n for n in os.listdir(os.path.join(SITE, "waves")) if n.endswith(".wav"))
        expected = {}
        for number, name in enumerate(names):
            with open(os.path.join(SITE, "waves", name), "rb") as f:
                data = bytearray(f.read())
            at = 12
            while data[at:at + 4] != b"data":
                at += 8 + int.from_bytes(data[at + 4:at + 8], "little")
                at += at & 1
            size = int.from_bytes(data[at + 4:at + 8], "little")
            samples = bytearray(size)
            samples[:20] = b"QuintoraLateWave" + number.to_bytes(4, "little")
            data[at + 8:at + 8 + size] = samples
            expected[name] = hashlib.sha256(bytes(data)).hexdigest()
        for piece in (4093, 1 << 20):
            got = self.browser.evaluate("""Promise.all(QuintoraWaves.map(async w => {
                const path = '/quintora/' + w.name, size = Module.FS.stat(path).size;
                const s = Module.FS.open(path, 'r'), bytes = new Uint8Array(size);
                for (let at = 0, n = 1; at < size && n > 0; at += n) n = Module.FS.read(s, bytes, at, Math.min(%d, size - at));
                Module.FS.close(s);
                const d = new Uint8Array(await crypto.subtle.digest('SHA-256', bytes));
                return [w.name, Array.from(d, b => b.toString(16).padStart(2, '0')).join('')];
            })).then(Object.fromEntries)""" % piece, await_promise=True)
            self.assertEqual(got, expected, "read in pieces of %d" % piece)
        # Ours have nothing after the samples; a wave with a chunk there
        # keeps it, read in pieces of 7 bytes.
        fmt = b"fmt " + (16).to_bytes(4, "little") + bytes(range(16))
        head = b"RIFF" + (4 + len(fmt) + 8 + 100 + 12).to_bytes(4, "little") + b"WAVE" + fmt + b"data" + (100).to_bytes(4, "little")
        tail = b"LIST" + (4).to_bytes(4, "little") + b"INFO"
        wave = {"name": "test.wav", "size": len(head) + 100 + len(tail), "dataAt": len(head), "dataSize": 100,
                "head": base64.b64encode(head).decode(), "tail": base64.b64encode(tail).decode()}
        got = self.browser.evaluate("""(() => {
            QuintoraUI.putStandIn('/quintora/test.wav', %s, 258);
            const s = Module.FS.open('/quintora/test.wav', 'r'), bytes = new Uint8Array(Module.FS.stat('/quintora/test.wav').size);
            for (let at = 0, n = 1; at < bytes.length && n > 0; at += n) n = Module.FS.read(s, bytes, at, Math.min(7, bytes.length - at));
            Module.FS.close(s);
            Module.FS.unlink('/quintora/test.wav');
            return btoa(String.fromCharCode.apply(null, bytes));
        })()""" % json.dumps(wave))
        self.assertEqual(base64.b64decode(got), head + b"QuintoraLateWave\x02\x01\0\0" + bytes(80) + tail)

    def test_the_head_asks_for_the_one_sheet_of_pictures_the_board_draws_from_and_the_canvas_path(self):
        # The set is the next whole ratio up; the head's preloads choose by
        # media queries, the page's script by the ratio: they must agree, or
        # two sheets come (or the board waits for one asked for late).
        expected = {1: "sheet.png", 1.25: "sheet@2x.png", 2: "sheet@2x.png", 2.5: "sheet@3x.png", 3: "sheet@3x.png"}
        try:
            for ratio, name in expected.items():
                with self.subTest(ratio=ratio):
                    self.browser.set_ratio(ratio)
                    self.page.open()
                    got = self.browser.evaluate(
                        "performance.getEntriesByType('resource')"
                        ".filter(e => e.name.includes('/pictures/sheet'))"
                        ".map(e => [e.name.split('/').pop(), e.initiatorType])")
                    self.assertEqual(got, [[name, "link"]])
                    # The canvas goes through the page's compositing at every
                    # ratio: a desynchronized canvas, handed to the screen by
                    # itself, is left unshown by some systems.
                    self.assertIs(self.browser.evaluate(
                        "document.getElementById('board').getContext('2d').getContextAttributes().desynchronized"),
                        False)
                    self.assertEqual(self.browser.errors(), [])
        finally:
            self.browser.set_ratio(1)

    def test_escape_and_the_end_item_end_the_game_with_a_way_back(self):
        for how in ("escape", "menu", "escape during a computer turn"):
            with self.subTest(how=how):
                self.page.open(query="log" if how.endswith("turn") else "log&fast")
                if how == "escape":
                    self.browser.key("Escape", "Escape", 27)
                elif how == "menu":
                    self.page.menu("SYURYOU")
                else:
                    self.page.menu("JYUNBAN_2")  # black, a computer, moves first
                    self.browser.key("Escape", "Escape", 27)
                self.assertEqual(self.page.wait_idle(), "ended")
                log = self.page.log()
                self.assertEqual(log[-7:], ["dsFree 1", "dsFree 2", "dsFree 3", "dsFree 4", "dsFree 5",
                                            "dsTerminate 1", "exit 0"])
                self.assertFalse(self.browser.evaluate("document.getElementById('ended').hidden"))
                self.page.b.click(*self.browser.evaluate(
                    "(() => { const r = document.getElementById('again').getBoundingClientRect();"
                    " return [r.left + 5, r.top + 5]; })()"))
                self.browser.wait_for("document.documentElement && document.documentElement.dataset.state === 'running'")
                self.assertEqual(self.browser.errors(), [])

    # --- the page on hostile ground, and where it showed or answered
    # otherwise than the desktop -------------------------------------------------

    def storage_filled(self):
        """Fills the page's storage with other data of the site until not
        one more character fits (the kept settings file goes first)."""
        return self.browser.evaluate("""(() => {
            localStorage.clear();
            let n = 0;
            for (let size = 1 << 20; size >= 1; size >>= 1) {
                const junk = 'x'.repeat(size);
                for (;;) {
                    try { localStorage.setItem('other' + n, junk); n++; } catch (e) { break; }
                }
            }
            return n;
        })()""")

    def assertUnwritableBox(self):
        self.assertEqual(self.page.wait_idle(), "box")
        self.assertEqual(self.browser.evaluate(
            "[document.getElementById('box-title').textContent, document.getElementById('box-text').textContent,"
            " document.getElementById('box-icon').hidden]"),
            ["書込データ", "設定ファイル「Quintora.ini」に書き込めません。\nｵﾌﾟｼｮﾝの設定は保存されません。", False])

    def test_with_site_data_blocked_the_game_plays_and_says_once_that_options_are_not_kept(self):
        browser = cdp.Browser(preferences={"profile": {"default_content_setting_values": {"cookies": 2}}})
        try:
            page = Page(browser, self.site)
            browser.open(self.site.url + "index.html?log&fast&nosw&lang=ja")
            self.assertEqual(page.wait_idle(), "box")
            self.assertEqual(browser.evaluate(
                "(() => { try { return typeof localStorage.length; } catch (e) { return e.name; } })()"),
                "SecurityError")
            saved, self.browser, self.page = (self.browser, self.page), browser, page
            try:
                self.assertUnwritableBox()
                page.settle_one("ok")
                browser.wait_for("document.documentElement.dataset.state === 'running'")
                self.assertEqual(page.wait_idle(), "idle")
                page.left, page.top = browser.evaluate(
                    "(() => { const r = document.getElementById('board').getBoundingClientRect(); return [r.left, r.top]; })()")
                # The options are kept for the visit: the icon option
                # switched on survives a new game; said no more.
                page.play(["menu PLAY_4", "press 3 3", "menu AICON", "menu SAISYO", "menu PLAY_4", "press 4 4"])
                self.assertEqual(warnings(page.log()), 1)
                self.assertTrue(browser.evaluate("document.getElementById('AICON').classList.contains('checked')"))
                self.assertEqual(browser.errors(), [])
            finally:
                self.browser, self.page = saved
        finally:
            browser.close()

    def test_with_the_storage_full_the_game_starts_and_plays_on_and_says_it_once(self):
        marks = "['TEJYUN', 'AICON', 'BGM'].map(id => document.getElementById(id).classList.contains('checked'))"
        with self.subTest(when="a first visit"):
            self.page.open()
            self.assertGreater(self.storage_filled(), 0)
            self.browser.open(self.site.url + "index.html?log&fast&nosw&lang=ja")
            self.assertUnwritableBox()
            self.page.settle_one("ok")
            self.browser.wait_for("document.documentElement.dataset.state === 'running'")
            self.assertEqual(self.page.wait_idle(), "idle")
            self.page.play(["menu PLAY_4", "press 3 3", "menu AICON"])
            self.assertEqual(warnings(self.page.log()), 1)
            self.assertEqual(self.browser.errors(), [])
        with self.subTest(when="during a game"):
            self.page.open()
            self.page.play(["menu PLAY_4", "press 3 3"])
            self.storage_filled()
            self.page.menu("AICON")
            self.assertUnwritableBox()
            self.page.settle_one("ok")
            self.page.play(["menu AICON", "menu AICON", "press 4 4", "menu SAISYO"])
            self.assertEqual(warnings(self.page.log()), 1)
            # The menus still answer and the option holds for the visit.
            self.assertEqual(self.browser.evaluate(marks), [False, True, True])
            self.assertEqual(self.browser.errors(), [])

    def test_two_tabs_keep_the_last_change_either_made(self):
        kept = "localStorage.getItem('quintora:Quintora.ini')"
        on = "手順番号表示=NG\r\nｱｲｺﾝ表示=OK\r\nBGM=OK\r\n".encode("shift_jis")
        self.page.open()
        a = self.browser.session
        tab, b = self.browser.new_tab()
        try:
            other = Page(self.browser, self.site)
            with self.browser.using(b):
                other.open(fresh=False)
            # Tab A switches the icons on; tab B, which read the settings
            # before, plays a stone.
            self.page.play(["menu AICON"])
            self.assertEqual(bytes(ord(c) for c in self.browser.evaluate(kept)), on)
            with self.browser.using(b):
                other.play(["menu PLAY_4", "press 3 3"])
                self.assertEqual(bytes(ord(c) for c in self.browser.evaluate(kept)), on)
                # B has taken A's change in: its next game reads it.
                other.play(["menu SAISYO"])
                self.assertTrue(self.browser.evaluate("document.getElementById('AICON').classList.contains('checked')"))
        finally:
            self.browser.session = a
            self.browser.call("Target.closeTarget", session=False, targetId=tab)

    def wave_that_fails(self, answer):
        """Opens the page with the stone's wave answered by `answer(bytes)`,
        which gives Fetch.fulfillRequest's parameters; the other waves come
        as they are."""
        self.browser.open("about:blank")
        self.browser.wait_for("location.href === 'about:blank'")
        self.browser.pump(0.1)
        self.browser.events.clear()
        self.browser.call("Fetch.enable", patterns=[{"urlPattern": "*.wav*"}])
        try:
            self.page.open()
            with open(os.path.join(SITE, "waves", "石打音.wav"), "rb") as f:
                real = f.read()
            for _ in range(5):
                held = self.browser.wait_for_event("Fetch.requestPaused")
                if held["request"]["url"].endswith(urllib.parse.quote("石打音.wav")):
                    self.browser.call("Fetch.fulfillRequest", requestId=held["requestId"], **answer(real))
                else:
                    self.browser.call("Fetch.continueRequest", requestId=held["requestId"])
        finally:
            self.browser.call("Fetch.disable")

    def test_a_wave_that_does_not_come_or_comes_damaged_is_said_once(self):
        html = base64.b64encode(b"<html><body>Not Found</body></html>").decode()
        cases = {
            "missing": (lambda real: {"responseCode": 404, "body": html}, "「石打音.wav」を読み込めません。"),
            "an error page": (lambda real: {"responseCode": 200, "body": html},
                              "「石打音.wav」: RIFF/WAVE形式のファイルではありません。"),
            "half a file": (lambda real: {"responseCode": 200, "body": base64.b64encode(real[:len(real) // 2]).decode()},
                            "「石打音.wav」: ファイルが途中で切れています（ヘッダーの長さがファイルより長い）。"),
        }
        for name, (answer, text) in cases.items():
            with self.subTest(wave=name):
                self.wave_that_fails(answer)
                self.assertEqual(self.page.wait_idle(), "box")
                self.assertEqual(self.browser.evaluate(
                    "[document.getElementById('box-title').textContent, document.getElementById('box-text').textContent,"
                    " document.getElementById('box-icon').hidden]"), ["Quintora.dll", text, False])
                self.page.settle_one("ok")
                self.browser.wait_for("QuintoraUI.wavesPending() === 0")
                # Play goes on, without the stone's click and without a word more.
                self.page.play(["menu PLAY_4", "press 3 3", "press 4 4"])
                self.assertEqual(warnings(self.page.log()), 1)
                self.assertNotIn("3", self.browser.evaluate("QuintoraUI.audioState().starts"))

    def test_a_box_stands_over_the_game_in_a_wide_window(self):
        try:
            self.browser.set_ratio(1, width=1800, height=1000)
            self.page.open()
            self.page.menu("JYUNBAN_1")
            self.assertEqual(self.page.wait_idle(), "box")
            box = centre_of(self.browser, "#box")
            game = centre_of(self.browser, "#window")
            self.assertLessEqual(abs(box[0] - game[0]), 1, (box, game))
            self.assertLessEqual(abs(box[1] - game[1]), 1, (box, game))
        finally:
            self.browser.set_ratio(1)

    def test_the_page_runs_under_the_strict_policy_make_serve_sends(self):
        class Quiet(serve.Handler):
            def log_message(self, *args):
                pass

        site = cdp.Site(SITE, handler=Quiet)
        try:
            page = Page(self.browser, site)
            page.open()
            policy = self.browser.evaluate(
                "fetch('index.html').then(r => r.headers.get('Content-Security-Policy'))", await_promise=True)
            self.assertIn("script-src 'self' 'wasm-unsafe-eval';", policy)
            self.assertNotIn("unsafe-inline", policy)
            self.assertNotIn("'unsafe-eval'", policy)
            commands = ["menu PLAY_4", "press 3 3", "press 4 4", "menu BGM", "menu AICON"]
            page.play(commands)
            self.assertSameLog(commands, page.log())
            # A refused script, a blocked style or a refused compile is
            # reported on the console.
            self.assertEqual(self.browser.errors(), [])
        finally:
            site.close()

    def test_a_computers_stone_is_shown_with_its_mark_and_thinking_as_long_as_on_the_desktop(self):
        # Real waits. What the canvas on the page shows is read at every
        # frame: for each cell, when a stone (a point of it below its mark)
        # and when its mark (its middle, in the mark's colour) first show,
        # and when 思考中 shows beside the board.
        self.page.open(query="log")
        self.page.play(["menu JYUNBAN_1"])
        self.browser.evaluate("""(() => {
            const c = document.getElementById('board'), g = c.getContext('2d');
            const at = (d, x, y) => { const i = 4 * (Math.round(y) * c.width + Math.round(x)); return d[i] * 65536 + d[i + 1] * 256 + d[i + 2]; };
            const first = g.getImageData(0, 0, c.width, c.height).data;
            window.seen = { stone: {}, mark: {}, thinking: [] };
            function look() {
                const d = g.getImageData(0, 0, c.width, c.height).data, now = performance.now() / 1000;
                for (let x = 1; x <= 19; x++) for (let y = 1; y <= 19; y++) {
                    const l = (800 + 315 * x) / 15, t = (450 + 315 * y) / 15, k = x + ' ' + y;
                    if (!(k in seen.stone) && at(d, l + 15, t + 14) !== at(first, l + 15, t + 14)) seen.stone[k] = now;
                    if (!(k in seen.mark) && at(d, l + 10, t + 10) === 0x00ffff) seen.mark[k] = now;
                }
                let white = false;
                for (let x = 515; x < 566 && !white; x++) for (let y = 261; y < 282 && !white; y++) {
                    const v = at(d, x, y);
                    white = (v >> 16) > 160 && ((v >> 8) & 255) > 160 && (v & 255) > 160;
                }
                seen.thinking.push([now, white]);
                if (!window.stopLooking) requestAnimationFrame(look);
            }
            requestAnimationFrame(look);
        })()""")
        self.page.play(["press 10 10"])
        self.browser.evaluate("new Promise(r => requestAnimationFrame(() => requestAnimationFrame(r)))", await_promise=True)
        seen = self.browser.evaluate("(window.stopLooking = true, seen)")
        computers = sorted(k for k in seen["mark"] if k != "10 10")
        self.assertEqual(len(computers), 3, seen["mark"])
        for cell in computers:
            self.assertLess(seen["mark"][cell] - seen["stone"][cell], 0.1, "stone %s shown before its mark" % cell)
        # Each computer's 思考中 shows from its notice to its stone: two
        # pauses of half a second (the desktop shows it 0.99 s).
        shown, start = [], None
        for t, white in seen["thinking"]:
            if white and start is None:
                start = t
            elif not white and start is not None:
                shown.append(t - start)
                start = None
        self.assertEqual(len(shown), 3, shown)
        for length in shown:
            self.assertGreater(length, 0.95, shown)

    def test_escape_on_a_box_closes_it_and_play_goes_on(self):
        self.page.open()
        self.page.menu("JYUNBAN_1")
        self.assertEqual(self.page.wait_idle(), "box")
        self.browser.key("Escape", "Escape", 27)
        self.assertEqual(self.page.wait_idle(), "idle")
        self.page.play(["press 10 10"])
        self.assertSameLog(["menu JYUNBAN_1", "press 10 10"], self.page.log())

    def test_a_press_on_the_menu_bar_while_the_computers_play_opens_the_menu_after_their_turn(self):
        self.page.open(query="log")
        self.page.play(["menu JYUNBAN_1"])
        self.browser.click(*self.page.cell_point(10, 10))
        self.browser.click(*centre_of(self.browser, "#TAIKYOKU > .caption"))
        opened = "document.getElementById('TAIKYOKU').classList.contains('open')"
        self.assertFalse(self.browser.evaluate(opened))
        self.assertFalse(self.browser.evaluate("QuintoraUI.idle"), "the computers were done before the press")
        self.assertEqual(self.page.wait_idle(), "idle")
        self.browser.wait_for(opened)
        # The turn was the computers' alone: no menu command came between.
        self.assertSameLog(["menu JYUNBAN_1", "press 10 10"], self.page.log())

    def press_key(self, name):
        code = {"ArrowLeft": 37, "ArrowUp": 38, "ArrowRight": 39, "ArrowDown": 40, "Enter": 13, "F10": 121}[name]
        self.browser.key(name, name, code)

    def test_esc_closes_only_what_is_open_and_every_part_is_reached_by_keys(self):
        self.page.open(query="log&fast")
        evaluate = self.browser.evaluate
        # The room form opens from its heading with Return; Esc in its field
        # closes it, and the game goes on.
        evaluate("document.querySelector('#together summary').focus()")
        for kind in ("keyDown", "keyUp"):  # as a keyboard's Return, with its character
            self.browser.call("Input.dispatchKeyEvent", type=kind, key="Enter", code="Enter", text="\r",
                              windowsVirtualKeyCode=13, nativeVirtualKeyCode=13)
        self.assertTrue(evaluate("document.getElementById('together').open"))
        evaluate("document.getElementById('room-broker').focus()")
        self.browser.key("Escape", "Escape", 27)
        self.assertFalse(evaluate("document.getElementById('together').open"))
        # F10 opens the first menu; Esc closes it, then leaves the bar.
        self.press_key("F10")
        self.assertEqual(evaluate("document.querySelector('#menubar .open').id"), "TAIKYOKU")
        self.assertEqual(evaluate("document.activeElement.getAttribute('aria-expanded')"), "true")
        self.browser.key("Escape", "Escape", 27)
        self.assertEqual(evaluate("document.querySelector('#menubar .open')"), None)
        self.assertEqual(evaluate("document.activeElement.id"), "cells")
        self.assertEqual(self.page.wait_idle(), "idle", "no Esc reached the game")
        # A box keeps Tab among its buttons, and is read with its text.
        self.page.menu("PLAY_4")
        self.assertEqual(self.page.wait_idle(), "box")
        self.browser.key("Tab", "Tab", 9)
        self.assertTrue(evaluate("document.getElementById('box').contains(document.activeElement)"))
        self.assertEqual(evaluate("document.getElementById('box').getAttribute('role')"), "alertdialog")
        self.assertEqual(evaluate("document.getElementById('box-title').textContent"), "Quintora")
        self.assertEqual(evaluate("document.activeElement.textContent"), "OK")

    def test_a_game_by_keys_alone_logs_as_the_same_game_by_clicks(self):
        # Black makes five across row 10; then Yes to the question, a new
        # game, and a key press before any setup.
        cells = [(6, 10), (6, 3), (7, 3), (8, 3), (7, 10), (6, 15), (7, 15), (8, 15), (8, 10), (15, 3),
                 (15, 4), (15, 5), (9, 10), (15, 15), (16, 15), (17, 15), (10, 10), (12, 12)]
        commands = ["menu PLAY_4"] + ["press %d %d" % c for c in cells]
        self.page.open()
        # F10, Down into 対局 (1_PLAY), Down twice to 4_PLAY, Return.
        for k in ("F10", "ArrowDown", "ArrowDown", "ArrowDown"):
            self.press_key(k)
        self.assertEqual(self.browser.evaluate("document.activeElement.closest('li').id"), "PLAY_4")
        self.press_key("Enter")
        self.assertEqual(self.page.wait_idle(), "box")  # 黒の番です
        self.press_key("Enter")
        self.assertEqual(self.page.wait_idle(), "idle")
        self.assertTrue(self.browser.evaluate("!document.getElementById('cursor') || document.getElementById('cursor').hidden"),
                        "no cursor before a key")
        at = None
        for x, y in cells:
            if at is None:
                self.press_key("ArrowRight")  # the first key only shows the cursor, at K10
                at = (10, 10)
            while at != (x, y):
                if at[0] != x:
                    self.press_key("ArrowRight" if x > at[0] else "ArrowLeft")
                    at = (at[0] + (1 if x > at[0] else -1), at[1])
                else:
                    self.press_key("ArrowDown" if y > at[1] else "ArrowUp")
                    at = (at[0], at[1] + (1 if y > at[1] else -1))
            self.press_key("Enter")
            # Boxes are answered with Return too: OK, and Yes to 続けますか？.
            while self.page.wait_idle() == "box":
                opened = self.browser.evaluate("QuintoraUI.boxes")
                self.press_key("Enter")
                self.browser.wait_for("!QuintoraUI.boxShown() || QuintoraUI.boxes !== %d" % opened)
        log = self.page.log()
        self.assertSameLog(commands + ["answer yes"], log)
        self.assertIn("ask 続けますか？|再ゲーム", log)
        self.assertIn("box 「対局」で始めて下さい|開始", log)
        cursor = self.browser.evaluate(
            "(() => { const c = document.getElementById('cursor'); return [c.hidden, c.style.left, c.style.top]; })()")
        self.assertEqual(cursor, [False, "305px", "282px"])  # M12, drawn over the canvas
        self.assertEqual(self.browser.errors(), [])

    def ax_tree(self):
        """Chromium's accessibility tree: (role, name) of every node it exposes."""
        self.browser.call("Accessibility.enable")
        nodes = self.browser.call("Accessibility.getFullAXTree")["nodes"]
        return [(n.get("role", {}).get("value", ""), n.get("name", {}).get("value", ""))
                for n in nodes if not n.get("ignored")]

    def test_the_board_in_the_accessibility_tree(self):
        self.page.open()
        tree = self.ax_tree()
        # The board is read and focused as a grid, whose keys a screen
        # reader's browse mode leaves to the page; the menus are ARIA menus.
        self.assertTrue(("menuitem", "対局") in tree and ("menuitem", "終了") in tree, "the menus")
        self.assertTrue(("grid", "盤") in tree, "the grid of cells")
        cells = [name for role, name in tree if role == "gridcell"]
        self.assertEqual(len(cells), 361)
        self.assertEqual((cells[0], cells[9 * 19 + 9], cells[360]), ("A1 空", "K10 空", "T19 空"))
        self.page.menu("PLAY_4")
        self.page.settle([])
        self.browser.evaluate("document.getElementById('cells').focus()")
        for k in ("ArrowRight", "ArrowRight", "Enter"):  # the cursor on K10, L10, and black plays there
            self.press_key(k)
        self.assertEqual(self.page.wait_idle(), "idle")
        self.assertEqual(self.browser.evaluate("document.activeElement.id"), "cell-181", "the focus on L10")
        self.assertEqual(self.browser.evaluate("document.getElementById('cell-181').textContent"), "L10 黒")
        # Chromium brings its tree up to date with the page after a frame or so.
        deadline = time.monotonic() + 10
        while True:
            tree = self.ax_tree()
            cells = [name for role, name in tree if role == "gridcell"]
            if cells[9 * 19 + 10] == "L10 黒" or time.monotonic() > deadline:
                break
            self.browser.pump(0.1)
        self.assertEqual(cells[9 * 19 + 10], "L10 黒")
        self.assertEqual([self.browser.evaluate("document.getElementById('status').children[%d].textContent" % i)
                          for i in range(3)], ["青の番です", "1手目", ""])
        self.assertEqual(self.browser.evaluate("document.getElementById('status').getAttribute('role')"), "status")
        self.assertEqual(self.browser.evaluate("document.getElementById('announce').textContent"), "黒 L10")
        if os.environ.get("QUINTORA_AX_TREE"):
            with open(os.environ["QUINTORA_AX_TREE"], "w", encoding="utf-8") as f:
                f.write("\n".join("[%s] %s" % n for n in tree if n[0] != "gridcell" or not n[1].endswith(" 空")) + "\n")

    def test_english_when_asked_for_with_the_game_log_unchanged(self):
        self.page.open(query="log&fast&lang=en")
        captions = self.browser.evaluate(
            "[...document.querySelectorAll('#menubar .caption')].map(c => c.textContent)")
        self.assertEqual(len(captions), 25)  # 20, and 強さ with its four strengths
        self.assertEqual(captions[:3], ["Game", "1 Player", "Black"])
        for c in captions:
            self.assertFalse(any(ord(ch) >= 0x3000 for ch in c), c)
        self.assertEqual(self.browser.evaluate("document.documentElement.lang"), "en")
        self.assertEqual(self.browser.evaluate("document.getElementById('cells').getAttribute('aria-label')"), "Board")
        self.browser.click(*self.page.cell_point(3, 3))
        self.assertEqual(self.page.wait_idle(), "box")
        self.assertEqual(self.browser.evaluate("document.getElementById('box-text').textContent"),
                         "Start a game from the Game menu.")
        self.assertEqual(self.browser.evaluate("document.getElementById('box-title').textContent"), "Start")
        self.page.settle([])
        self.assertSameLog(["press 3 3"], self.page.log())
        # The page asked for Japanese shows the game's texts byte for byte.
        self.page.open()
        captions = self.browser.evaluate(
            "[...document.querySelectorAll('#menubar .caption')].map(c => c.textContent)")
        self.assertEqual(captions[:3], ["対局", "1_PLAY", "黒"])
        self.assertEqual(self.browser.evaluate("document.getElementById('ended-text').textContent"),
                         "QuintoraⅠは終了しました。")

    @contextlib.contextmanager
    def music_held(self):
        """Opens the page with the music's file held on its way; gives the
        held request, to be let go with Fetch.continueRequest. The page
        before may still be fetching its waves: it goes first, so that the
        request held is the new page's own."""
        self.browser.open("about:blank")
        self.browser.wait_for("location.href === 'about:blank'")
        self.browser.pump(0.1)
        self.browser.events.clear()
        self.browser.call("Fetch.enable", patterns=[{"urlPattern": "*BGM.wav*"}])
        try:
            self.page.open()
            yield self.browser.wait_for_event("Fetch.requestPaused")
        finally:
            self.browser.call("Fetch.disable")

    def test_the_music_comes_after_the_first_paint_and_starts_when_it_arrives(self):
        # The music's file is held on its way: the game starts and paints
        # without it, the first gesture finds the loop waiting for it, and
        # it starts as it arrives.
        with self.music_held() as held:
            self.assertTrue(self.browser.evaluate("QuintoraUI.paintedAt > 0"))
            self.page.play(["menu PLAY_4", "press 3 3"])
            state = self.browser.evaluate("QuintoraUI.audioState()")
            self.assertEqual((state["context"], state["buffers"], state["looping"], state["pending"]),
                             ("running", [1, 2, 3, 4], [], [5]))
            self.browser.call("Fetch.continueRequest", requestId=held["requestId"])
            self.browser.wait_for("QuintoraUI.wavesPending() === 0 && QuintoraUI.audioState().looping.length")
            state = self.browser.evaluate("QuintoraUI.audioState()")
            self.assertEqual((state["looping"], state["pending"], state["starts"]["5"]), ([5], [], 1))
            self.assertSameLog(["menu PLAY_4", "press 3 3"], self.page.log())

    def test_the_music_switched_off_before_it_arrives_stays_off(self):
        with self.music_held() as held:
            self.page.play(["menu PLAY_4", "menu BGM"])
            self.browser.call("Fetch.continueRequest", requestId=held["requestId"])
            self.browser.wait_for("QuintoraUI.wavesPending() === 0")
            self.page.play(["press 3 3"])
            state = self.browser.evaluate("QuintoraUI.audioState()")
            self.assertEqual((state["buffers"], state["looping"], state["pending"]), ([1, 2, 3, 4, 5], [], []))
            self.assertNotIn("5", state["starts"])


def tap(browser, x, y):
    for kind, points in (("touchStart", [{"x": x, "y": y}]), ("touchEnd", [])):
        browser.call("Input.dispatchTouchEvent", type=kind, touchPoints=points)


def centre_of(browser, selector):
    return browser.evaluate(
        "(() => { const r = document.querySelector(%r).getBoundingClientRect();"
        " return [r.left + r.width / 2, r.top + r.height / 2]; })()" % selector)


class PhoneTest(unittest.TestCase):
    """A phone held upright: 390 x 844 CSS pixels at ratio 3, touch only."""

    @classmethod
    def setUpClass(cls):
        cls.site = cdp.Site(SITE)
        cls.browser = cdp.Browser()
        cls.browser.call("Emulation.setDeviceMetricsOverride", width=390, height=844,
                         deviceScaleFactor=3, mobile=True)
        cls.browser.call("Emulation.setTouchEmulationEnabled", enabled=True, maxTouchPoints=5)
        cls.page = Page(cls.browser, cls.site)

    @classmethod
    def tearDownClass(cls):
        cls.browser.close()
        cls.site.close()

    def board_rect(self):
        return self.browser.evaluate("(() => { const r = document.getElementById('board').getBoundingClientRect();"
                                     " return [r.left, r.top, r.width, r.height]; })()")

    def test_the_board_fits_the_phone_and_taps_reach_their_cells(self):
        self.page.open()
        left, top, width, height = self.board_rect()
        # The whole board on the screen, its proportions kept, drawn at the
        # phone's own pixels with the pictures for ratio 3.
        self.assertLessEqual(left + width, 390)
        self.assertGreater(width, 380)
        self.assertAlmostEqual(height / width, 500 / 657, places=2)
        self.assertEqual(self.browser.evaluate("[document.getElementById('board').width,"
                                               " document.getElementById('board').height]"), [1971, 1500])
        self.assertEqual(self.browser.evaluate("document.documentElement.scrollWidth"), 390)
        scale = width / 657

        def point(x, y, dx=0.0, dy=0.0):
            # Cell (x, y) in the board's own pixels, moved by a fraction of
            # a cell from its middle, then on the phone's screen.
            px = (800 + 315 * (x - 1 + 0.5 + dx) + 315) / TWIPS
            py = (450 + 315 * (y - 1 + 0.5 + dy) + 315) / TWIPS
            return left + px * scale, top + py * scale

        # The menus by touch: 対局 ▸ 1_PLAY ▸ 黒, then the box's OK.
        for selector in ("#TAIKYOKU > .caption", "#PLAY_1 > .caption", "#JYUNBAN_1 > .caption"):
            tap(self.browser, *centre_of(self.browser, selector))
        self.assertEqual(self.page.wait_idle(), "box")
        tap(self.browser, *centre_of(self.browser, "#box-buttons button"))
        self.assertEqual(self.page.wait_idle(), "idle")
        # Taps off the middle of their cells, towards each side, in the
        # corners and the middle of the board.
        cells = [(1, 1, 0.3, 0.3), (19, 19, -0.3, -0.3), (10, 10, 0.3, -0.3), (19, 1, -0.3, 0.3),
                 (1, 19, 0.3, -0.3), (5, 14, -0.3, 0.3), (15, 4, 0.3, 0.3)]
        commands = ["menu JYUNBAN_1"]
        for x, y, dx, dy in cells:
            tap(self.browser, *point(x, y, dx, dy))
            self.assertIn(self.page.wait_idle(), ("idle", "box"))
            self.page.settle([])
            commands.append("press %d %d" % (x, y))
        BrowserTest.assertSameLog(self, commands, self.page.log())
        shots = os.environ.get("QUINTORA_SHOTS")
        if shots:
            os.makedirs(shots, exist_ok=True)
            with open(os.path.join(shots, "phone-390x844.png"), "wb") as f:
                f.write(self.browser.screenshot(0, 0, 390, 844))
            tap(self.browser, *centre_of(self.browser, "#TAIKYOKU > .caption"))
            tap(self.browser, *centre_of(self.browser, "#PLAY_2 > .caption"))
            with open(os.path.join(shots, "phone-menu-open.png"), "wb") as f:
                f.write(self.browser.screenshot(0, 0, 390, 844))

    def test_nothing_needs_hovering(self):
        # No rule of the page shows a menu only under the pointer: every
        # submenu also opens by a press (checked above by touch), and the
        # style sheet's hover rules only colour what a press opens anyway.
        rules = self.browser.evaluate(
            "[...document.styleSheets].flatMap(s => [...s.cssRules]).map(r => r.cssText)"
            ".filter(t => t.includes(':hover') && t.includes('display'))")
        for rule in rules:
            self.assertIn(".open", rule.split("{")[0])


class OfflineTest(unittest.TestCase):
    """The site served from a sub-path, visited once, then played with the
    server gone and the browser offline; a new version replaces the old."""

    def setUp(self):
        self.root = tempfile.mkdtemp(prefix="quintora-host-")
        self.folder = os.path.join(self.root, "games", "quintora")
        shutil.copytree(SITE, self.folder)
        self.site = cdp.Site(self.root)
        self.browser = cdp.Browser()
        self.browser.set_ratio(1)
        self.base = self.site.url + "games/quintora/"
        self.page = Page(self.browser, self.site, base=self.base)

    def tearDown(self):
        self.browser.close()
        self.site.close()
        shutil.rmtree(self.root, ignore_errors=True)

    def visit_until_kept(self):
        self.page.open(query="log&fast", offline_copy=True, page="")
        self.browser.wait_for("QuintoraUI.wavesPending() === 0")
        # The worker has kept every file and controls the page.
        self.browser.wait_for("navigator.serviceWorker.controller &&"
                              " navigator.serviceWorker.controller.state === 'activated'", timeout=60)
        return self.browser.evaluate("caches.keys()", await_promise=True)

    def test_after_one_visit_the_game_plays_with_no_network(self):
        keys = self.visit_until_kept()
        self.assertEqual(len(keys), 1)
        self.assertTrue(keys[0].startswith("quintora:" + self.base), keys)
        kept = self.browser.evaluate("caches.open(%r).then(c => c.keys()).then(k => k.length)" % keys[0],
                                     await_promise=True)
        # Every file but the worker itself, and the folder's own address.
        self.assertEqual(kept, sum(len(f) for _, _, f in os.walk(self.folder)))
        manifest = self.browser.call("Page.getAppManifest")
        self.assertEqual(manifest.get("errors"), [])
        self.assertEqual(self.browser.call("Page.getInstallabilityErrors")["installabilityErrors"], [])
        # No server and no network.
        self.site.close()
        self.browser.call("Network.enable")
        self.browser.call("Network.emulateNetworkConditions", offline=True, latency=0,
                          downloadThroughput=-1, uploadThroughput=-1)
        commands = cut_after_end(["menu JYUNBAN_1"] + ["press %d %d" % c for c in spiral()] + ["answer no"])
        self.page.open(fresh=False, offline_copy=True)
        self.browser.wait_for("QuintoraUI.wavesPending() === 0")
        self.assertEqual(self.browser.evaluate("QuintoraUI.audioState().buffers"), [1, 2, 3, 4, 5])
        self.page.play(commands)
        log = self.page.log()
        BrowserTest.assertSameLog(self, commands, log)
        self.assertTrue(any("の勝ち！！" in l or "引き分け" in l for l in log) or
                        sum(l.startswith("pic ") and "KARA" not in l for l in log) >= 361)
        self.assertEqual(self.browser.errors(), [])

    def test_a_new_version_replaces_the_old_copy(self):
        old = self.visit_until_kept()
        # The site changes on the server: a new style sheet, and the worker
        # made anew by the build's own step.
        with open(os.path.join(self.folder, "quintora.css"), "a") as f:
            f.write("/* the next version */\n")
        here = os.path.dirname(os.path.abspath(__file__))
        subprocess.run([sys.executable, os.path.join(here, "..", "site_files.py"), "worker", self.folder,
                        os.path.join(here, "..", "page", "sw.js"), os.path.join(self.folder, "sw.js")], check=True)
        self.page.open(fresh=False, offline_copy=True, page="")
        deadline = time.monotonic() + 60
        seen = []
        while True:
            keys = self.browser.evaluate("caches.keys()", await_promise=True)
            seen.append(keys)
            if len(keys) == 1 and keys != old:
                break
            self.assertLess(time.monotonic(), deadline, "the new version never replaced the old: %s" % seen[-1])
            self.browser.pump(0.05)
        # The old copy went only once the new one was there: never none.
        self.assertNotIn([], seen)
        self.browser.open(self.base + "?nosw")
        self.browser.wait_for("document.documentElement && document.documentElement.dataset.state === 'running'")
        css = self.browser.evaluate("fetch('quintora.css').then(r => r.text())", await_promise=True)
        self.assertIn("the next version", css)
        self.assertEqual(self.browser.errors(), [])


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    SITE, REFERENCE, DESKTOP_PICTURE = sys.argv[1:4]
    unittest.main(argv=[sys.argv[0]] + sys.argv[4:])
