"""A second reader of the picture file, written apart from the viewer's own
reader and sharing no code with it, after the rules of picture/step_line.h:
the work-file records a picture file gives, and the lines it reports.

read(data) returns (records, reported, first_reported) with the records as
the 40-byte images of the work file, or None when the conversion fails (an
unreadable header, nothing after the geometry).  Reported lines are those
left out and those read with a remark (a separator with text after its
minus sign, text after column 70 of the header).
"""
import math
import re
import struct

REAL = re.compile(rb" *[+-]?(\d+\.?\d*|\.\d+)([EeDd][+-]?\d+)?")
INTEGER = re.compile(rb" *[+-]?\d+")
LINE_END = re.compile(rb"\r\n|\r|\n")
BLANKS = b" \t"


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


def physical_lines(data):
    """The lines of the file: a LF, a CR LF or a CR alone ends one."""
    if data.startswith(b"\xef\xbb\xbf"):
        data = data[3:]
    lines = LINE_END.split(data)
    if lines and lines[-1] == b"":
        lines.pop()
    return lines


# ---- the geometry section, as vokasim writes it (the mutator leaves it whole)


def geometry_lines(lines):
    """The number of lines of the geometry section."""
    if lines[1][:4] == b"GEND":
        return 2
    counts = lines[2].rstrip()
    counts = [int(counts[k:k + 6]) for k in range(0, len(counts), 6)]
    return 3 + sum((n + 3) // 4 for n in counts) + 1


# ---- the step section: lines, read from their first 127 characters


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
    if m < 0:
        raise Refused("negative energy")
    d = fields(t, digit, 1)
    if not d.isdigit():
        raise Refused("exponent digit")
    e = int(d) - 3
    p = float(10 ** abs(e))
    if e < 0:
        p = 1.0 / p
    return finite(single(p * m))


def starts_a_line(text):
    """The text begins with a step, separator or batch line of its own."""
    c = text[:1]
    widths = {b"0": [6], b"-": [1]}.get(c, [21] if c in (b"1", b"2", b"3") else
                                       [30, 50] if c in (b"4", b"5", b"6") else [])
    for width in widths:
        if width > len(text):
            continue
        t = text[:width].rstrip(BLANKS)
        try:
            if c == b"0":
                if len(t) > 6:
                    raise Refused("trailing")
                integer(t, 1, 5)
            elif c != b"-":
                step(t, c, 1.0)
            return True
        except Refused:
            pass
    return False


def float_glued(t):
    """A second float step from column 51 on."""
    for p in range(50, len(t) - 39):
        if t[p:p + 1] not in (b"4", b"5", b"6") or t[p - 1:p] == b" ":
            continue
        try:
            for k in range(3):
                field = t[p + 1 + 13 * k:p + 14 + 13 * k]
                if not REAL.fullmatch(field):
                    raise Refused("not a number")
                finite(float(field.replace(b"D", b"E").replace(b"d", b"e")))
            return True
        except Refused:
            pass
    return False


def long_glued(t):
    if len(t) <= 30 or b"." in t[1:25] or b"E" in t[1:25]:
        return False
    return starts_a_line(t[:30]) and starts_a_line(t[30:])


def step(t, type_char, scale):
    """(kind, x, y, z, energy, float line) of a step line."""
    kind = int(type_char)
    if kind <= 3:
        if len(t) != 21:
            raise Refused("short line length")
        c = [(integer(t, 1 + 5 * i, 5) - 50000.0) * scale * 0.0001 for i in range(3)]
        e = energy(t, 16, 20)
        if scale == 0.0:
            raise Refused("scale 0")
        return kind, c[0], c[1], c[2], e, False
    if long_glued(t):
        raise Refused("glued")
    if len(t) <= 30:
        if len(t) != 30:
            raise Refused("long line length")
        c = [(integer(t, 1 + 8 * i, 8) - 33554432.0) * scale * 1.1920928955078125e-07
             for i in range(3)]
        e = energy(t, 25, 29)
        if scale == 0.0:
            raise Refused("scale 0")
        return kind - 3, c[0], c[1], c[2], e, False
    c = [real(t, 1 + 13 * i, 13) for i in range(3)]
    e = finite(single(real(t, 40, 10)))
    if e < 0 or float_glued(t):
        raise Refused("negative energy, or glued")
    return kind - 3, c[0], c[1], c[2], e, True


def header(t):
    """The coordinate scale, and whether the line is reported (text after
    column 70)."""
    if len(t) < 70:
        raise Refused("header length")
    values = [real(t, 10 * i, 10) for i in range(7)]
    return finite(single(values[6])), len(t) > 70


def exponent(v):
    return math.frexp(v)[1]


def blank(piece):
    return all(c in b" \t\x1a" for c in piece)


def convert(data, far=None):
    """One pass: (records, reported lines, first reported line, exponents,
    header missing), or None when the conversion fails."""
    lines = physical_lines(data)
    number = geometry_lines(lines)
    rest = lines[number:]
    reported, first = 0, None
    block, depth, block_start, block_lines = None, 0, 0, 0

    def report(n):
        nonlocal reported, first
        reported += 1
        first = n if first is None else min(first, n)

    def block_line(piece, n):
        nonlocal block, depth, block_start, block_lines
        if block is not None:
            block_lines += 1
            if piece[:1] == block and piece[1:4] == b"END":
                depth -= 1
                if depth == 0:
                    block = None
            elif piece[:1] == block and piece[1:4] == b"STA":
                depth += 1
                report(n)
            return True
        if piece[:1].isupper() and piece[1:4] == b"STA":
            block, depth, block_start, block_lines = piece[:1], 1, n, 1
            return True
        return False

    k = 0
    while k < len(rest) and (block_line(rest[k][:127], number + k + 1) or blank(rest[k][:127])):
        k += 1
    if k == len(rest):
        return None
    t = rest[k][:127].rstrip(BLANKS)
    missing = t[:1] == b"0" and len(t) == 6 and INTEGER.fullmatch(t[1:6]) is not None
    scale = 1.0
    if not missing:
        try:
            scale, remark = header(t)
        except Refused:
            return None
        if remark or rest[k][127:].strip(BLANKS):
            report(number + k + 1)
        k += 1
    records, exponents = [], []
    batch, batch_seen = 0, False
    for k in range(k, len(rest)):
        n = number + k + 1
        line = rest[k]
        piece = line[:127]
        if block_line(piece, n):
            continue
        t = piece.rstrip(BLANKS)
        more = line[127:].strip(BLANKS) != b""
        c = piece[:1]
        try:
            if c == b"0":
                if len(t) > 6 or more:
                    raise Refused("trailing")
                b = integer(t, 1, 5)
                batch, batch_seen = b, True
                if not 1 <= b <= 10000:
                    report(n)
            elif c in (b"7", b"8", b"9"):
                pass
            elif c == b"-":
                if not batch_seen or not 1 <= batch <= 10000:
                    report(n)
                    continue
                records.append(struct.pack("<iidddf4x", batch, -1, 0.0, 0.0, 0.0, 0.0))
                if len(t) > 2 or (len(t) == 2 and t[1:2] != b"1") or more:
                    report(n)
            elif c.isdigit():
                kind, x, y, z, e, whole = step(t, c, scale)
                if more and not whole:
                    raise Refused("trailing")
                far_out = far is not None and any(v != 0.0 and exponent(v) >= far for v in (x, y, z))
                if not batch_seen or not 1 <= batch <= 10000 or far_out:
                    report(n)
                else:
                    records.append(struct.pack("<iidddf4x", batch, kind, x, y, z, e))
                    if missing:
                        exponents += [exponent(v) for v in (x, y, z) if v != 0.0]
            elif not blank(piece) or more:
                raise Refused("no line type")
        except Refused:
            report(n)
    if block is not None:
        reported += block_lines
        first = block_start if first is None else min(first, block_start)
    return records, reported, first, exponents, missing


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
    records, reported, first, exponents, missing = first_pass
    limit = far_limit(exponents) if missing else None
    if limit is not None:
        records, reported, first, _, _ = convert(data, limit)
    return records, reported, first
