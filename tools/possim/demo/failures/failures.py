#!/usr/bin/env python3
"""The three commonest failures on the fiscal register emulator, as the
integrators' guide (docs/integrators.md) tells them: paper out during a
receipt, a driver library missing, and the register's clock off; and, to
compare with, a good receipt; last, the order saved when the paper ran out,
replayed as support replays it (possim --datasets).

For each failure the POS simulator creates the device and prints the demo
order; then this script shows what the POS heard (the exports' answers and
the cashier's dialogs) and the journal lines that the guide quotes, as the
adapter wrote them. A quoted line that the adapter did not write is an
error: the script says which and exits 1.

    failures.py --bin BUILD/bin --guide docs/integrators.md [--work DIR] [--quiet]

The guide quotes a failure in fenced blocks, each after a marker line
"<!-- demo-failures NAME pos -->" (what the POS hears) or
"<!-- demo-failures NAME journal -->" (the device journal). Every quoted
line must appear in that output, in the quoted order. The blocks after
"<!-- demo-failures NAME emulator -->" and "<!-- demo-failures NAME device -->"
give the lines this script adds to the emulator's configuration and to the
device parameters for the failure (none: no block); they must be those. Time stamps are not
compared, nor the register's clock and the seconds of the clock difference
(the emulator's clock and the computer's may fall into different seconds).

ZEF_RUN32, when set, is the prefix that starts 32-bit programs (qemu-i386).
"""
import argparse
import os
import re
import shlex
import shutil
import subprocess
import sys
import tempfile

HERE = os.path.dirname(os.path.abspath(__file__))
DEMO = os.path.dirname(HERE)

EMULATOR = """serial = 0429000111
options = foText foZReport foXReport foMoneyInOut foCheckCopy foCancelBill foAbsItemDiscount foCalcChange
protocol = 40
rounding = 0.01
taxes = 1:2000 2:1000 3:0
"""

# name: (title, what is wrong on the emulator, extra device parameters)
FAILURES = [
    ("good-receipt", "First, a good receipt to compare with", "", ""),
    ("paper-out", "Paper out during a receipt",
     "fault = ZefFiscalDocument 203 1\nlogic_code = 4\n"
     "logic_utf8 = Paper out: the cover is open or the roll is empty\n",
     ""),
    ("missing-driver", "A driver library missing",
     "",
     "0 = fiscaldriver.so\n"),
    ("clock-off", "The register's clock off",
     "clock_offset = -600\n",
     "6 = 0\n36 = 300\n37 = 60\n"),
    ("replay", "Support replays the order saved when the paper ran out", "", ""),
]

# What the simulator prints: the demo order, or the saved one.
ORDER = ["--order", "dinner.order"]
DOCUMENTS = {"replay": ["--datasets", "FRErrorInputData.log", "--kind", "1", "--flags", "0x2E"]}

MASKS = [
    (re.compile(r"\b\d\d:\d\d:\d\d\.\d\d\d\b"), "hh:nn:ss.zzz"),
    (re.compile(r"\b\d\d\.\d\d\.\d\d(\d\d)? \d\d:\d\d:\d\d\b"), "dd.mm.yy hh:nn:ss"),
    (re.compile(r"\b\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d\b"), "yyyy-mm-ddThh:nn:ss"),
    (re.compile(r"InternalDate = \d+, InternalTime = \d+"), "InternalDate = D, InternalTime = T"),
    (re.compile(r"\(\d+ seconds\)"), "(N seconds)"),
]


def masked(line):
    for pattern, mask in MASKS:
        line = pattern.sub(mask, line)
    return line.rstrip()


def read_text(path):
    if not os.path.exists(path):
        return ""
    with open(path, "rb") as f:
        return f.read().decode("utf-8", errors="replace").replace("\r\n", "\n").replace("\r", "\n")


def quoted_blocks(guide):
    """{(name, kind): [lines]} of the guide's quoted blocks."""
    blocks = {}
    lines = read_text(guide).split("\n")
    marker = re.compile(r"<!-- demo-failures (\S+) (pos|journal|emulator|device) -->")
    i = 0
    while i < len(lines):
        m = marker.match(lines[i].strip())
        i += 1
        if not m:
            continue
        while i < len(lines) and not lines[i].startswith("```"):
            i += 1
        i += 1
        block = []
        while i < len(lines) and not lines[i].startswith("```"):
            block.append(lines[i])
            i += 1
        blocks[(m.group(1), m.group(2))] = block
    return blocks


