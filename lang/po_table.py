#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Turns gettext catalogs (po/LANG.po) into a C++ table that the desktop and
the page both compile: one row per language, its pairs of source text
(Japanese, byte for byte) and translation.

usage: po_table.py OUT.inc po/en.po [po/xx.po ...]
"""
import ast
import os
import sys


def entries(path):
    """(msgctxt, msgid, msgstr) of every translated, non-fuzzy entry."""
    out, cur, key, fuzzy = [], {}, None, False

    def flush():
        nonlocal cur, fuzzy
        if cur.get("msgid") and cur.get("msgstr") and not fuzzy:
            out.append((cur.get("msgctxt", ""), cur["msgid"], cur["msgstr"]))
        cur, fuzzy = {}, False

    with open(path, encoding="utf-8") as f:
        for n, line in enumerate(f, 1):
            line = line.strip()
            if not line:
                flush()
                key = None
            elif line.startswith("#,") and "fuzzy" in line:
                fuzzy = True
            elif line.startswith("#"):
                continue
            elif line.startswith('"'):
                if key is None:
                    sys.exit(f"{path}:{n}: a string continues nothing")
                cur[key] += ast.literal_eval(line)
            else:
                word, _, rest = line.partition(" ")
                if word not in ("msgctxt", "msgid", "msgstr"):
                    sys.exit(f"{path}:{n}: {word} is not handled")
                # A new entry may follow the last without a blank line.
                if word in ("msgctxt", "msgid") and cur.get("msgstr") is not None:
                    flush()
                key = word
                cur[key] = ast.literal_eval(rest)
    flush()
    return out


def c_string(s):
    # Every byte above ASCII as an octal escape: the table is pure ASCII and
    # cannot be read in another encoding by mistake.
    out = []
    for b in s.encode("utf-8"):
        if b in (0x22, 0x5C):
            out.append("\\" + chr(b))
        elif 0x20 <= b < 0x7F and chr(b) != "?":
            out.append(chr(b))
        else:
            out.append("\\%03o" % b)
    return '"' + "".join(out) + '"'


def main():
    out_path, catalogs = sys.argv[1], sys.argv[2:]
    lines = ["// Made by lang/po_table.py from " + " ".join(os.path.basename(c) for c in catalogs) + "."]
    for path in catalogs:
        lang = os.path.splitext(os.path.basename(path))[0]
        rows = entries(path)
        lines.append("inline constexpr Entry catalog_%s[] = {" % lang)
        for ctxt, msgid, msgstr in rows:
            lines.append("    {%s, %s, %s}," % (c_string(ctxt), c_string(msgid), c_string(msgstr)))
        lines.append("};")
    lines.append("inline constexpr Catalog catalogs[] = {")
    for path in catalogs:
        lang = os.path.splitext(os.path.basename(path))[0]
        lines.append('    {"%s", catalog_%s},' % (lang, lang))
    lines.append("};")
    text = "\n".join(lines) + "\n"
    old = open(out_path, encoding="utf-8").read() if os.path.exists(out_path) else None
    if old != text:
        with open(out_path, "w", encoding="utf-8") as f:
            f.write(text)


if __name__ == "__main__":
    main()
