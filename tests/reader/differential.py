"""Differential test of the picture reader: pictures of every layout,
variant and dialect (as other writers write them) made by vokasim, damaged
by a small mutator, must give the same work-file records from vokatool
convert and from the second reader, the same number of lines reported
(left out, or read with a remark) and the same first of them, or fail in
both.

Usage: differential.py VOKATOOL VOKASIM [--count N] [--seconds S] [--seed N]
A difference is written to the current folder as differ-N.pic and fails
the test (status 1).
"""
import os
import random
import re
import subprocess
import sys
import tempfile
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import second_reader  # noqa: E402

LAYOUTS = ["short", "long", "float"]
VARIANTS = ["", "crlf", "block", "fixed", "noheader", "block,noheader,crlf",
            # dialects of other writers
            "minus1", "trailing", "bom,cr", "minus1,trailing,crlf", "noheader,trailing,cr"]
CHARACTERS = b"0123456789 .-+EeDd*\t\0MSTAND\r\x1a"
INSERTS = [b" ", b"\t", b"\0", b"E", b".", b"nan", b"inf", b"*****", b"\n", b"\r\n", b"\r",
           b"MSTA\n", b"MEND\n", b"0    0\n", b"010001\n", b"   \n", b"1.0E+30", b"\x1a",
           b"-1\n", b"-x\n", b"-", b"-1.0E+00"]


def pictures(sim, folder):
    made = []
    for layout in LAYOUTS:
        for variant in VARIANTS:
            path = os.path.join(folder, "sim.pic")
            args = [sim, "-n", "2", "-b", "1", "-e", "5", "-s", str(len(made) + 1),
                    "--layout", layout, "-o", path]
            if variant:
                args += ["--variant", variant]
            if subprocess.run(args, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
                with open(path, "rb") as f:
                    made.append(f.read())
    return made


def mutate(rng, data):
    """One to three kinds of damage at random places after the geometry
    section (the first GEND after the counts)."""
    lines = data.splitlines(keepends=True)
    start = next(k for k in range(2, len(lines)) if lines[k][:4] == b"GEND") + 1
    for _ in range(rng.randint(1, 3)):
        if len(lines) <= start:
            break
        i = rng.randrange(start, len(lines))
        line = lines[i]
        at = rng.randrange(len(line) + 1)
        what = rng.randrange(14)
        if what == 0:      # shift a field: a blank in, or a character out
            line = line[:at] + b" " + line[at:] if rng.random() < 0.5 else line[:at] + line[at + 1:]
        elif what == 1:    # cut a line (the last one: the writer was killed)
            if rng.random() < 0.3:
                lines = lines[:i]
            line = line[:at]
        elif what == 2:    # replace a character
            line = line[:at] + bytes([rng.choice(CHARACTERS)]) + line[at + 1:]
        elif what == 3:    # insert characters
            line = line[:at] + rng.choice(INSERTS) + line[at:]
        elif what == 4:    # a blank line
            lines.insert(i, rng.choice([b"\n", b"   \n", b"\t\n"]))
        elif what == 5:    # duplicate a line
            lines.insert(i, line)
        elif what == 6:    # delete a line
            line = b""
        elif what == 7:    # a field beside its place: the line's digits shifted
            line = line[:1] + line[2:at] + line[1:2] + line[at:]
        elif what == 8:    # a tab in place of a blank
            blanks = [k for k in range(len(line)) if line[k:k + 1] == b" "]
            if blanks:
                k = rng.choice(blanks)
                line = line[:k] + b"\t" + line[k + 1:]
        elif what == 10:   # a line end lost: two lines glued together
            line = line.rstrip(b"\r\n")
        elif what == 11:   # blanks and a tab after the last field
            body = line.rstrip(b"\r\n")
            line = body + rng.choice([b" ", b"\t", b"  \t "]) + line[len(body):]
        elif what == 12:   # a CR alone as the line end
            line = line.rstrip(b"\r\n") + b"\r"
        elif what == 13:   # a line of more than 127 characters
            body = line.rstrip(b"\r\n")
            line = body + b" " * rng.randrange(100, 140) + rng.choice([b"", b"x", b"\t"]) + line[len(body):]
        else:              # an exponent changed: a value far out
            m = re.search(rb"E[+-]\d\d", line[at:]) or re.search(rb"E[+-]\d\d", line)
            if m:
                k = m.start() + (at if re.search(rb"E[+-]\d\d", line[at:]) else 0)
                line = line[:k] + b"E+%02d" % rng.randrange(100) + line[k + 4:]
        if i < len(lines):
            lines[i] = line
    return b"".join(lines)


def vokatool_read(tool, path, folder):
    """What vokatool convert gives: (records, lines left out, first), or None
    when the conversion fails."""
    work = os.path.join(folder, "w") + os.sep
    os.makedirs(work, exist_ok=True)
    for name in os.listdir(work):
        os.remove(os.path.join(work, name))
    run = subprocess.run([tool, "convert", path, "--work-dir", work], stdout=subprocess.DEVNULL,
                         stderr=subprocess.PIPE)
    if run.returncode == 1:
        return None
    if run.returncode != 0:
        raise RuntimeError("vokatool exited with %d: %s" % (run.returncode, run.stderr))
    left_out, first = 0, None
    pattern = re.compile(re.escape(path.encode()) + rb":(\d+): (.*?)(?: \(and (\d+) more lines?\))?$")
    for line in run.stderr.splitlines():
        m = pattern.match(line)
        if m:
            left_out += 1 + int(m.group(3) or 0)
            first = int(m.group(1)) if first is None else min(first, int(m.group(1)))
    with open(os.path.join(work, "work.$$$"), "rb") as f:
        return f.read(), left_out, first


def main():
    args = sys.argv[1:]
    tool, sim = args[0], args[1]
    option = dict(zip(args[2::2], args[3::2]))
    count = int(option.get("--count", "200"))
    seconds = float(option.get("--seconds", "0"))
    rng = random.Random(int(option.get("--seed", "1")))
    with tempfile.TemporaryDirectory() as folder:
        bases = pictures(sim, folder)
        if len(bases) < len(LAYOUTS):
            print("differential: vokasim made %d pictures" % len(bases))
            return 1
        path = os.path.join(folder, "m.pic")
        start = time.time()
        done = differ = 0
        while (done < count) if seconds == 0 else (time.time() - start < seconds):
            data = bases[done % len(bases)]
            data = mutate(rng, data) if done >= len(bases) else data
            with open(path, "wb") as f:
                f.write(data)
            mine = vokatool_read(tool, path, folder)
            theirs = second_reader.read(data)
            if theirs is not None:
                theirs = (b"".join(theirs[0]), theirs[1], theirs[2])
            if mine != theirs:
                differ += 1
                name = "differ-%d.pic" % differ
                with open(name, "wb") as f:
                    f.write(data)
                def said(r):
                    return "fails" if r is None else "%d records, %d lines left out, first %s" % (
                        len(r[0]) // 40, r[1], r[2])
                print("differ: %s: vokatool %s; second reader %s" % (name, said(mine), said(theirs)))
                if differ >= 5:
                    break
            done += 1
    print("differential: %d pictures, %d differ" % (done, differ))
    return 1 if differ else 0


if __name__ == "__main__":
    sys.exit(main())