def find_in_order(quoted, actual):
    """The actual lines matching the quoted ones in order, and the first
    quoted line not found (None when all were)."""
    found, at = [], 0
    keys = [masked(line) for line in actual]
    for line in quoted:
        want = masked(line)
        while at < len(keys) and keys[at] != want:
            at += 1
        if at == len(keys):
            return found, line
        found.append(actual[at])
        at += 1
    return found, None


def run_failure(bin_dir, work, name, emulator_lines, params_lines, document):
    folder = os.path.join(work, name)
    if os.path.exists(folder):
        shutil.rmtree(folder)
    os.makedirs(folder)
    shutil.copy(os.path.join(DEMO, "dinner.order"), folder)
    if document[0] == "--datasets":
        shutil.copy(os.path.join(work, "paper-out", document[1]), folder)
    with open(os.path.join(folder, "emulator.cfg"), "w") as f:
        f.write(EMULATOR + emulator_lines)
    journal = os.path.join(folder, "zefor%d.log")
    with open(os.path.join(folder, "params.cfg"), "w") as f:
        for part in ("params.cfg", "receipts.cfg"):
            f.write(read_text(os.path.join(DEMO, part)))
        f.write("\n[device * 0]\n4 = %s\n%s" % (journal, params_lines))
        f.write("\n[service]\nlog = dialogs.log\n")
    env = dict(os.environ)
    env["EMULATOR_CONFIG"] = os.path.join(folder, "emulator.cfg")
    env["NOLVEX32_LOG"] = os.path.join(folder, "nolvex32.log")
    command = shlex.split(os.environ.get("ZEF_RUN32", "")) + [
        os.path.join(bin_dir, "possim"), "--config", os.path.join(folder, "params.cfg"), "--device", "0",
        ] + document
    result = subprocess.run(command, cwd=folder, env=env, stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                            timeout=120)
    pos = result.stdout.decode("utf-8", errors="replace").replace("\r\n", "\n")
    pos += read_text(os.path.join(folder, "dialogs.log"))
    return folder, pos.split("\n"), read_text(journal % 1).split("\n")


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("--bin", required=True)
    parser.add_argument("--guide", required=True)
    parser.add_argument("--work")
    parser.add_argument("--quiet", action="store_true")
    args = parser.parse_args()
    args.bin = os.path.abspath(args.bin)
    say = (lambda text: None) if args.quiet else print
    blocks = quoted_blocks(args.guide)
    work = args.work or tempfile.mkdtemp(prefix="demo-failures-")
    os.makedirs(work, exist_ok=True)
    failed = 0
    for name, title, emulator_lines, params_lines in FAILURES:
        document = DOCUMENTS.get(name, ORDER)
        folder, pos, journal = run_failure(args.bin, work, name, emulator_lines, params_lines, document)
        say("=" * 78)
        say("%s (%s)" % (title, name))
        say("=" * 78)
        say("What the POS hears (the simulator's calls, then the cashier's dialogs):")
        for line in pos:
            if line.strip():
                say("  " + line)
        for kind, actual, label in (("pos", pos, "the POS's side"), ("journal", journal, "the journal")):
            quoted = blocks.get((name, kind))
            if not quoted:
                print("%s: the guide quotes nothing of %s for %s" % (args.guide, label, name))
                failed += 1
                continue
            found, missing = find_in_order(quoted, actual)
            if kind == "journal":
                say("The journal lines the guide quotes, as the adapter wrote them:")
                for line in found:
                    say("  " + line)
            if missing is not None:
                print("%s: %s of %s does not have the quoted line:\n  %s" % (args.guide, label, name, missing))
                failed += 1
        for kind, lines in (("emulator", emulator_lines), ("device", params_lines)):
            quoted = [line.strip() for line in blocks.get((name, kind), []) if line.strip()]
            if quoted != [line.strip() for line in lines.split("\n") if line.strip()]:
                print("%s: the %s lines the guide gives for %s are not the demo's:\n  %s" %
                      (args.guide, kind, name, "\n  ".join(lines.strip().split("\n"))))
                failed += 1
        if document == ORDER:
            saved = sorted(f for f in os.listdir(folder) if f.startswith("FR"))
            say("Files saved in the POS's current folder: " + (", ".join(saved) if saved else "none"))
        say("")
    if failed:
        print("%d block(s) of the guide do not match the demo (outputs in %s)" % (failed, work))
        return 1
    if not args.work:
        shutil.rmtree(work)
    say("Every line the guide quotes is one the adapter wrote.")
    return 0


if __name__ == "__main__":
    sys.exit(main())
