#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Figures of the browser build, for the notes (not a test):

  measure.py SITE_FOLDER [runs=11] [turn_rounds=5]

- the size of every file of the site;
- the time from navigation to the first painted board in headless Chromium,
  against a bare page that paints a canvas of the same size, in interleaved
  runs (median of each and of the run-by-run differences);
- the renderer main thread's busy time (DevTools' TaskDuration) per computer
  turn, on the position and commands of quintora_web_turn_reference (bench/),
  with the real pauses.
"""
import os
import statistics
import sys

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import cdp  # noqa: E402
from browser_test import Page  # noqa: E402


def sizes(site):
    total = 0
    groups = {}
    for root, _, files in os.walk(site):
        for f in sorted(files):
            path = os.path.join(root, f)
            n = os.path.getsize(path)
            total += n
            rel = os.path.relpath(path, site)
            if rel.startswith("pictures/"):
                key = "pictures/*@3x.png" if "@3x" in f else "pictures/*@2x.png" if "@2x" in f else "pictures/*.png (1x)"
                c, s = groups.get(key, (0, 0))
                groups[key] = (c + 1, s + n)
            else:
                print("  %-32s %9d" % (rel, n))
    for key, (c, s) in sorted(groups.items()):
        print("  %-32s %9d  (%d files)" % (key, s, c))
    print("  %-32s %9d" % ("total", total))


def settle_expression():
    return ("new Promise(r => { const t = setInterval(() => {"
            " if (QuintoraUI.boxShown() || (QuintoraUI.idle && QuintoraUI.queued() === 0)) {"
            " clearInterval(t); r(true); } }, 50); })")


def main():
    site_dir = sys.argv[1]
    runs = int(sys.argv[2]) if len(sys.argv) > 2 else 11
    rounds = int(sys.argv[3]) if len(sys.argv) > 3 else 5
    print("site files (bytes):")
    sizes(site_dir)
    site = cdp.Site(site_dir)
    bare = cdp.Site(os.path.dirname(os.path.abspath(__file__)))
    browser = cdp.Browser()
    try:
        browser.set_ratio(1)
        game_ms, bare_ms = [], []
        for i in range(runs):
            for which in ((0, 1) if i % 2 == 0 else (1, 0)):
                if which == 0:
                    browser.open(site.url + "index.html")
                    game_ms.append(browser.wait_for(
                        "window.QuintoraUI && QuintoraUI.paintedAt", timeout=60))
                else:
                    browser.open(bare.url + "bare.html")
                    bare_ms.append(browser.wait_for("window.paintedAt", timeout=60))
        print("first painted board, ms after navigation start (%d interleaved runs each):" % runs)
        print("  game: median %.1f (min %.1f, max %.1f)" % (statistics.median(game_ms), min(game_ms), max(game_ms)))
        print("  bare canvas: median %.1f (min %.1f, max %.1f)" % (statistics.median(bare_ms), min(bare_ms), max(bare_ms)))
        print("  difference run by run: median %.1f" % statistics.median(g - b for g, b in zip(game_ms, bare_ms)))

        page = Page(browser, site)
        page.open(query="")
        browser.call("Performance.enable", timeDomain="threadTicks")
        page.play(["menu PLAY_4"])
        laid = 0
        for y in (1, 19, 3, 17, 5, 15):
            for x in range(1, 20):
                if laid < 100:
                    page.play(["press %d %d" % (x, y)])
                    laid += 1

        def busy():
            metrics = browser.call("Performance.getMetrics")["metrics"]
            return {m["name"]: m["value"] for m in metrics}["TaskDuration"]

        per_turn = []
        cells = [(10, 10), (10, 11), (11, 9), (9, 11), (12, 12), (8, 8), (13, 10), (7, 12)]
        for r in range(rounds):
            before = busy()
            if r == 0:
                page.menu("JYUNBAN_4")
            else:
                browser.click(*page.cell_point(*cells[r - 1]))
            browser.evaluate(settle_expression(), await_promise=True)
            per_turn.append((busy() - before) * 1e3 / 3)
            if browser.evaluate("QuintoraUI.boxShown()"):
                page.answer_box("ok")
                page.wait_idle()
        print("renderer main thread busy per computer turn (ms):", " ".join("%.2f" % v for v in per_turn))
        print("  median %.2f" % statistics.median(per_turn))
    finally:
        browser.close()
        site.close()
        bare.close()


if __name__ == "__main__":
    main()
