#!/usr/bin/env python3
"""Reference model of regime labelling and the equal-weight series.

Written from the formulas independently of the C++ code and run once to produce the known
answers in lib_test.cpp. It recomputes every window from scratch (no running sums) and takes
the volatility as the direct sum of (r - q)^2, so it also checks the running-sum identity of
the C++ code. Python's // floors, so divisions go through tdiv. Run: python3 regime_model.py
"""
import math

M128 = 1 << 128


def w(v):
    v %= M128
    return v - M128 if v >= 1 << 127 else v


def tdiv(a, b):
    q = abs(a) // abs(b)
    return q if (a >= 0) == (b > 0) else -q


def regime_labels(p):
    n = len(p)
    if n < 2:
        return []
    r = []
    for j in range(1, n):
        if p[j - 1] <= 0:
            r.append(0)
        else:
            r.append(min(max(tdiv((p[j] - p[j - 1]) * 10000, p[j - 1]), -10000), 1000000))
    labelled = list(range(99, n - 1))
    if not labelled:
        return [255] * (n - 1)
    up, vol = {}, {}
    for k in labelled:
        up[k] = 1 if 100 * p[k] > sum(p[k - 99:k + 1]) else 0
        win = r[k - 30:k]
        assert len(win) == 30
        q = tdiv(sum(win), 30)
        F = sum((x - q) ** 2 for x in win)
        vol[k] = math.isqrt(F // 30)
    s = sorted(vol.values())
    N = len(s)
    t1, t2 = s[N // 3], s[2 * N // 3]
    out = [255] * (n - 1)
    for k in labelled:
        code = 4 if vol[k] > t2 else 2 if vol[k] > t1 else 0
        out[k] = code + up[k]
    return out


def equal_weight_series(series):
    if len(series) == 1:
        return list(series[0])
    n = len(series[0])
    K = len(series)
    value = [100_000]
    for t in range(1, n):
        rets = []
        for s in series:
            rets.append(0 if s[t - 1] == 0 else tdiv((s[t] - s[t - 1]) * 10000, s[t - 1]))
        m = tdiv(sum(rets), K)
        v = w(value[-1] * (10000 + m))
        value.append(min(max(tdiv(v, 10000), 1), 2**63 - 1))
    return value


def lcg_prices(n, seed):
    """The test's deterministic price walk: x = x * 6364136223846793005 + 1442695040888963407
    modulo 2^64; each step moves the price by ((x >> 33) % 20001 - 10000) / 10000 percent, and a
    burst of wider moves (x 4) in steps 150 .. 199."""
    x = seed
    price = 1_000_000_000
    out = [price]
    for i in range(1, n):
        x = (x * 6364136223846793005 + 1442695040888963407) % 2**64
        move = (x >> 33) % 20001 - 10000
        if 150 <= i < 200:
            move *= 4
        price = price + price * move // 1_000_000
        out.append(price)
    return out


def text(labels):
    return "".join("." if v == 255 else str(v) for v in labels)


def counts(labels):
    return [labels.count(b) for b in range(6)]


if __name__ == "__main__":
    walk = lcg_prices(400, 42)
    print("walk[0..4]", walk[:5], "walk[-1]", walk[-1])
    lab = regime_labels(walk)
    print("walk labels", text(lab))
    print("walk counts", counts(lab))
    # three labelled positions: only the returns into bars 100 and 101 move
    p = [1_000_000] * 100 + [1_010_000, 1_040_000, 1_040_000]
    print("ties", text(regime_labels(p)[99:]))
    print("101 rising", text(regime_labels(list(range(1_000_000, 1_000_101)))[99:]))
    print("101 falling", text(regime_labels(list(range(1_000_101, 1_000_000, -1)))[99:]))
    print("constant", counts(regime_labels([5_000_000] * 150)))
    # non-positive previous prices and a -150 % step
    q = lcg_prices(140, 7)
    q[110] = 0
    q[120] = -3_000_000
    q[130] = -(q[129] // 2)
    print("nonpositive labels", text(regime_labels(q)[99:]))
    print("ew -150%", equal_weight_series([[100, -50], [100, 100]]))
    print("ew to zero", equal_weight_series([[100, 0, 0], [100, 0, 5]]))
    print("ew negative prev", equal_weight_series([[-100, -50], [-100, -100]]))
    print("ew ceiling+wrap", equal_weight_series([[1, 2**62, 2**62], [1, 1, 2**62]]))
    a, b, c = lcg_prices(40, 1), lcg_prices(40, 2), lcg_prices(40, 3)
    print("ew three", equal_weight_series([a, b, c]))
    print("ew longer second", equal_weight_series([a[:10], b]))
    ew = equal_weight_series([lcg_prices(300, 11), lcg_prices(300, 12)])
    print("ew300 counts", counts(regime_labels(ew)))
