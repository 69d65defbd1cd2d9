#!/usr/bin/env python3
"""Generates render/font_data.cpp, the built-in bitmap font of the raster
surface, from an X11 PCF bitmap font.

Source font: Adobe Helvetica Bold, 14 pixels (ascent 13, descent 3: the same
16-pixel cell as the platform's stock system font), file
/usr/share/fonts/X11/75dpi/helvB14-ISO8859-1.pcf.gz of Debian's package
xfonts-75dpi (`apt-get install xfonts-75dpi`).

Licence of the source font (from the package's copyright file):

  Copyright 1984-1989, 1994 Adobe Systems Incorporated.
  Copyright 1988, 1994 Digital Equipment Corporation.

  Adobe is a trademark of Adobe Systems Incorporated which may be
  registered in certain jurisdictions.
  Permission to use these trademarks is hereby granted only in
  association with the images described in this file.

  Permission to use, copy, modify, distribute and sell this software
  and its documentation for any purpose and without fee is hereby
  granted, provided that the above copyright notices appear in all
  copies and that both those copyright notices and this permission
  notice appear in supporting documentation, and that the names of
  Adobe Systems and Digital Equipment Corporation not be used in
  advertising or publicity pertaining to distribution of the software
  without specific, written prior permission.  Adobe Systems and
  Digital Equipment Corporation make no representations about the
  suitability of this software for any purpose.  It is provided "as
  is" without express or implied warranty.

Usage:
  python3 tools/fontgen/fontgen.py [font.pcf.gz] > render/font_data.cpp
  python3 tools/fontgen/fontgen.py --show [font.pcf.gz]   (prints the glyphs)
"""
import gzip
import struct
import sys

DEFAULT_FONT = "/usr/share/fonts/X11/75dpi/helvB14-ISO8859-1.pcf.gz"
# The characters of Windows-1252, the window's code page for the title: the
# font has the printable ASCII characters and those of 0xA0 to 0xFF (the same
# as ISO 8859-1 there); 127 to 159 (DEL and Windows-1252's own additions,
# which the font lacks) get the glyph of '?'.
FIRST, LAST = 32, 255
SUBSTITUTE = ord("?")

PCF_ACCELERATORS = 1 << 1
PCF_METRICS = 1 << 2
PCF_BITMAPS = 1 << 3
PCF_BDF_ENCODINGS = 1 << 5
PCF_BDF_ACCELERATORS = 1 << 8
PCF_COMPRESSED_METRICS = 0x100
PCF_BYTE_MSB = 1 << 2
PCF_BIT_MSB = 1 << 3

LICENCE = """\
// Glyphs generated from Adobe Helvetica Bold 14 pixels (X11 PCF font
// helvB14-ISO8859-1 of the Debian package xfonts-75dpi) by
// tools/fontgen/fontgen.py.  Do not edit; rerun the generator.
//
// Copyright 1984-1989, 1994 Adobe Systems Incorporated.
// Copyright 1988, 1994 Digital Equipment Corporation.
//
// Adobe is a trademark of Adobe Systems Incorporated which may be
// registered in certain jurisdictions.
// Permission to use these trademarks is hereby granted only in
// association with the images described in this file.
//
// Permission to use, copy, modify, distribute and sell this software
// and its documentation for any purpose and without fee is hereby
// granted, provided that the above copyright notices appear in all
// copies and that both those copyright notices and this permission
// notice appear in supporting documentation, and that the names of
// Adobe Systems and Digital Equipment Corporation not be used in
// advertising or publicity pertaining to distribution of the software
// without specific, written prior permission.  Adobe Systems and
// Digital Equipment Corporation make no representations about the
// suitability of this software for any purpose.  It is provided "as
// is" without express or implied warranty.
"""


