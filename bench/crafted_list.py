#!/usr/bin/env python3
"""Writes a .chip list of N distinct devices whose duplicate keys all share one hash value under
the unkeyed hash the duplicate rules once used (three words multiplied by fixed odd constants,
then a fixed bijective mix): each key's first name word is solved for from the other two, so a
hash-table or hash-sort duplicate check that trusts that hash degrades to comparing every pair.

With --ordinary it writes the same kind of list (16-byte names of which the first 8 bytes look
random, one signature) without the collisions, as the baseline of the same size.

usage: crafted_list.py [--ordinary] N OUT.chip
"""
import random, struct, sys

M64 = (1 << 64) - 1
C0, C1, C2 = 0x9E3779B97F4A7C15, 0xC2B2AE3D27D4EB4F, 0x165667B19E3779F9
TARGET = 0x0123456789ABCDEF  # every key's pre-mix value; the mix after it is a bijection


def rotl(v, r):
    return ((v << r) | (v >> (64 - r))) & M64


def name_word(i):
    # Eight letters, distinct for every i (base 26), so w1 never holds a NUL.
    out = bytearray()
    for _ in range(8):
        out.append(ord('A') + i % 26)
        i //= 26
    return int.from_bytes(out, 'little')


def main():
    args = sys.argv[1:]
    ordinary = args and args[0] == '--ordinary'
    if ordinary:
        args = args[1:]
    n, path = int(args[0]), args[1]
    sig = (0x1E, 0x51, 0x06)
    w2 = sig[0] << 32 | sig[1] << 40 | sig[2] << 48  # name bytes 16..19 are NUL
    c0_inverse = pow(C0, -1, 1 << 64)
    mixed_w2 = rotl(w2 * C2 & M64, 17)
    rng = random.Random(1)
    recs = bytearray()
    made, i = 0, 0
    while made < n:
        w1 = name_word(i)
        i += 1
        if ordinary:
            w0 = rng.getrandbits(64)
        else:
            w0 = (TARGET ^ rotl(w1 * C1 & M64, 31) ^ mixed_w2) * c0_inverse & M64
        name = w0.to_bytes(8, 'little') + w1.to_bytes(8, 'little')
        if 0 in name:
            continue  # a NUL would end the name early and change the key
        recs += name + b'\0' * 4 + bytes([7, 0, 0, 0]) + struct.pack('<if', 64, 5.0) + bytes(sig) + b'\0'
        made += 1
    with open(path, 'wb') as f:
        f.write(struct.pack('<Ii', 1, n))
        f.write(recs)


main()
