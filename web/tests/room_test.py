#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""One game spread over three machines: two desktop windows (room_desk, the
real window off-screen) and the page in headless Chromium, through a
mosquitto this test starts on 127.0.0.1 (MQTT for the desktops, WebSocket
for the page) and stops.

    room_test.py SITE_FOLDER ROOM_DESK [unittest arguments]
"""

import os
import re
import secrets
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browser_test  # noqa: E402
import cdp  # noqa: E402

SITE = None
DESK = None
SETUPS = ["JYUNBAN_1", "JYUNBAN_2", "JYUNBAN_3", "JYUNBAN_4", "PLAY_TOIMEN", "PLAY_TONARI", "PLAY_4"]
NO_GAME = 9
# What only the machine that shows a box has: the boxes and the waits of
# the question's answer; every machine paints and sounds the same.
BOX_LINE = re.compile(r"^(box|about|ask|warning) ")


def free_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


# The room lock make serve puts on its broker: a client reaches only the
# room it names as its user name.
ROOM_LOCK = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "net", "broker", "rooms.acl")


class Broker:
    """A mosquitto of the test's own, locked as make serve locks its own:
    MQTT on 127.0.0.1, WebSocket on the loopback interface (mosquitto binds
    a WebSocket listener to an interface, not to an address)."""

    def __init__(self, lock=True):
        self.dir = tempfile.mkdtemp(prefix="quintora-broker-")
        self.port, self.ws_port = free_port(), free_port()
        with open(os.path.join(self.dir, "mosquitto.conf"), "w") as f:
            f.write("per_listener_settings false\nallow_anonymous true\npersistence false\n"
                    "max_packet_size 1100000\nset_tcp_nodelay true\n"
                    + ("acl_file %s\n" % ROOM_LOCK if lock else "") +
                    "listener %d 127.0.0.1\nprotocol mqtt\nlistener %d lo\nprotocol websockets\n"
                    "log_dest stdout\nlog_type error\nlog_type warning\n" % (self.port, self.ws_port))
            if os.getuid() == 0:
                f.write("user root\n")
        self.process = None

    def start(self):
        mosquitto = shutil.which("mosquitto") or "/usr/sbin/mosquitto"
        self.process = subprocess.Popen([mosquitto, "-c", os.path.join(self.dir, "mosquitto.conf")],
                                        stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        deadline = time.monotonic() + 10
        for port in (self.port, self.ws_port):
            while True:
                try:
                    socket.create_connection(("127.0.0.1", port), timeout=1).close()
                    break
                except OSError:
                    if time.monotonic() > deadline:
                        raise AssertionError("the broker did not start")
                    time.sleep(0.05)

    def kill(self):
        if self.process:
            self.process.kill()
            self.process.wait()
            self.process = None

    def close(self):
        self.kill()
        shutil.rmtree(self.dir, ignore_errors=True)


class Desk:
    """One room_desk: the desktop window in the room, driven by lines."""

    def __init__(self, address, seats, settings=None):
        self.dir = tempfile.mkdtemp(prefix="quintora-desk-")
        if settings is not None:
            with open(os.path.join(self.dir, "Quintora.ini"), "wb") as f:
                f.write(settings)
        env = dict(os.environ, QT_QPA_PLATFORM="offscreen", SDL_AUDIODRIVER="dummy", LANGUAGE="ja", LANG="C.UTF-8")
        self.errors = open(os.path.join(self.dir, "errors.log"), "w")
        self.process = subprocess.Popen([DESK, address, seats], stdin=subprocess.PIPE, stdout=subprocess.PIPE,
                                        stderr=self.errors, cwd=self.dir, env=env, text=True, bufsize=1)

    def send(self, line):
        self.process.stdin.write(line + "\n")
        self.process.stdin.flush()

    def state(self):
        self.send("state")
        line = self.process.stdout.readline()
        if not line.startswith("state "):
            raise AssertionError("room_desk said %r; its errors: %s" % (line, self.log_text()))
        return dict(kv.split("=", 1) for kv in line.split()[1:])

    def dump(self):
        path = os.path.join(self.dir, "dump.txt")
        self.send("dump " + path)
        self.assert_said("dumped")
        with open(path, encoding="utf-8") as f:
            lines = f.read().splitlines()
        return [l[8:] for l in lines if l.startswith("journal ")], [l for l in lines if not l.startswith("journal ")]

    def assert_said(self, word):
        line = self.process.stdout.readline().strip()
        if line != word:
            raise AssertionError("room_desk said %r" % line)

    def log_text(self):
        self.errors.flush()
        with open(os.path.join(self.dir, "errors.log"), encoding="utf-8", errors="replace") as f:
            return f.read()

    def close(self, how="quit"):
        if self.process.poll() is None:
            try:
                self.send(how)
                self.process.wait(timeout=10)
            except (OSError, subprocess.TimeoutExpired):
                self.process.kill()
                self.process.wait()
        self.process.stdin.close()
        self.process.stdout.close()
        self.errors.close()


class RoomPage(browser_test.Page):
    def open_room(self, join, seats, fresh=True):
        if fresh:
            self.b.call("Storage.clearDataForOrigin", origin=self.site.url.rstrip("/"), storageTypes="all")
        self.b.open(self.base + "index.html?log&fast&nosw&lang=ja#join=%s&seats=%s" % (join, seats))
        self.b.wait_for("document.documentElement && document.documentElement.dataset.state === 'running'")
        r = self.b.evaluate("(() => { const r = document.getElementById('board').getBoundingClientRect();"
                            " return [r.left, r.top]; })()")
        self.left, self.top = r

    def room_state(self):
        text = self.b.evaluate("document.documentElement.dataset.room || ''")
        parts = text.split()
        if len(parts) < 3:
            return {"position": "-1", "signature": "", "role": "waiting", "diverged": "0"}
        return {"position": parts[0], "signature": parts[1], "role": parts[2],
                "diverged": "1" if "diverged" in parts else "0"}

    def answer_any_box(self):
        if self.b.evaluate("QuintoraUI.boxShown()"):
            self.settle_one("yes" if self.box_kind() == "ask" else "ok")

    def note(self):
        return self.b.evaluate("document.getElementById('room-note').textContent")


class MachinesTest(unittest.TestCase):
    def setUp(self):
        self.broker = Broker()
        self.broker.start()
        self.room = secrets.token_hex(16)
        self.address = "mqtt://127.0.0.1:%d/%s" % (self.broker.port, self.room)
        self.join = "ws://127.0.0.1:%d/%s" % (self.broker.ws_port, self.room)
        self.open_machines()

    def open_machines(self):
        # Served as make serve serves it, under the strict policy.
        self.site = cdp.Site(SITE, handler=browser_test.serve.Handler)
        self.browser = cdp.Browser(flags=getattr(self, "browser_flags", ()))
        # Room for the whole board, drawn at its own size, and the form below it.
        self.browser.set_ratio(1, width=900, height=800)
        self.page = RoomPage(self.browser, self.site)
        self.desks = []

    def close_machines(self):
        for d in self.desks:
            d.close()
        self.browser.close()
        self.site.close()

    def tearDown(self):
        self.close_machines()
        self.broker.close()

    def desk(self, seats, settings=None):
        d = Desk(self.address, seats, settings)
        self.desks.append(d)
        return d

    def machines(self):
        return [("desk%d" % i, d.state) for i, d in enumerate(self.desks) if d.process.poll() is None] + \
            [("page", self.page.room_state)]

    def wait_same(self, beyond=-1, timeout=30, machines=None):
        """Until every machine has run the same steps, past `beyond`, to the
        same signature, the page's boxes answered on the way; that state."""
        deadline = time.monotonic() + timeout
        while True:
            self.page.answer_any_box()
            states = {name: get() for name, get in (machines or self.machines())}
            for name, s in states.items():
                self.assertEqual(s["diverged"], "0", "%s: %s" % (name, states))
            positions = {s["position"] for s in states.values()}
            signatures = {s["signature"] for s in states.values()}
            if len(positions) == 1 and len(signatures) == 1 and int(positions.pop()) > beyond:
                return states
            self.assertLess(time.monotonic(), deadline, "the machines never agreed: %s" % states)
            self.browser.pump(0.05)

    def start_three(self):
        """Desk 0 holds black and makes the room; desk 1 blue; the page white and red."""
        a = self.desk("黒")
        deadline = time.monotonic() + 20
        while a.state()["role"] != "orderer":
            self.assertLess(time.monotonic(), deadline, a.log_text())
            time.sleep(0.1)
        b = self.desk("青")
        self.page.open_room(self.join, "白,赤")
        deadline = time.monotonic() + 20
        while not (b.state()["seats"] == "青" and self.page.room_state()["role"] == "follower"):
            self.assertLess(time.monotonic(), deadline, "%s %s" % (b.state(), self.page.room_state()))
            self.browser.pump(0.05)
        return a, b

    def play_one_game(self):
        """Desk 0 black, desk 1 blue, the page white and red: a four-colour
        game of 8 stones, after which every machine's journal, painting and
        sound are the same."""
        self.start_three()
        before = int(self.wait_same()["page"]["position"])
        self.menu("page", "PLAY_4")
        self.wait_same(beyond=before)
        self.assertGreater(self.play_moves(8, [0, 1, "page", "page"]), before + 8)
        logs = self.logs()
        for name, (journal, painting) in logs.items():
            self.assertEqual(journal, logs["desk0"][0], name)
            self.assertEqual(painting, logs["desk0"][1], name)
        self.assertEqual(self.browser.errors(), [])

    def press(self, holder, x, y):
        if holder == "page":
            self.browser.click(*self.page.cell_point(x, y))
        else:
            self.desks[holder].send("press %d %d" % (x, y))

    def menu(self, machine, name):
        if machine == "page":
            self.page.menu(name)
        else:
            self.desks[machine].send("menu " + name)

    def play_moves(self, count, holders):
        """Plays up to `count` stones, each from the machine holding the
        colour to move, near the middle; stops when no game is on."""
        last = int(self.wait_same()["page"]["position"])
        for _ in range(count):
            s = self.desks[0].state()
            if int(s["mode"]) == NO_GAME or int(s["turn"]) < 0:
                return last
            cells = s["cells"]
            free = [(x, y) for (x, y) in browser_test.spiral() if cells[(y - 1) * 19 + (x - 1)] == "0"]
            self.press(holders[int(s["turn"])], *free[0])
            last = int(self.wait_same(beyond=last)["page"]["position"])
            # The stone is where it was played (unless the game ended and began anew).
            x, y = free[0]
            after = self.desks[0].state()["cells"]
            if after.count("0") != 361:
                self.assertEqual(after[(y - 1) * 19 + (x - 1)], str(int(s["turn"]) + 1))
        return last

    def logs(self):
        """Each machine's journal, and its painting and sound."""
        out = {}
        for i, d in enumerate(self.desks):
            journal, lines = d.dump()
            out["desk%d" % i] = (journal, [l for l in browser_test.normalised(lines) if not BOX_LINE.match(l)])
        journal = self.browser.evaluate("QuintoraUI.roomJournal").splitlines()
        lines = browser_test.normalised(self.page.log())
        out["page"] = (journal, [l for l in lines if not BOX_LINE.match(l)])
        return out

    def test_whole_games_in_the_seven_setups_are_one_game_on_every_machine(self):
        self.start_three()
        holders = [0, 1, "page", "page"]
        givers = [0, 1, "page"]
        for n, setup in enumerate(SETUPS):
            before = int(self.wait_same()["page"]["position"])
            self.menu(givers[n % 3], setup)
            self.wait_same(beyond=before)
            self.play_moves(12, holders)
        logs = self.logs()
        journal, painting = logs["desk0"]
        self.assertGreater(len(journal), 7 * 5)
        for name, (j, p) in logs.items():
            self.assertEqual(j, journal, name)
            self.assertEqual(len(p), len(painting), name)
            self.assertEqual(p, painting, name)
        self.assertEqual(self.browser.errors(), [])

    def test_the_form_makes_a_room_whose_link_brings_a_desktop_in(self):
        page = self.page
        self.browser.open(self.site.url + "index.html?log&fast&nosw&lang=ja")
        self.browser.wait_for("document.documentElement && document.documentElement.dataset.state === 'running'")
        # A game of one machine never loads the network client.
        self.assertEqual(self.browser.evaluate("typeof mqtt"), "undefined")
        self.assertFalse(self.browser.evaluate(
            "performance.getEntriesByType('resource').some(e => e.name.endsWith('mqtt.min.js'))"))

        def click(selector):
            r = self.browser.evaluate("(() => { const r = document.querySelector(%r).getBoundingClientRect();"
                                      " return [r.left + r.width / 2, r.top + r.height / 2]; })()" % selector)
            self.browser.click(*r)
        click("#together summary")
        self.browser.evaluate("document.getElementById('room-broker').value = %r"
                              % ("ws://127.0.0.1:%d/" % self.broker.ws_port))
        click("#room-make")
        link = self.browser.evaluate("document.getElementById('room-link').value")
        m = re.match(r"^%sindex\.html#join=ws://127\.0\.0\.1:%d/([0-9a-f]{32})$"
                     % (re.escape(self.site.url), self.broker.ws_port), link)
        self.assertTrue(m, link)
        room = m.group(1)
        click("#seat0")
        click("#seat2")
        click("#room-join")
        self.browser.wait_for("location.hash.includes('seats=')")
        self.browser.wait_for("document.documentElement && document.documentElement.dataset.state === 'running'")
        self.browser.wait_for("(document.documentElement.dataset.room || '').includes('orderer')", timeout=20)
        self.assertEqual(self.browser.evaluate("typeof mqtt"), "object")
        self.assertIn("この機械が部屋を作り", page.note())
        # The desktop that follows the link's room gets the colours left.
        self.address = "mqtt://127.0.0.1:%d/%s" % (self.broker.port, room)
        d = self.desk("黒,青")
        deadline = time.monotonic() + 20
        while d.state()["seats"] != "青":
            self.assertLess(time.monotonic(), deadline, d.state())
            time.sleep(0.1)
        self.assertEqual(d.state()["role"], "follower")
        self.assertEqual(self.browser.errors(), [])

    def test_a_press_for_another_machines_colour_is_refused_there_and_nothing_changes(self):
        a, b = self.start_three()
        before = int(self.wait_same()["page"]["position"])
        self.menu(0, "PLAY_4")
        before = int(self.wait_same(beyond=before)["page"]["position"])
        # Black to move: the page and desk 1 press, desk 0 holds black.
        self.press("page", 10, 10)
        self.press(1, 10, 11)
        time.sleep(0.5)
        self.page.wait_idle()
        after = self.wait_same()
        self.assertEqual(int(after["page"]["position"]), before)
        self.assertEqual(self.desks[0].state()["cells"].count("0"), 361)
        self.press(0, 10, 10)
        self.wait_same(beyond=before)
        self.assertEqual(self.desks[1].state()["cells"][9 * 19 + 9], "1")

    def test_join_late_reload_the_orderer_gone_and_the_broker_restarted(self):
        a, b = self.start_three()
        holders = [0, 1, "page", "page"]
        before = int(self.wait_same()["page"]["position"])
        self.menu("page", "PLAY_4")
        self.wait_same(beyond=before)
        position = self.play_moves(6, holders)
        # A machine that comes late catches up, quietly, to the same game.
        late = self.desk("")
        self.wait_same(timeout=30)
        self.assertEqual(late.state()["role"], "follower")
        # The page reloads mid-game: it replays the journal to the same place
        # and takes its colours back.
        self.page.open_room(self.join, "白,赤", fresh=False)
        self.wait_same(timeout=30)
        position = self.play_moves(4, holders)
        # The ordering machine vanishes: blue's machine orders now, and the
        # game goes on with nothing lost.
        a.close("vanish")
        machines = [("desk1", b.state), ("desk2", late.state), ("page", self.page.room_state)]
        deadline = time.monotonic() + 30
        while b.state()["role"] != "orderer":
            self.assertLess(time.monotonic(), deadline, b.log_text())
            time.sleep(0.1)
        self.wait_same(machines=machines)
        s = b.state()
        turn = int(s["turn"])
        # Black's machine is gone: anyone may play black now.
        holder = {0: 1, 1: 1, 2: "page", 3: "page"}[turn]
        free = [(x, y) for (x, y) in browser_test.spiral() if s["cells"][(y - 1) * 19 + (x - 1)] == "0"]
        self.press(holder, *free[0])
        position = int(self.wait_same(beyond=position, machines=machines)["page"]["position"])
        # The broker dies and comes back: every machine reconnects and play
        # resumes where it was.
        self.broker.kill()
        time.sleep(1)
        self.broker.start()
        deadline = time.monotonic() + 40
        while not all(d.state()["connected"] == "1" for d in (b, late)):
            self.assertLess(time.monotonic(), deadline)
            time.sleep(0.2)
        s = b.state()
        holder = {0: 1, 1: 1, 2: "page", 3: "page"}[int(s["turn"])]
        free = [(x, y) for (x, y) in browser_test.spiral() if s["cells"][(y - 1) * 19 + (x - 1)] == "0"]
        deadline = time.monotonic() + 40
        while True:
            self.press(holder, *free[0])
            try:
                self.wait_same(beyond=position, machines=machines, timeout=4)
                break
            except AssertionError:
                # Refused while the page was still reconnecting: said, and tried again.
                self.assertLess(time.monotonic(), deadline)
        # The browser's own word on the refused reconnections, nothing else.
        self.assertEqual([e for e in self.browser.errors() if "ERR_CONNECTION_REFUSED" not in e], [])
        self.assertNotIn("切れました", self.page.note())


