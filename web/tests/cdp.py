# SPDX-License-Identifier: GPL-3.0-or-later
"""A small client of Chromium's DevTools protocol over --remote-debugging-pipe
(messages are JSON texts ended by a NUL byte on file descriptors 3 and 4), so
the tests need no WebSocket library, and a static server for the site."""

import base64
import contextlib
import functools
import http.server
import json
import os
import select
import shutil
import subprocess
import tempfile
import threading
import time

CHROMIUM_FLAGS = [
    "--headless",
    "--no-sandbox",
    "--disable-gpu",
    "--disable-background-networking",
    "--disable-component-update",
    "--disable-sync",
    "--no-first-run",
    "--no-default-browser-check",
    "--mute-audio",
    "--remote-debugging-pipe",
]


def find_chromium():
    for name in (os.environ.get("CHROMIUM"), "chromium", "chromium-browser"):
        if name and shutil.which(name):
            return shutil.which(name)
    return None


class Site:
    """Serves a folder on a free port of 127.0.0.1 in a thread of its own,
    with a handler of the caller's when given one."""

    def __init__(self, folder, handler=None):
        class Handler(handler or http.server.SimpleHTTPRequestHandler):
            extensions_map = dict(http.server.SimpleHTTPRequestHandler.extensions_map,
                                  **{".wasm": "application/wasm", ".js": "text/javascript",
                                     ".woff": "font/woff", ".webmanifest": "application/manifest+json"})

            def log_message(self, *args):
                pass

        self.server = http.server.ThreadingHTTPServer(
            ("127.0.0.1", 0), functools.partial(Handler, directory=folder))
        self.url = "http://127.0.0.1:%d/" % self.server.server_address[1]
        self.thread = threading.Thread(target=self.server.serve_forever, daemon=True)
        self.thread.start()

    def close(self):
        self.server.shutdown()
        self.server.server_close()


class ProtocolError(Exception):
    pass


