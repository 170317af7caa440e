#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""A stone from a desktop window to a page's board, through a room of a
mosquitto this program starts on 127.0.0.1 (and stops): the desktop
(tests' room_desk, the real window off-screen) makes the room and holds
every colour; the page in headless Chromium watches. Each stone is timed
from the line that clicks it into the desktop window until the page has run
its step, seen by polling the page every 2 ms; a broker round trip of the
page's own client (a message to itself) is timed beside it.

    page_latency.py SITE_FOLDER ROOM_DESK [STONES]
"""

import os
import statistics
import sys
import time

here = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(here, "..", "web", "tests"))
import browser_test  # noqa: E402
import cdp  # noqa: E402
import room_test  # noqa: E402


def percentile(values, p):
    values = sorted(values)
    return values[min(len(values) - 1, int(round(p / 100 * (len(values) - 1))))]


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    room_test.SITE, room_test.DESK = sys.argv[1], os.path.abspath(sys.argv[2])
    stones = int(sys.argv[3]) if len(sys.argv) > 3 else 60
    t = room_test.MachinesTest()
    t.setUp()
    try:
        desk = t.desk("黒,青,白,赤")
        while desk.state()["role"] != "orderer":
            time.sleep(0.05)
        t.page.open_room(t.join, "")
        t.browser.wait_for("(document.documentElement.dataset.room || '').includes('follower')", timeout=20)
        desk.send("menu PLAY_4")
        t.wait_same(beyond=0)
        cells = [c for c in browser_test.spiral()][:stones]
        times = []
        for n, (x, y) in enumerate(cells):
            before = int(t.page.room_state()["position"])
            start = time.perf_counter()
            desk.send("press %d %d" % (x, y))
            t.browser.wait_for("parseInt(document.documentElement.dataset.room) > %d" % before,
                               timeout=10, interval=0.002)
            times.append((time.perf_counter() - start) * 1000)
            if desk.state()["mode"] == str(room_test.NO_GAME):
                break
        # The broker's round trip as the page's client sees it: one message to
        # itself on a connection of its own, timed in the page.
        rtt = t.browser.evaluate(
            "new Promise(r => { const c = mqtt.connect(%r, {protocolVersion: 4, username: %r});"
            " const out = []; let t0 = 0;"
            " c.on('message', () => { out.push(performance.now() - t0);"
            "   if (out.length === 50) { c.end(true); r(out); } else { t0 = performance.now();"
            "   c.publish('quintora/%s/echo', 'x'); } });"
            " c.on('connect', () => c.subscribe('quintora/%s/echo', () => { t0 = performance.now();"
            "   c.publish('quintora/%s/echo', 'x'); })); })"
            % (t.join.rsplit("/", 1)[0] + "/", t.room, t.room, t.room, t.room), await_promise=True)
        print("stone from the desktop to the page: stones=%d p50=%.2fms p95=%.2fms max=%.2fms" % (
            len(times), statistics.median(times), percentile(times, 95), max(times)))
        print("the page's broker round trip: messages=%d p50=%.2fms p95=%.2fms max=%.2fms" % (
            len(rtt), statistics.median(rtt), percentile(rtt, 95), max(rtt)))
    finally:
        t.tearDown()


if __name__ == "__main__":
    main()