class SpyTest(MachinesTest):
    """An open broker, without the room lock, and a stranger subscribed to
    everything for a whole four-colour game of two desktops and the page:
    it learns no room name, no machine's name, no move."""

    def setUp(self):
        import paho.mqtt.client as mqtt
        self.broker = Broker(lock=False)
        self.broker.start()
        self.room = secrets.token_hex(16)
        self.address = "mqtt://127.0.0.1:%d/%s" % (self.broker.port, self.room)
        self.join = "ws://127.0.0.1:%d/%s" % (self.broker.ws_port, self.room)
        self.heard = []
        self.spy = mqtt.Client(client_id="spy", protocol=mqtt.MQTTv311)
        self.spy.on_message = lambda c, u, m: self.heard.append((m.topic, bytes(m.payload)))
        self.spy.connect("127.0.0.1", self.broker.port)
        self.spy.subscribe("#", qos=1)
        self.spy.loop_start()
        self.open_machines()

    def tearDown(self):
        self.spy.loop_stop()
        self.spy.disconnect()
        super().tearDown()

    def test_a_spy_on_an_open_broker_learns_nothing_of_a_whole_game(self):
        self.play_one_game()
        self.assertGreater(len(self.heard), 30)
        words = [self.room, "press", "join", "seats", "step ", "journal", "PLAY_4", "黒"]
        for topic, payload in self.heard:
            # The topics name the room's id and the kind of message, no more.
            self.assertNotIn(self.room, topic)
            for word in words:
                self.assertNotIn(word.encode(), payload, topic)
            # Every payload is sealed text, base64 and nothing else: no
            # machine's name either.
            self.assertRegex(payload.decode("ascii"), r"^[A-Za-z0-9+/]+=*$")


