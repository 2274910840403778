#!/usr/bin/env python3
"""Reference model of the fixed-point statistics, in Python's unbounded integers.

Written straight from the formulas, independently of the C++ code, and run once to produce
the known answers in dsr_test.cpp and fixed_point_test.cpp. Signed 128-bit wrapping is
emulated by reducing every sum and product modulo 2^128; Python's // floors, so divisions go
through tdiv, which truncates toward zero. Run: python3 fixed_point_model.py
"""
import math

S = 1_000_000
M128 = 1 << 128


def w(v):
    """Reduce to a signed 128-bit two's-complement value."""
    v %= M128
    return v - M128 if v >= 1 << 127 else v


def tdiv(a, b):
    q = abs(a) // abs(b)
    return w(q if (a >= 0) == (b > 0) else -q)


def mul(a, b):
    return tdiv(w(a * b), S)


def isqrt(v):
    return math.isqrt(v) if v > 0 else 0


def harvey_liu_t(sr, n):
    return 0 if n == 0 else mul(sr, isqrt(n * 10**12))


def series(y):
    z = tdiv(w((y - S) * S), y + S)
    z2 = mul(z, z)
    z3 = mul(z, z2)
    z5 = mul(z2, z3)
    return w(z + tdiv(w(z * z2), 3_000_000) + tdiv(w(z2 * z3), 5_000_000)
             + tdiv(w(z2 * z5), 7_000_000))


def ln_int(n):
    k = n.bit_length() - 1
    y = (n * S) >> k
    return w(2 * series(y) + k * 693_147)


def tail_q(q):
    den = w(mul(q, w(mul(q, w(mul(q, w(mul(q, 7_785) + 322_467)) + 2_445_134)) + 3_754_409)) + S)
    h = w(mul(q, w(mul(q, w(mul(q, w(mul(q, -7_785) - 322_396)) - 2_400_758)) - 2_549_733)) + 4_374_664)
    num = w(mul(q, h) + 2_938_164)
    return w(-tdiv(w(num * S), den))


def inverse_normal_tail(L):
    q = 0 if L <= 0 else isqrt(w(L * 2_000_000))
    return tail_q(q)


def inverse_normal(p):
    if p >= S or p < 0:
        return 50_000_000
    if p >= 975_751:
        wv = S - p
        j = 0
        while wv * 2 ** (j + 1) < S:
            j += 1
        y = wv * 2 ** (j + 1)
        assert S <= y < 2 * S
        A = -series(y)
        B = 4 * A + (j + 1) * 1_386_294
        q = isqrt(B * S) if B > 0 else 0
        return tail_q(q)
    q = p - 500_000
    r = tdiv(q * q, S)
    n = 220_946_098 - mul(r, 39_696_830)
    n = mul(r, n) - 275_928_510
    n = mul(r, n) + 138_357_752
    n = mul(r, n) - 30_664_798
    nc = mul(r, n) + 2_506_628
    d = 161_585_837 - mul(r, 54_476_099)
    d = mul(r, d) - 155_698_980
    d = mul(r, d) + 66_801_312
    d = mul(r, d) - 13_280_682
    den = mul(r, d) + S
    return tdiv(w(mul(q, nc) * S), den)


