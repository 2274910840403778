#!/usr/bin/env python3
# Independent reference for the data-root tests (tests/merkle_test.cpp): builds every hashed
# message byte by byte with struct.pack and hashes it with hashlib.sha256, then prints one
# "name hex" line per case. Run: python3 kovra-core/tests/data/data_roots_reference.py
import hashlib
import struct


def h(b):
    return hashlib.sha256(b).digest()


def bar(i):
    # The same test bars as bar_at() in merkle_test.cpp: a negative member and i64 max too.
    return (1700000000 + 86400 * i, 100000000 + i, 101000000 + 7 * i, -5 - i, 2**63 - 1 - i)


def leaf(i, b):
    return h(b"\x03" + struct.pack("<Q", i) + struct.pack("<5q", *b))


def merkle(bars):
    if not bars:
        return h(b"\x02KOVRA_EMPTY")
    level = [leaf(i, b) for i, b in enumerate(bars)]
    while len(level) > 1:
        nxt = [h(b"\x01" + level[k] + level[k + 1]) for k in range(0, len(level) - 1, 2)]
        if len(level) % 2:
            nxt.append(level[-1])
        level = nxt
    return level[0]


def series(n, start=0):
    return [bar(start + i) for i in range(n)]


def portfolio(assets):
    if len(assets) == 1:
        return merkle(assets[0])
    msg = b"KOVRA_PORTFOLIO_ROOT_V2" + struct.pack("<Q", len(assets))
    for j, a in enumerate(assets):
        msg += struct.pack("<Q", j) + merkle(a)
    return h(msg)


def vrp(u, iv):
    msg = b"KOVRA_VRP_ROOT_V1" + b"UNDERLYING" + merkle(u) + b"IV_INDEX" + merkle(iv)
    assert len(msg) == 99
    return h(msg)


def carry(ts, rates):
    msg = b"KOVRA_CARRY_ROOT_V2" + struct.pack("<Q", len(ts)) + b"".join(struct.pack("<q", t) for t in ts)
    msg += struct.pack("<Q", len(rates))
    for j, r in enumerate(rates):
        msg += struct.pack("<QQ", j, len(r)) + b"".join(struct.pack("<q", v) for v in r)
    return h(msg)


cases = {}
for n in (0, 1, 2, 3, 5):
    cases[f"merkle_{n}"] = merkle(series(n))
cases["portfolio_0"] = portfolio([])
cases["portfolio_2"] = portfolio([series(2), series(3, 10)])
cases["portfolio_2_swapped"] = portfolio([series(3, 10), series(2)])
cases["vrp_3_2"] = vrp(series(3), series(2, 20))
cases["vrp_0_0"] = vrp([], [])
cases["carry_empty"] = carry([], [])
cases["carry_no_rates"] = carry([1700000000, 1700028800, -1], [])
cases["carry_two_lists"] = carry([1700000000, 1700028800, 1700057600], [[-25, 0, 1], [7, 2**63 - 1]])
for name, v in cases.items():
    print(name, v.hex())
