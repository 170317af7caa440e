#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Two generated files of the site:

  site_files.py waves WAVES_FOLDER OUT.js
      the list of the waves with what the page needs to stand in for each
      until it has arrived: its size and every byte but its samples (the
      RIFF header, the format, whatever chunks follow the samples);
  site_files.py worker SITE_FOLDER TEMPLATE OUT.js
      the service worker: the template with the site's files and a version
      made of their contents, so that any change to the site is a new one.
"""
import base64
import hashlib
import json
import os
import struct
import sys


def wave_entry(name, data):
    """The wave's size, and where its samples are, when its chunks can be
    walked; the page then writes a stand-in of the same bytes with the samples
    blank. Otherwise (no data chunk, a damaged file) the page fetches the file
    itself before the game starts, and the game judges it as on the desktop."""
    entry = {"name": name, "size": len(data)}
    if len(data) < 12 or data[:4] != b"RIFF" or data[8:12] != b"WAVE":
        return entry
    at = 12
    while at + 8 <= len(data):
        kind = data[at:at + 4]
        size = struct.unpack("<I", data[at + 4:at + 8])[0]
        if kind == b"data":
            start, end = at + 8, at + 8 + size
            if end > len(data):
                return entry
            entry.update(dataAt=start, dataSize=size,
                         head=base64.b64encode(data[:start]).decode(),
                         tail=base64.b64encode(data[end:]).decode())
            return entry
        at += 8 + size + (size & 1)
    return entry


def waves(folder, out):
    entries = []
    for name in sorted(os.listdir(folder)):
        if name.endswith(".wav"):
            with open(os.path.join(folder, name), "rb") as f:
                entries.append(wave_entry(name, f.read()))
    with open(out, "w", encoding="utf-8") as f:
        f.write("// The wave files, put beside the game as on the desktop: each stands in\n"
                "// blank until the file itself has arrived (after the first paint).\n")
        f.write("var QuintoraWaves = %s;\n" % json.dumps(entries, ensure_ascii=False, indent=0))


def worker(site, template, out):
    out_name = os.path.relpath(os.path.abspath(out), os.path.abspath(site))
    files = []
    digest = hashlib.sha256()
    for root, dirs, names in os.walk(site):
        dirs.sort()
        for name in sorted(names):
            path = os.path.join(root, name)
            rel = os.path.relpath(path, site).replace(os.sep, "/")
            if rel == out_name:
                continue
            files.append(rel)
            digest.update(rel.encode() + b"\0")
            with open(path, "rb") as f:
                digest.update(hashlib.sha256(f.read()).digest())
    with open(template, encoding="utf-8") as f:
        text = f.read()
    text = text.replace("@VERSION@", digest.hexdigest()[:16])
    text = text.replace("@FILES@", json.dumps(["./"] + files, ensure_ascii=False))
    with open(out, "w", encoding="utf-8") as f:
        f.write(text)


if __name__ == "__main__":
    if len(sys.argv) == 4 and sys.argv[1] == "waves":
        waves(sys.argv[2], sys.argv[3])
    elif len(sys.argv) == 5 and sys.argv[1] == "worker":
        worker(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        sys.exit(__doc__)
