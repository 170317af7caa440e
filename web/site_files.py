#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Generated files of the site:

  site_files.py waves WAVES_FOLDER OUT.js
      the list of the waves with what the page needs to stand in for each
      until it has arrived: its size and every byte but its samples (the
      RIFF header, the format, whatever chunks follow the samples);
  site_files.py sheet PICTURES_FOLDER OUT_FOLDER OUT.js
      the board's pictures of each set in one picture (sheet.png,
      sheet@2x.png, sheet@3x.png: one request and one decoding instead of
      one for each), and the page's list of where each lies in them; the
      icons beside the board stay pictures of their own;
  site_files.py script OUT.js MODULE.js...
      the page's script, its modules (page/ui/, one for each job) one after
      the other in the order given: one file for the page to fetch;
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
import zlib

import png


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


def read_png(path):
    """An 8-bit RGB, not interlaced PNG (as our pictures are) as rows of bytes."""
    with open(path, "rb") as f:
        data = f.read()
    # The header's first chunk: bit depth at byte 24, colour type at 25.
    if data[24:26] != b"\x08\x02":
        raise ValueError(path + ": not an 8-bit RGB picture")
    try:
        return png.read(data)
    except ValueError as e:
        raise ValueError("%s: %s" % (path, e)) from None


def write_png(path, width, height, rows):
    """RGB rows, each with the filter that leaves its bytes smallest."""
    stride = width * 3
    out, previous = bytearray(), bytearray(stride)
    for line in rows:
        best = None
        for kind in range(5):
            f = bytearray(stride)
            for i in range(stride):
                a = line[i - 3] if i >= 3 else 0
                b = previous[i]
                c = previous[i - 3] if i >= 3 else 0
                if kind == 0:
                    v = line[i]
                elif kind == 1:
                    v = line[i] - a
                elif kind == 2:
                    v = line[i] - b
                elif kind == 3:
                    v = line[i] - ((a + b) >> 1)
                else:
                    p = a + b - c
                    pa, pb, pc = abs(p - a), abs(p - b), abs(p - c)
                    v = line[i] - (a if pa <= pb and pa <= pc else b if pb <= pc else c)
                f[i] = v & 0xFF
            cost = sum(v if v < 128 else 256 - v for v in f)
            if best is None or cost < best[0]:
                best = (cost, kind, f)
        out.append(best[1])
        out += best[2]
        previous = line

    def chunk(kind, body):
        return struct.pack(">I", len(body)) + kind + body + struct.pack(">I", zlib.crc32(kind + body))
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0))
                + chunk(b"IDAT", zlib.compress(bytes(out), 9)) + chunk(b"IEND", b""))


# Around each picture in the sheet, its own edge pixels repeated: a picture
# drawn scaled (a screen between two sets) takes nothing of its neighbours.
SHEET_MARGIN = 2


def sheet(folder, out_folder, out):
    names = sorted(n[:-4] for n in os.listdir(folder)
                   if n.endswith(".png") and "@" not in n and not n.startswith("ICO_"))
    icons = sorted(n[:-4] for n in os.listdir(folder)
                   if n.endswith(".png") and "@" not in n and n.startswith("ICO_"))
    sizes = {n: read_png(os.path.join(folder, n + ".png"))[:2] for n in names}
    # Shelves, the tallest pictures first, no wider than the widest picture
    # or seven cells.
    m = SHEET_MARGIN
    limit = max(max(w for w, _ in sizes.values()), 7 * (21 + 2 * m)) + 2 * m
    places, x, y, shelf = {}, 0, 0, 0
    for n in sorted(names, key=lambda n: (-sizes[n][1], n)):
        w, h = sizes[n]
        if x + w + 2 * m > limit:
            x, y, shelf = 0, y + shelf, 0
        places[n] = (x + m, y + m, w, h)
        x += w + 2 * m
        shelf = max(shelf, h + 2 * m)
    width, height = limit, y + shelf
    for scale in (1, 2, 3):
        suffix = "" if scale == 1 else "@%dx" % scale
        rows = [bytearray(width * scale * 3) for _ in range(height * scale)]
        for n, (px, py, w, h) in places.items():
            pw, ph, pic = read_png(os.path.join(folder, n + suffix + ".png"))
            if (pw, ph) != (w * scale, h * scale):
                raise ValueError("%s%s is %dx%d, not %d times %dx%d" % (n, suffix, pw, ph, scale, w, h))
            e = m * scale
            for yy in range(-e, ph + e):
                src = pic[min(max(yy, 0), ph - 1)]
                line = src[:3] * e + src + src[-3:] * e
                at = ((px - m) * scale) * 3
                rows[py * scale + yy][at:at + len(line)] = line
        write_png(os.path.join(out_folder, "sheet%s.png" % suffix), width * scale, height * scale, rows)
    with open(out, "w", encoding="utf-8") as f:
        f.write("// The board's pictures: where each lies in pictures/sheet.png (x, y, width,\n"
                "// height in its own pixels; sheet@2x.png and sheet@3x.png the same at 2 and 3\n"
                "// times), and the icons beside the board, a picture each; all in sets 1, 2 and 3.\n")
        f.write("var QuintoraSheet = %s;\n" % json.dumps({n: places[n] for n in names}, separators=(",", ":")))
        f.write("var QuintoraIcons = %s;\n" % json.dumps(icons))


def script(out, modules):
    parts = []
    for path in modules:
        with open(path, encoding="utf-8") as f:
            parts.append(f.read())
    with open(out, "w", encoding="utf-8") as f:
        f.write("\n".join(parts))


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
    elif len(sys.argv) == 5 and sys.argv[1] == "sheet":
        sheet(sys.argv[2], sys.argv[3], sys.argv[4])
    elif len(sys.argv) >= 4 and sys.argv[1] == "script":
        script(sys.argv[2], sys.argv[3:])
    elif len(sys.argv) == 5 and sys.argv[1] == "worker":
        worker(sys.argv[2], sys.argv[3], sys.argv[4])
    else:
        sys.exit(__doc__)