class Browser:
    """One headless Chromium with a fresh profile, and one page in it."""

    def __init__(self, chromium=None, timeout=30, preferences=None, flags=()):
        self.profile = tempfile.mkdtemp(prefix="quintora-chromium-")
        if preferences:
            # The profile's settings as a person would have set them.
            os.mkdir(os.path.join(self.profile, "Default"))
            with open(os.path.join(self.profile, "Default", "Preferences"), "w") as f:
                json.dump(preferences, f)
        self.timeout = timeout
        to_child_r, self._to_child = os.pipe()
        self._from_child, from_child_w = os.pipe()

        def child_fds():
            # The pipe's own descriptors may be 3 and 4 already (or each
            # other's place): moved out of the way first, and made to
            # survive the exec, which dup2 onto the same number would not.
            a, b = os.dup(to_child_r), os.dup(from_child_w)
            os.dup2(a, 3)
            os.dup2(b, 4)
            os.set_inheritable(3, True)
            os.set_inheritable(4, True)

        self.proc = subprocess.Popen(
            [chromium or find_chromium()] + CHROMIUM_FLAGS + list(flags) +
            ["--user-data-dir=" + self.profile, "about:blank"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
            # os.pipe() makes descriptors closed on exec: only the two
            # duplicated onto 3 and 4 reach the browser.
            close_fds=False, preexec_fn=child_fds)
        os.close(to_child_r)
        os.close(from_child_w)
        self._buffer = b""
        self._next_id = 0
        self.events = []
        self.session = None
        targets = self.call("Target.getTargets")["targetInfos"]
        page = [t for t in targets if t["type"] == "page"][0]
        self.session = self._attach(page["targetId"])

    def _attach(self, target):
        session = self.call("Target.attachToTarget", targetId=target, flatten=True, session=False)["sessionId"]
        with self.using(session):
            for domain in ("Runtime", "Log", "Page"):
                self.call(domain + ".enable")
        return session

    def new_tab(self):
        """A second page of the same profile: its target, and its session
        for `using`."""
        target = self.call("Target.createTarget", session=False, url="about:blank")["targetId"]
        return target, self._attach(target)

    @contextlib.contextmanager
    def using(self, session):
        """Every call in the block goes to the page of that session."""
        before, self.session = self.session, session
        try:
            yield
        finally:
            self.session = before

    # --- the protocol ---------------------------------------------------------
    def _send(self, message):
        data = json.dumps(message).encode() + b"\0"
        while data:
            n = os.write(self._to_child, data)
            data = data[n:]

    def _receive(self, deadline):
        while b"\0" not in self._buffer:
            left = deadline - time.monotonic()
            if left <= 0:
                raise ProtocolError("no answer from the browser in time")
            ready, _, _ = select.select([self._from_child], [], [], left)
            if ready:
                chunk = os.read(self._from_child, 1 << 20)
                if not chunk:
                    raise ProtocolError("the browser went away")
                self._buffer += chunk
        message, self._buffer = self._buffer.split(b"\0", 1)
        return json.loads(message)

    def call(self, method, session=True, **params):
        self._next_id += 1
        message = {"id": self._next_id, "method": method, "params": params}
        if session and self.session:
            message["sessionId"] = self.session
        self._send(message)
        deadline = time.monotonic() + self.timeout
        while True:
            answer = self._receive(deadline)
            if answer.get("id") == self._next_id:
                if "error" in answer:
                    raise ProtocolError("%s: %s" % (method, answer["error"]))
                return answer.get("result", {})
            if "method" in answer:
                self.events.append(answer)

    def pump(self, seconds=0.0):
        """Takes in the events that arrived, waiting up to `seconds` for one."""
        deadline = time.monotonic() + seconds
        try:
            while True:
                if b"\0" not in self._buffer:
                    ready, _, _ = select.select([self._from_child], [], [], max(0, deadline - time.monotonic()))
                    if not ready:
                        return
                answer = self._receive(time.monotonic() + 5)
                if "method" in answer:
                    self.events.append(answer)
        except ProtocolError:
            return

    # --- the page -------------------------------------------------------------
    def evaluate(self, expression, await_promise=False):
        result = self.call("Runtime.evaluate", expression=expression, returnByValue=True,
                           awaitPromise=await_promise)
        if "exceptionDetails" in result:
            raise ProtocolError("%s: %s" % (expression, result["exceptionDetails"]))
        return result["result"].get("value")

    def wait_for(self, expression, timeout=30, interval=0.02):
        deadline = time.monotonic() + timeout
        while True:
            try:
                value = self.evaluate(expression)
            except ProtocolError:
                value = None  # the page is still being replaced
            if value:
                return value
            if time.monotonic() > deadline:
                raise ProtocolError("waited in vain for " + expression)
            self.pump(interval)

    def wait_for_event(self, method, timeout=30):
        """The parameters of the first event of that kind seen, waiting for one."""
        deadline = time.monotonic() + timeout
        while True:
            for e in self.events:
                if e["method"] == method:
                    self.events.remove(e)
                    return e.get("params", {})
            if time.monotonic() > deadline:
                raise ProtocolError("waited in vain for " + method)
            self.pump(0.05)

    def set_ratio(self, ratio, width=800, height=600):
        self.call("Emulation.setDeviceMetricsOverride", width=width, height=height,
                  deviceScaleFactor=ratio, mobile=False)

    def open(self, url):
        self.events.clear()
        self.call("Page.navigate", url=url)

    def click(self, x, y):
        for kind in ("mousePressed", "mouseReleased"):
            self.call("Input.dispatchMouseEvent", type=kind, x=x, y=y, button="left", clickCount=1)

    def key(self, key, code, key_code):
        for kind in ("rawKeyDown", "keyUp"):
            self.call("Input.dispatchKeyEvent", type=kind, key=key, code=code,
                      windowsVirtualKeyCode=key_code, nativeVirtualKeyCode=key_code)

    def screenshot(self, x, y, width, height):
        """PNG bytes of a rectangle of the page, in CSS pixels, at the page's ratio."""
        data = self.call("Page.captureScreenshot", format="png",
                         clip={"x": x, "y": y, "width": width, "height": height, "scale": 1})["data"]
        return base64.b64decode(data)

    def errors(self):
        """Console errors, uncaught exceptions and failed loads seen so far."""
        self.pump()
        found = []
        for e in self.events:
            m, p = e["method"], e.get("params", {})
            if m == "Runtime.exceptionThrown":
                found.append("exception: " + json.dumps(p["exceptionDetails"])[:500])
            elif m == "Runtime.consoleAPICalled" and p.get("type") in ("error", "assert"):
                found.append("console.error: " + json.dumps(p.get("args"))[:500])
            elif m == "Log.entryAdded" and p["entry"].get("level") == "error":
                found.append("log: " + p["entry"].get("text", "") + " " + p["entry"].get("url", ""))
        return found

    def close(self):
        try:
            self.call("Browser.close", session=False)
        except Exception:
            pass
        try:
            self.proc.wait(timeout=10)
        except subprocess.TimeoutExpired:
            self.proc.kill()
            self.proc.wait()
        os.close(self._to_child)
        os.close(self._from_child)
        shutil.rmtree(self.profile, ignore_errors=True)
