#!/usr/bin/env python3
"""Checks the fixed-point arithmetic against exact decimal arithmetic.

Runs the case generator, then recomputes every line with Python's decimal
module (exact at the precision used) and the rules of the arithmetic:
results at the left operand's scale, the six rounding modes, the
bit-length overflow test, and "MulNum: Int64 overflow" / "Division by
zero" where they are raised. Half-random ties accept either neighbour.
"""
import decimal
import itertools
import os
import subprocess
import sys
from decimal import Decimal

decimal.getcontext().prec = 500
decimal.getcontext().Emax = 10**6
decimal.getcontext().Emin = -10**6

INT64_MIN, INT64_MAX = -(1 << 63), (1 << 63) - 1
FIXED = {0: decimal.ROUND_HALF_UP, 1: decimal.ROUND_HALF_DOWN, 3: decimal.ROUND_UP,
         4: decimal.ROUND_DOWN, 5: decimal.ROUND_HALF_EVEN}


class Overflow(Exception):
    pass


class DivZero(Exception):
    pass


def bitlen(v):
    return abs(v).bit_length()


def may_overflow(a, b):
    return bitlen(a) + bitlen(b) > 63


class Rounder:
    """Rounds n/d to an integer; mode 2 takes its tie choices from a list."""

    def __init__(self, choices=()):
        self.choices = list(choices)

    def div(self, mode, n, d):
        if d == 0:
            raise DivZero()
        if mode == 2:
            rounding = decimal.ROUND_HALF_UP if (self.choices.pop(0) if self.choices else True) \
                else decimal.ROUND_HALF_DOWN
        else:
            rounding = FIXED.get(mode, decimal.ROUND_HALF_DOWN)
        q = int((Decimal(n) / Decimal(d)).quantize(Decimal(1), rounding=rounding))
        if not INT64_MIN <= q <= INT64_MAX:
            raise Overflow()
        return q


def rescale(r, mode, to_scale, from_scale, v):
    k = to_scale - from_scale
    if k == 0:
        return v
    if k < 0:
        return r.div(mode, v, 10 ** -k)
    if v == 0:
        return 0
    if k > 18 or may_overflow(10 ** k, v):
        raise Overflow()
    return v * 10 ** k


def strip(v, s):
    while v != 0 and abs(v) % 10 == 0:
        v = v // 10 if v > 0 else -((-v) // 10)
        s -= 1
    return v, s


def mul(r, xv, xs, mode, yv, ys):
    if not may_overflow(xv, yv):
        return rescale(r, mode, xs, xs + ys, xv * yv)
    half_up = Rounder()
    yi = half_up.div(0, yv, 10 ** ys)
    if may_overflow(yi, xv):
        raise Overflow()
    a, sa = strip(xv, xs)
    k = 0
    b = yv
    while may_overflow(b, a):
        k += 1
        b = half_up.div(0, yv, 10 ** k)
    return rescale(r, mode, xs, sa + ys - k, a * b)


def div(r, xv, xs, mode, yv, ys):
    if yv == 0:
        raise DivZero()
    if xv == 0:
        return 0
    b, sb = strip(yv, ys)
    a, sa = xv, xs
    while sa - sb < xs + 18 and not may_overflow(10, a):
        a *= 10
        sa += 1
    q = r.div(mode, a, b)
    return rescale(r, mode, xs, sa - sb, q)


def set_scale(r, v, s, mode, ns):
    if ns == s or v == 0:
        return v
    return rescale(r, mode, ns, s, v)


def outcome(fn, r):
    try:
        return str(fn(r))
    except Overflow:
        return "OVF"
    except DivZero:
        return "DIV0"


def expected(fields, choices):
    op = fields[0]
    r = Rounder(choices)
    if op == "R":
        mode, d, n = map(int, fields[1:4])
        return outcome(lambda r: r.div(mode, n, d), r), mode
    if op == "S":
        v, s, mode, ns = map(int, fields[1:5])
        return outcome(lambda r: set_scale(r, v, s, mode, ns), r), mode
    xv, xs, mode, yv, ys = map(int, fields[1:6])
    fn = mul if op == "M" else div
    return outcome(lambda r: fn(r, xv, xs, mode, yv, ys), r), mode


def allowed(fields):
    first, mode = expected(fields, ())
    if mode != 2:
        return {first}
    return {expected(fields, c)[0] for c in itertools.product((True, False), repeat=3)}


def main():
    generator, path = sys.argv[1], sys.argv[2]
    count = sys.argv[3] if len(sys.argv) > 3 else "100000"
    # ZEF_RUN32: how to start a 32-bit program here (empty, or the emulator).
    run32 = os.environ.get("ZEF_RUN32", "").split()
    subprocess.run(run32 + [generator, path, count], check=True, timeout=300)
    checked, failures, raised = 0, 0, 0
    with open(path) as cases:
        for line in cases:
            fields = line.split()
            got = fields[-1]
            ok = allowed(fields[:-1])
            checked += 1
            raised += got in ("OVF", "DIV0")
            if got not in ok:
                failures += 1
                if failures <= 20:
                    print("MISMATCH:", line.strip(), "expected one of", sorted(ok))
    print(f"{checked} operations checked, {raised} raised, {failures} mismatches")
    return 1 if failures or checked == 0 else 0


if __name__ == "__main__":
    sys.exit(main())
