#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""The browser build's budgets, in headless Chromium (not a test):

  bench/web_budgets.py SITE [--before OLD_SITE] [--runs 11] [--turns 6]
                       [--turn-rounds 3] [--desktop build/bench/bin/quintora_web_turn_reference]

- first painted board: navigation start to the frame after the one that
  follows the game's start-up (the page's `paintedAt`), against a bare page
  that fills a canvas of the same size (web/tests/bare.html), in one run
  whose order turns from round to round (game, bare[, before]); medians and
  the median of the round-by-round ratios. Budget: 1.5 x the bare page.
- the bytes the first paint needed: every file the page had asked for by
  then (Resource Timing), each counted as a static host sends it compressed
  (gzip -9; pictures and the face only when that is smaller), at ratios 1
  and 3. Budget: 400 KB.
- a computer turn: the renderer main thread's busy time (DevTools'
  TaskDuration) per computer turn on the position and commands of
  quintora_web_turn_reference, with the real pauses, the page hooked so
  that nothing polls it; against that program's main thread's processor
  time per turn (the desktop), when given: off-screen, and shown on the X
  display when DISPLAY is set (each repaint handed to the screen, as the
  browser's frames are), in turn with the browser, `--turn-rounds` times.
  Budget: 2 x the desktop.
"""
import argparse
import gzip
import os
import statistics
import subprocess
import sys
import urllib.parse

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "web", "tests"))
import cdp  # noqa: E402
from browser_test import Page  # noqa: E402

BARE = os.path.join(HERE, "..", "web", "tests")

# Tells the bench when the game next waits for input or shows a box,
# without a timer polling the page and without a script of the bench's
# running in the measured stretch: the page calls the binding
# `quintoraIdle`, which arrives as an event (Runtime.addBinding).
IDLE_HOOK = """(() => {
  const next = QuintoraUI.nextInput, box = QuintoraUI.box;
  window.__idle = null;
  function idle() { if (window.__idle) { window.__idle = null; quintoraIdle(""); } }
  QuintoraUI.nextInput = function () { const p = next.apply(this, arguments); if (QuintoraUI.idle) idle(); return p; };
  QuintoraUI.box = function () { const p = box.apply(this, arguments); idle(); return p; };
})()"""


def compressed(path):
    with open(path, "rb") as f:
        data = f.read()
    packed = len(gzip.compress(data, 9))
    return len(data), min(len(data), packed) if path.endswith((".png", ".woff", ".woff2")) else packed


def first_paint_bytes(browser, site, folder, base):
    """The files asked for before the first paint, raw and compressed."""
    painted = browser.evaluate("QuintoraUI.paintedAt")
    urls = browser.evaluate(
        "[location.href].concat(performance.getEntriesByType('resource')"
        ".filter(e => e.startTime <= %f).map(e => e.name))" % painted)
    raw = packed = 0
    files = []
    for url in urls:
        path = urllib.parse.unquote(urllib.parse.urlsplit(url).path)
        rel = path[len(urllib.parse.urlsplit(base).path):] or "index.html"
        full = os.path.join(folder, rel)
        if os.path.isdir(full):
            full = os.path.join(full, "index.html")
        if os.path.isfile(full):
            r, p = compressed(full)
            raw += r
            packed += p
            files.append(rel)
    return raw, packed, files


def first_paints(browser, sites, runs):
    times = {name: [] for name, _ in sites}
    for i in range(runs):
        order = sites[i % len(sites):] + sites[:i % len(sites)]
        for name, site in order:
            if name == "bare":
                browser.open(site.url + "bare.html")
                times[name].append(browser.wait_for("window.paintedAt", timeout=60))
            else:
                browser.call("Storage.clearDataForOrigin", origin=site.url.rstrip("/"), storageTypes="all")
                browser.open(site.url + "index.html?nosw")
                times[name].append(browser.wait_for("window.QuintoraUI && QuintoraUI.paintedAt", timeout=60))
    return times


def browser_cpu_seconds(browser):
    """Processor time so far of every thread of every process of the
    browser (the page's renderer, the browser, its display compositor and
    helpers), from /proc/*/task/*/schedstat."""
    children = {}
    for entry in os.listdir("/proc"):
        if entry.isdigit():
            try:
                with open("/proc/%s/stat" % entry) as f:
                    parent = int(f.read().rsplit(")", 1)[1].split()[1])
            except (OSError, IndexError, ValueError):
                continue
            children.setdefault(parent, []).append(int(entry))
    total, todo = 0, [browser.proc.pid]
    while todo:
        pid = todo.pop()
        todo += children.get(pid, [])
        try:
            tasks = os.listdir("/proc/%d/task" % pid)
        except OSError:
            continue
        for tid in tasks:
            try:
                with open("/proc/%d/task/%s/schedstat" % (pid, tid)) as f:
                    total += int(f.read().split()[0])
            except (OSError, IndexError, ValueError):
                pass
    return total / 1e9


def turns(browser, site, count):
    """Per command, per computer turn: the renderer main thread's busy time,
    its script time, and the whole browser's processor time (ms)."""
    page = Page(browser, site)
    page.open(query="")
    # The music off: the desktop's figure is taken without sound (effects
    # are still played here).
    page.play(["menu PLAY_4", "menu BGM"])
    laid = 0
    for y in (1, 19, 3, 17, 5, 15):
        for x in range(1, 20):
            if laid < 100:
                page.play(["press %d %d" % (x, y)])
                laid += 1
    browser.call("Runtime.addBinding", name="quintoraIdle")
    browser.evaluate(IDLE_HOOK)
    browser.call("Performance.enable", timeDomain="threadTicks")

    def busy():
        return {m["name"]: m["value"] for m in browser.call("Performance.getMetrics")["metrics"]}

    cells = [(10, 10), (10, 11), (11, 9), (9, 11), (12, 12), (8, 8), (13, 10), (7, 12)]
    rows = []
    for r in range(count):
        browser.evaluate("window.__idle = true; 0")
        browser.events.clear()
        before = busy()
        whole = browser_cpu_seconds(browser)
        if r == 0:
            page.menu("JYUNBAN_4")
        else:
            browser.click(*page.cell_point(*cells[r - 1]))
        browser.wait_for_event("Runtime.bindingCalled", timeout=60)
        after = busy()
        whole = browser_cpu_seconds(browser) - whole
        rows.append(tuple((after[k] - before[k]) * 1e3 / 3 for k in ("TaskDuration", "ScriptDuration")) +
                    (whole * 1e3 / 3,))
        if browser.evaluate("QuintoraUI.boxShown()"):
            page.answer_box("ok")
            page.wait_idle()
    browser.call("Performance.disable")
    return rows


def desktop_turns(program, count, platform):
    """The desktop's processor time per computer turn, process and main
    thread, one row a command: off-screen, or shown on the X display."""
    env = dict(os.environ, QT_QPA_PLATFORM=platform)
    if platform == "offscreen":
        env.pop("DISPLAY", None)
    out = subprocess.run([program, str(count)], capture_output=True, check=True, text=True, env=env).stdout
    return [tuple(float(v) for v in line.split()) for line in out.split("\n")
            if line.strip() and not line.startswith("median")]


def steady(rows, column):
    """The median over the presses: the first command (a menu's) left out."""
    return statistics.median(r[column] for r in (rows[1:] if len(rows) > 1 else rows))


def compare_turns(browser, sites, desktop, count, rounds):
    """Browser sites and the desktop's platforms in turn, `rounds` times, so
    that the machine's load falls on all of them alike."""
    platforms = []
    if desktop:
        platforms.append("offscreen")
        if os.environ.get("DISPLAY"):
            platforms.append("xcb")
    seen = {}
    for _ in range(rounds):
        for name, site in sites:
            if name != "bare":
                seen.setdefault(name, []).append(turns(browser, site, count))
        for platform in platforms:
            seen.setdefault("desktop " + platform, []).append(desktop_turns(desktop, count, platform))
    figures, whole, process = {}, {}, {}
    for name, runs in seen.items():
        if name.startswith("desktop"):
            figures[name] = statistics.median(steady(r, 1) for r in runs)
            process[name] = statistics.median(steady(r, 0) for r in runs)
            print("computer turn, %s: main thread / process cpu per turn (ms), median over the presses: %s" % (
                name, "  ".join("%.3f/%.3f" % (steady(r, 1), steady(r, 0)) for r in runs)))
        else:
            figures[name] = statistics.median(steady(r, 0) for r in runs)
            print("computer turn, %s: renderer main thread busy / script / whole browser per turn (ms), "
                  "median over the presses: %s" % (
                      name, "  ".join("%.2f/%.2f/%.2f" % (steady(r, 0), steady(r, 1), steady(r, 2)) for r in runs)))
            whole[name] = statistics.median(steady(r, 2) for r in runs)
    for name in figures:
        if name.startswith("desktop"):
            continue
        print("  %s: %.2f ms a turn" % (name, figures[name]) + "".join(
            "; %.2f x the %s main thread (%.3f)" % (figures[name] / figures[d], d, figures[d])
            for d in figures if d.startswith("desktop")))
        print("  %s, the whole browser: %.2f ms a turn" % (name, whole[name]) + "".join(
            "; %.1f x the %s process (%.3f)" % (whole[name] / process[d], d, process[d]) for d in process))


def main():
    args = argparse.ArgumentParser()
    args.add_argument("site")
    args.add_argument("--before")
    args.add_argument("--runs", type=int, default=11)
    args.add_argument("--turns", type=int, default=6)
    args.add_argument("--turn-rounds", type=int, default=3)
    args.add_argument("--desktop")
    a = args.parse_args()

    sites = [("game", cdp.Site(a.site)), ("bare", cdp.Site(BARE))]
    folders = {"game": a.site}
    if a.before:
        sites.append(("before", cdp.Site(a.before)))
        folders["before"] = a.before
    browser = cdp.Browser()
    try:
        for ratio in (1, 3):
            browser.set_ratio(ratio)
            for name, site in sites:
                if name == "bare":
                    continue
                browser.call("Storage.clearDataForOrigin", origin=site.url.rstrip("/"), storageTypes="all")
                browser.open(site.url + "index.html?nosw")
                browser.wait_for("window.QuintoraUI && QuintoraUI.paintedAt", timeout=60)
                raw, packed, files = first_paint_bytes(browser, site, folders[name], site.url)
                print("first paint needs, ratio %d, %s: %d files, %.1f KB raw, %.1f KB compressed" % (
                    ratio, name, len(files), raw / 1000, packed / 1000))
        browser.set_ratio(1)
        times = first_paints(browser, sites, a.runs)
        print("first painted board, ms after navigation start (%d interleaved rounds):" % a.runs)
        for name, t in times.items():
            print("  %-7s median %6.1f  (min %.1f, max %.1f)" % (name, statistics.median(t), min(t), max(t)))
        for name in times:
            if name != "bare":
                ratios = [g / b for g, b in zip(times[name], times["bare"])]
                print("  %s / bare: median of round ratios %.2f (%.2f..%.2f)" % (
                    name, statistics.median(ratios), min(ratios), max(ratios)))
        compare_turns(browser, sites, a.desktop, a.turns, a.turn_rounds)
    finally:
        browser.close()
        for _, site in sites:
            site.close()


if __name__ == "__main__":
    main()