class ClusterPageTest(MachinesTest):
    """The page through a node of a RabbitMQ cluster (its Web MQTT, behind
    the cluster's room lock) and the desktops through another: one game."""

    def setUp(self):
        self.cluster = tempfile.mkdtemp(prefix="quintora-cluster-")
        self.script = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts",
                                   "broker-cluster")
        self.env = dict(os.environ, QUINTORA_CLUSTER_DIR=self.cluster, QUINTORA_CLUSTER_LIFETIME="400")
        subprocess.run([self.script, "start"], env=self.env, check=True, timeout=240,
                       stdout=subprocess.DEVNULL)
        with open(os.path.join(self.cluster, "nodes")) as f:
            nodes = [line.split() for line in f]
        self.room = secrets.token_hex(16)
        self.address = "mqtt://127.0.0.1:%s/%s" % (nodes[0][2], self.room)
        self.join = "ws://127.0.0.1:%s/ws/%s" % (nodes[1][3], self.room)
        self.open_machines()

    def tearDown(self):
        self.close_machines()
        subprocess.run([self.script, "stop"], env=self.env, timeout=120, stdout=subprocess.DEVNULL)
        shutil.rmtree(self.cluster, ignore_errors=True)

    def test_a_page_on_one_node_and_desktops_on_another_play_one_game(self):
        self.play_one_game()


