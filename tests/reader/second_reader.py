"""A second reader of the picture file, written apart from the viewer's own
reader and sharing no code with it, after the rules of picture/step_line.h:
the work-file records a picture file gives, and the lines it leaves out.

read(data) returns (records, left_out, first_left_out) with the records as
the 40-byte images of the work file, or None when the conversion fails (an
unreadable header, nothing after the geometry).
"""
import math
import re
import struct

REAL = re.compile(rb" *[+-]?(\d+\.?\d*|\.\d+)([EeDd][+-]?\d+)?")
INTEGER = re.compile(rb" *[+-]?\d+")


class Refused(Exception):
    """A line (or the file) that cannot be read."""


def single(x):
    """x rounded to single precision, as a C cast does (inf beyond its range)."""
    try:
        return struct.unpack("<f", struct.pack("<f", x))[0]
    except OverflowError:
        return math.copysign(math.inf, x)


def finite(x):
    if math.isinf(x) or math.isnan(x):
        raise Refused("not finite")
    return x


# ---- the geometry section, as vokasim writes it (the mutator leaves it whole)


def read_geometry(data):
    """The offset and the number of lines after the geometry section."""
    lines = data.splitlines(keepends=True)
    taken = 2
    if lines[1][:4] != b"GEND":
        counts = [int(lines[2][k:k + 6]) for k in range(0, len(lines[2].rstrip()), 6)]
        taken = 3 + sum((n + 3) // 4 for n in counts) + 1
    return len(b"".join(lines[:taken])), taken


# ---- the step section: text mode, pieces of 127 characters


def fields(t, start, width):
    if start + width > len(t):
        raise Refused("cut")
    return t[start:start + width]


def real(t, start, width):
    field = fields(t, start, width)
    if not REAL.fullmatch(field):
        raise Refused("not a number")
    return finite(float(field.replace(b"D", b"E").replace(b"d", b"e")))


def integer(t, start, width):
    field = fields(t, start, width)
    if not INTEGER.fullmatch(field):
        raise Refused("not an integer")
    return int(field)


def energy(t, mantissa, digit):
    m = real(t, mantissa, 4)
    d = fields(t, digit, 1)
    if not d.isdigit():
        raise Refused("exponent digit")
    e = int(d) - 3
    p = float(10 ** abs(e))
    if e < 0:
        p = 1.0 / p
    return finite(single(p * m))


def step(t, type_char, scale):
    """(kind, x, y, z, energy, whole line) of a step or separator line."""
    if type_char == b"-":
        if len(t) != 1:
            raise Refused("trailing")
        return -1, 0.0, 0.0, 0.0, 0.0, False
    kind = int(type_char)
    if kind <= 3:
        if len(t) != 21:
            raise Refused("short line length")
        c = [(integer(t, 1 + 5 * i, 5) - 50000.0) * scale * 0.0001 for i in range(3)]
        return kind, c[0], c[1], c[2], energy(t, 16, 20), False
    if len(t) <= 30:
        if len(t) != 30:
            raise Refused("long line length")
        c = [(integer(t, 1 + 8 * i, 8) - 33554432.0) * scale * 1.1920928955078125e-07
             for i in range(3)]
        return kind - 3, c[0], c[1], c[2], energy(t, 25, 29), False
    c = [real(t, 1 + 13 * i, 13) for i in range(3)]
    return kind - 3, c[0], c[1], c[2], finite(single(real(t, 40, 10))), True


def header(t):
    if len(t) != 70:
        raise Refused("header length")
    values = [real(t, 10 * i, 10) for i in range(7)]
    return finite(single(values[6]))


class Pieces:
    """The pieces of the text after the geometry section, as fgets into 128
    bytes on a file read in text mode gives them, with their line numbers."""

    def __init__(self, data, lines_before):
        self.text = data.split(b"\x1a")[0].replace(b"\r\n", b"\n")
        self.pos = 0
        self.number = lines_before
        self.open = False

    def next(self):
        if self.pos >= len(self.text):
            return None
        end = self.text.find(b"\n", self.pos, self.pos + 127)
        piece = self.text[self.pos:end + 1] if end >= 0 else self.text[self.pos:self.pos + 127]
        self.pos += len(piece)
        if not self.open:
            self.number += 1
        self.open = len(piece) == 127 and not piece.endswith(b"\n")
        return piece

    def skip_rest(self):
        if self.open:
            end = self.text.find(b"\n", self.pos)
            self.pos = len(self.text) if end < 0 else end + 1
            self.open = False


def exponent(v):
    return math.frexp(v)[1]


def convert(data, far=None):
    """One pass: (records, left-out pieces, first line left out, exponents,
    header missing), or None when the conversion fails."""
    offset, lines_before = read_geometry(data)
    pieces = Pieces(data[offset:], lines_before)
    left_out, first = 0, None
    block, depth, block_start, block_pieces = None, 0, 0, 0

    def leave_out(number):
        nonlocal left_out, first
        left_out += 1
        first = number if first is None else min(first, number)

    def block_line(piece, number):
        nonlocal block, depth, block_start, block_pieces
        if block is not None:
            block_pieces += 1
            if piece[:1] == block and piece[1:4] == b"END":
                depth -= 1
                if depth == 0:
                    block = None
            elif piece[:1] == block and piece[1:4] == b"STA":
                depth += 1
                leave_out(number)
            return True
        if piece[:1].isupper() and piece[1:4] == b"STA":
            block, depth, block_start, block_pieces = piece[:1], 1, number, 1
            return True
        return False

    def blank(piece):
        return all(c in b" \t\r\n" for c in piece)

    piece = pieces.next()
    while piece is not None and (block_line(piece, pieces.number) or blank(piece)):
        piece = pieces.next()
    if piece is None:
        return None
    t = piece.rstrip(b"\n").rstrip(b" ")
    missing = t[:1] == b"0" and len(t) == 6 and INTEGER.fullmatch(t[1:6]) is not None
    scale = 1.0
    if not missing:
        try:
            scale = header(t)
        except Refused:
            return None
        piece = pieces.next()
    records, exponents = [], []
    batch, batch_seen = 0, False
    while piece is not None:
        number = pieces.number
        if block_line(piece, number):
            piece = pieces.next()
            continue
        t = piece.rstrip(b"\n").rstrip(b" ")
        c = piece[:1]
        try:
            if c == b"0":
                if len(t) > 6:
                    raise Refused("trailing")
                b = integer(t, 1, 5)
                batch, batch_seen = b, True
                if not 1 <= b <= 10000:
                    leave_out(number)
            elif c in (b"7", b"8", b"9"):
                pass
            elif c == b"-" or (c.isdigit() and c != b""):
                kind, x, y, z, e, whole = step(t, c, scale)
                if whole:
                    pieces.skip_rest()
                far_out = far is not None and kind != -1 and any(
                    v != 0.0 and exponent(v) >= far for v in (x, y, z))
                if not batch_seen or not 1 <= batch <= 10000 or far_out:
                    leave_out(number)
                else:
                    records.append(struct.pack("<iidddf4x", batch, kind, x, y, z, e))
                    if missing and kind != -1:
                        exponents += [exponent(v) for v in (x, y, z) if v != 0.0]
            elif not blank(piece):
                raise Refused("no line type")
        except Refused:
            if c == b"-" or (c.isdigit() and c != b""):
                if c.isdigit() and int(c) >= 4 and len(t) > 30:
                    pieces.skip_rest()
            leave_out(number)
        piece = pieces.next()
    if block is not None:
        left_out += block_pieces
        first = block_start if first is None else min(first, block_start)
    return records, left_out, first, exponents, missing


def far_limit(exponents):
    """The exponent from which coordinates are far out, or None."""
    if not exponents:
        return None
    ordered = sorted(exponents)
    e90 = ordered[(9 * len(ordered) + 9) // 10 - 1]
    return e90 + 11 if ordered[-1] >= e90 + 11 else None


def read(data):
    first_pass = convert(data)
    if first_pass is None:
        return None
    records, left_out, first, exponents, missing = first_pass
    limit = far_limit(exponents) if missing else None
    if limit is not None:
        records, left_out, first, _, _ = convert(data, limit)
    return records, left_out, first