class Pcf:
    def __init__(self, path):
        raw = open(path, "rb").read()
        self.data = gzip.decompress(raw) if raw[:2] == b"\x1f\x8b" else raw
        if self.data[:4] != b"\x01fcp":
            sys.exit(f"{path}: not a PCF font")
        count = struct.unpack_from("<i", self.data, 4)[0]
        self.tables = {}
        for i in range(count):
            kind, fmt, size, offset = struct.unpack_from("<iiii", self.data, 8 + 16 * i)
            self.tables[kind] = offset

    def table(self, kind):
        offset = self.tables[kind]
        fmt = struct.unpack_from("<i", self.data, offset)[0]
        order = ">" if fmt & PCF_BYTE_MSB else "<"
        return fmt, order, offset + 4

    def metrics(self):
        fmt, order, p = self.table(PCF_METRICS)
        result = []
        if fmt & PCF_COMPRESSED_METRICS:
            count = struct.unpack_from(order + "h", self.data, p)[0]
            p += 2
            for _ in range(count):
                result.append(tuple(b - 0x80 for b in self.data[p:p + 5]))
                p += 5
        else:
            count = struct.unpack_from(order + "i", self.data, p)[0]
            p += 4
            for _ in range(count):
                result.append(struct.unpack_from(order + "hhhhh", self.data, p))
                p += 12
        return result  # (left bearing, right bearing, advance, ascent, descent)

    def encodings(self):
        fmt, order, p = self.table(PCF_BDF_ENCODINGS)
        min2, max2, min1, max1, _default = struct.unpack_from(order + "hhhhh", self.data, p)
        p += 10
        count = (max2 - min2 + 1) * (max1 - min1 + 1)
        index = struct.unpack_from(order + "%dH" % count, self.data, p)
        result = {}
        if min1 == 0:
            for c in range(max(min2, 0), max2 + 1):
                if index[c - min2] != 0xFFFF:
                    result[c] = index[c - min2]
        return result

    def ascent_descent(self):
        kind = PCF_BDF_ACCELERATORS if PCF_BDF_ACCELERATORS in self.tables else PCF_ACCELERATORS
        fmt, order, p = self.table(kind)
        return struct.unpack_from(order + "ii", self.data, p + 8)

    def bitmaps(self, metrics):
        fmt, order, p = self.table(PCF_BITMAPS)
        if not fmt & PCF_BIT_MSB:
            sys.exit("fonts with the low bit first are not handled")
        count = struct.unpack_from(order + "i", self.data, p)[0]
        p += 4
        offsets = struct.unpack_from(order + "%di" % count, self.data, p)
        p += 4 * count + 16
        pad = 1 << (fmt & 3)
        unit = 1 << ((fmt >> 4) & 3)
        glyphs = []
        for i, (left, right, _adv, asc, desc) in enumerate(metrics):
            width = right - left
            row_bytes = (width + 7) // 8
            row_bytes = (row_bytes + pad - 1) // pad * pad
            rows = []
            for r in range(asc + desc):
                start = p + offsets[i] + r * row_bytes
                chunk = bytearray(self.data[start:start + row_bytes])
                if not fmt & PCF_BYTE_MSB and unit > 1:
                    for u in range(0, row_bytes, unit):
                        chunk[u:u + unit] = chunk[u:u + unit][::-1]
                bits = int.from_bytes(chunk, "big")
                # Keep the leftmost `width` columns, as a string of 0/1.
                rows.append(format(bits, "0%db" % (row_bytes * 8))[:width])
            glyphs.append(rows)
        return glyphs


def load(path):
    pcf = Pcf(path)
    metrics = pcf.metrics()
    bitmaps = pcf.bitmaps(metrics)
    encoding = pcf.encodings()
    ascent, descent = pcf.ascent_descent()
    glyphs = []
    for c in range(FIRST, LAST + 1):
        if 127 <= c < 160:
            c = SUBSTITUTE
        if c not in encoding:
            sys.exit(f"character {c} missing from the font")
        i = encoding[c]
        left, right, advance, asc, desc = metrics[i]
        rows = bitmaps[i]
        if right - left > 16:
            sys.exit(f"character {c} wider than 16 pixels")
        top = ascent - asc
        # Drop empty rows at the top and bottom.
        while rows and "1" not in rows[0]:
            rows = rows[1:]
            top += 1
        while rows and "1" not in rows[-1]:
            rows = rows[:-1]
        # Accented capitals reach one row above the cell, as they do in the
        # font; the raster draws that row above the text position.
        if top < -1 or top + len(rows) > ascent + descent:
            sys.exit(f"character {c} leaves the text cell")
        glyphs.append((advance, left, top, rows))
    return ascent, descent, glyphs


def show(path):
    ascent, descent, glyphs = load(path)
    for c, (advance, left, top, rows) in zip(range(FIRST, LAST + 1), glyphs):
        print(f"{chr(c)!r} advance {advance} left {left} top {top}")
        for r in rows:
            print("  " + " " * max(left, 0) + r.replace("0", ".").replace("1", "#"))


def Name(c):
    """The character's name in a comment of the generated file (ASCII)."""
    if 127 <= c < 160:
        return "0x%02X: '?'" % c
    if c >= 160:
        return "0x%02X" % c
    return {"\\": "backslash", " ": "space"}.get(chr(c), chr(c))


def generate(path):
    ascent, descent, glyphs = load(path)
    out = [LICENCE, '#include "render/font_data.h"', "",
           f"const int font_height = {ascent + descent};",
           f"const int font_ascent = {ascent};", ""]
    out.append("const FontGlyph font_glyphs[FONT_CHAR_COUNT] = {")
    # The glyphs in place of '?' share its rows.
    first_row = 0
    starts = {}
    for c, (advance, left, top, rows) in zip(range(FIRST, LAST + 1), glyphs):
        start = starts[SUBSTITUTE] if 127 <= c < 160 else first_row
        starts[c] = start
        out.append(f"    {{{advance}, {left}, {top}, {len(rows)}, {start}}}, // {Name(c)}")
        if start == first_row:
            first_row += len(rows)
    out.append("};")
    out.append("")
    out.append("const uint16_t font_rows[] = {")
    for c, (advance, left, top, rows) in zip(range(FIRST, LAST + 1), glyphs):
        if not rows or 127 <= c < 160:
            continue
        values = ", ".join("0x%04X" % (int(r.ljust(16, "0"), 2)) for r in rows)
        out.append(f"    // {Name(c)}")
        while values:
            cut = values[:80]
            if len(values) > 80:
                cut = values[:values.rfind(",", 0, 80) + 1]
            out.append("    " + cut.strip() + ("," if not cut.endswith(",") else ""))
            values = values[len(cut):].strip()
    out.append("};")
    print("\n".join(out))


def main(argv):
    args = [a for a in argv[1:] if not a.startswith("--")]
    path = args[0] if args else DEFAULT_FONT
    if "--show" in argv:
        show(path)
    else:
        generate(path)


if __name__ == "__main__":
    main(sys.argv)