SERVE = os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "scripts", "serve")


def make_certificates(folder):
    """A certificate authority and a server certificate for 127.0.0.1 and
    localhost, as a player would make them with openssl; the server key's
    SHA-256 pin, as Chromium takes it."""
    script = (
        "printf 'subjectAltName=IP:127.0.0.1,DNS:localhost\\n' > san.cnf && "
        "openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=quintora-test-ca -keyout ca.key -out ca.pem && "
        "openssl req -newkey rsa:2048 -nodes -subj /CN=localhost -keyout server.key -out server.csr && "
        "openssl x509 -req -in server.csr -CA ca.pem -CAkey ca.key -CAcreateserial -days 2 -extfile san.cnf "
        "-out server.pem && "
        "openssl x509 -in server.pem -pubkey -noout | openssl pkey -pubin -outform der | "
        "openssl dgst -sha256 -binary | base64 > pin")
    subprocess.run(["sh", "-c", script], cwd=folder, check=True, stdout=subprocess.DEVNULL,
                   stderr=subprocess.DEVNULL)
    with open(os.path.join(folder, "pin")) as f:
        return f.read().strip()


class ServedOverTlsTest(MachinesTest):
    """make serve LAN=1 with a certificate of the test's own (its TLS
    listeners kept on loopback): a desktop over MQTT over TLS, checked
    against the test's authority, and the page over WebSocket over TLS,
    its browser trusting the server's key alone. One game."""

    def setUp(self):
        self.tls = tempfile.mkdtemp(prefix="quintora-tls-")
        self.browser_flags = ["--ignore-certificate-errors-spki-list=" + make_certificates(self.tls)]
        web, mqtt, ws, mqtts = free_port(), free_port(), free_port(), free_port()
        env = dict(os.environ, QUINTORA_TLS_CERT=os.path.join(self.tls, "server.pem"),
                   QUINTORA_TLS_KEY=os.path.join(self.tls, "server.key"), QUINTORA_MQTTS_PORT=str(mqtts),
                   QUINTORA_SERVE_ADDRESS="127.0.0.1", QUINTORA_SERVE_DIR=os.path.join(self.tls, "serve"))
        self.serve = subprocess.Popen([SERVE, SITE, str(web), str(mqtt), str(ws), "1"], env=env,
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, start_new_session=True)
        deadline = time.monotonic() + 10
        for port in (mqtts, ws):
            while True:
                try:
                    socket.create_connection(("127.0.0.1", port), timeout=1).close()
                    break
                except OSError:
                    self.assertLess(time.monotonic(), deadline, "make serve's broker did not start")
                    time.sleep(0.05)
        self.mqtts = mqtts
        self.room = secrets.token_hex(16)
        self.address = "mqtts://127.0.0.1:%d/%s?ca=%s" % (mqtts, self.room, os.path.join(self.tls, "ca.pem"))
        self.join = "wss://127.0.0.1:%d/%s" % (ws, self.room)
        self.open_machines()

    def tearDown(self):
        self.close_machines()
        os.killpg(self.serve.pid, signal.SIGTERM)
        self.serve.wait(timeout=10)
        shutil.rmtree(self.tls, ignore_errors=True)

    def test_a_desktop_over_mqtt_over_tls_and_the_page_over_websocket_over_tls_play_one_game(self):
        self.play_one_game()
        # Plain MQTT to the TLS port gets no answer but a closed connection.
        s = socket.create_connection(("127.0.0.1", self.mqtts), timeout=5)
        s.sendall(bytes([0x10, 12, 0, 4]) + b"MQTT" + bytes([4, 2, 0, 10, 0, 0]))
        try:
            answer = s.recv(4)
        except OSError:
            answer = b""
        s.close()
        self.assertNotEqual(answer[:1], bytes([0x20]))


if __name__ == "__main__":
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    SITE, DESK = sys.argv[1], os.path.abspath(sys.argv[2])
    unittest.main(argv=[sys.argv[0]] + sys.argv[3:])
