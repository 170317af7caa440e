#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the characters the board's canvas can draw: those of the string
literals of the drawing code (the view, the colour names, the game), and
printable ASCII for numbers and labels. The shipped face holds only these."""
import pathlib
import re
import sys

root = pathlib.Path(sys.argv[1])
out = pathlib.Path(sys.argv[2])
chars = {chr(c) for c in range(0x20, 0x7F)}
literal = re.compile(r'"((?:[^"\\\n]|\\.)*)"')
for folder in ("view", "state", "game"):
    for f in sorted((root / folder).glob("*.[ch]*")):
        for text in literal.findall(f.read_text(encoding="utf-8")):
            chars.update(text)
chars.discard("\\")
chars.add("\\")
out.write_text("".join(sorted(chars)), encoding="utf-8")