def expected_max_sharpe(N):
    if N < 2:
        return 0
    L = ln_int(N)
    q1 = inverse_normal_tail(L) if N >= 42 else inverse_normal(S - 10**12 // (N * S))
    q2 = inverse_normal_tail(L + S) if N >= 16 else inverse_normal(S - 10**12 // (N * 2_718_282))
    return w(tdiv(w(q1 * 422_784), S) + tdiv(w(q2 * 577_216), S))


def gaussian(xx):
    """e^(-x^2) from the raw wrapped square; a shift by l means division by 2^l."""
    if xx > 89_999_999_999_999:
        return 0
    if xx < -89_999_999_999_999:
        return 2**63 - 1
    y = tdiv(xx, -S)
    l = tdiv(-y + 346_573, 693_147)
    s = y + l * 693_147
    s1 = s
    s2 = tdiv(s * s1, 2_000_000)
    s3 = tdiv(s * s2, 3_000_000)
    s4 = tdiv(s * s3, 4_000_000)
    s5 = tdiv(s * s4, 5_000_000)
    s6 = tdiv(s * s5, 6_000_000)
    num = S + s1 + s2 + s3 + s4 + s5 + s6
    if l >= 0:
        return tdiv(num, 2**l)          # exact quotient, truncated
    return w(num * 2**(-l))              # division by 2^l with l < 0, kept modulo 2^128


def probabilistic_sharpe(sr, srb, n, g3, g4):
    if n < 2:
        return 500_000
    var = w(tdiv(w(sr * g3), -S) + mul(tdiv(w(g4 - S), 4), mul(sr, sr)) + S)
    if var <= 1:
        var = 1
    if var * S >= 1 << 127:
        return None
    den = isqrt(var * S)
    root = isqrt((n - 1) * 10**12)
    z = tdiv(w(mul(w(sr - srb), root) * S), den)
    x = tdiv(w(z * S), 1_414_214)
    E = gaussian(w(x * x))
    t = tdiv(10**12, w(S + tdiv(w(abs(x) * 327_591), S)))
    P = mul(t, w(mul(t, w(mul(w(1_421_414 - mul(w(1_453_152 - mul(t, 1_061_405)), t)), t) - 284_497)) + 254_830))
    erf = w(S - tdiv(w(E * P), S))
    if x < 0:
        erf = w(-erf)
    return tdiv(w(S + erf), 2)


def min_backtest_length(N, sr):
    if sr <= 0:
        return -1
    if N < 2:
        return 2
    f = tdiv(w(expected_max_sharpe(N) * S), sr)
    l = mul(f, f)
    m = tdiv(w(l + 999_999), S)
    return m if m > 2 else 2


def marchenko_pastur_upper(n, t):
    if not (2 <= n < t):
        return None
    ratio = (n * S) // t
    s = isqrt(ratio * S)
    return mul(S + s, S + s)


def sharpe_bar(min_sharpe, ppy):
    den = max(isqrt(ppy * 10**12), 1)
    return tdiv(min_sharpe * 10**10, den)


# var * S fits in a signed 128-bit value exactly up to this variance.
VMAX = (2**127 - 1) // S

# An SR (with benchmark 0, n = 2, skewness 0, kurtosis 1.0, so that z = SR) whose x = z/sqrt2
# has a square that wraps to -9,116,395,991,095: the exponential's range reduction then asks for
# a shift by l = -12. Found by solving x = 2^64 c - d with c d = g (mod 2^63) and
# d^2 = 2^65 g - m for a small m (g = 8,307,260).
X_NEG_SHIFT_SR = 67_472_481_170_738_227_806_538_038_284_090


if __name__ == "__main__":
    print("isqrt", [isqrt(v) for v in (0, 1, 2, 3, 15, 16, 2**128 - 1, 2**126, 2**126 - 1)])
    print("sharpe_bar 120/252", sharpe_bar(120, 252), "120/0", sharpe_bar(120, 0),
          "-120/252", sharpe_bar(-120, 252), "i64min/1", sharpe_bar(-2**63, 1))
    for sr, n in [(123_456, 0), (123_456, 1), (123_456, 4), (-98_765, 252), (75_000, 1000),
                  (2**100, 2**64 - 1)]:
        print("hlt", sr, n, harvey_liu_t(sr, n))
    for n in (2, 3, 10, 1000, 2**64 - 1):
        print("ln", n, ln_int(n))
    for p in (0, 1, 25_000, 500_000, 841_345, 975_000, 975_750, 975_751, 990_000, 999_999,
              1_000_000, -1):
        print("invn", p, inverse_normal(p))
    for L in (0, -5, 693_147, 4_605_170, 44_361_419):
        print("tail", L, inverse_normal_tail(L))
    for N in (0, 1, 2, 15, 16, 41, 42, 100, 1000, 2**64 - 1):
        print("emax", N, expected_max_sharpe(N))
    for args in [(100_000, 100_000, 252, 0, 3_000_000),
                 (100_000, 75_592, 252, -500_000, 4_000_000),
                 (100_000, 75_592, 1, 0, 3_000_000),
                 (150_000, 0, 1000, 0, 3_000_000),
                 (-150_000, 0, 1000, 0, 3_000_000),
                 (2_000_000, 0, 10_000, 0, 3_000_000),     # x^2 above the bound
                 (-2_000_000, 0, 10_000, 0, 3_000_000),
                 (1_000_000, 0, 2, 5_000_000, 0),          # negative variance term -> 1
                 (10**16, 0, 2, 0, 10**24),                # var * S does not fit
                 (10**15, 0, 2, 0, 10**6 + 8 * 10**14),    # var just fits
                 (65_000, 0, 170, 0, 3_000_000),           # moderate x
                 (1_000_000, 0, 2, 1_000_000 - VMAX, 1_000_000),      # var * S just fits
                 (1_000_000, 0, 2, 1_000_000 - VMAX - 1, 1_000_000),  # one more: it does not
                 (X_NEG_SHIFT_SR, 0, 2, 0, 1_000_000),     # x^2 wraps to -9,116,395,991,095
                 (13_364_323, 0, 2, 0, 1_000_000),         # x = 9,450,000: shift of 129
                 (2**100, -2**100, 2**64 - 1, 2**90, -2**95),          # wrapping everywhere
                 (-2**126, 2**126, 3, -2**120, 2**121),
                 (123_456_789_012, -987_654, 5_000, 333_333, 9_876_543),
                 # products that wrap, yet a PSR strictly between 0 and 1 (random search)
                 (-950944980665499232, 3493972486306907578, 62, -709724754949243331896765083,
                  50647580054261186559392853463),
                 (188777417607927825, 11718, 81, -382769027969768050430992, -91618479),
                 (-3904913853099731413, 3413919413366, 15, 108353326807529108514, 3),
                 ]:
        print("psr", args, probabilistic_sharpe(*args))
    for xx in (-9_116_395_991_095, -1_000_000_000_000, -1_039_720_000_000, -89_999_999_999_999,
               -90_000_000_000_000, 0, 1_000_000, 693_147_000_000, 88_376_243_000_000,
               89_999_999_999_999, 90_000_000_000_000):
        print("gauss", xx, gaussian(xx))
    for sr, srb, n in [(0, 0, 2), (75_592, 75_592, 252), (-3_000_000, -3_000_000, 2**64 - 1)]:
        print("psr sr=sr*", sr, n, probabilistic_sharpe(sr, srb, n, 1_234_567, 7_654_321))
    for N, sr in [(10, 0), (10, -5), (1, 50_000), (0, 50_000), (100, 100_000), (2, 10**9),
                  (1000, 1), (42, 75_000)]:
        print("minbtl", N, sr, min_backtest_length(N, sr))
    for n, t in [(1, 10), (5, 5), (6, 5), (2, 3), (2, 3_000_000), (10, 252), (2, 2**64 - 1),
                 (2**64 - 2, 2**64 - 1)]:
        print("mp", n, t, marchenko_pastur_upper(n, t))
