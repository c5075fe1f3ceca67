#!/usr/bin/env python3
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the starting files of fuzz/corpus/dbfile (run once; the files are kept)."""
import os
import struct

NULL_UID = 0xFF00FF00
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "corpus", "dbfile")


def u32(v):
    return struct.pack("<I", v & 0xFFFFFFFF)


def database(records, next_uid, categories=("Unfiled",), capacity=1000):
    out = b"ataD" + b"cviK" + u32(next_uid) + u32(capacity) + u32(len(records))
    for uid, attributes, data in records:
        out += u32(uid) + u32(attributes) + u32(len(data)) + data
    block = b""
    for i in range(16):
        name = categories[i].encode() if i < len(categories) else b""
        block += name[:15].ljust(16, b"\0")
    return out + block


def real(x, unit=NULL_UID):
    return b"\0" * 8 + struct.pack("<d", x) + u32(unit) + b"\0" * 4


def integer(v):
    return b"\x01" + b"\0" * 7 + (v & (2**128 - 1)).to_bytes(16, "little")


def state(uid, stack, top, values=(), entry=b"", entry_unit=NULL_UID, buttons=()):
    b = bytearray(800 + 24 * stack)
    b[4:8] = u32(uid)
    b[16], b[18], b[22] = 32, 1, 10
    b[24:30] = bytes([3, 4, 3, 3, 8, 0])
    b[36] = b[37] = 1
    b[44:48] = u32(stack)
    b[48:52] = u32(len(entry) if entry else -1)
    b[52:56] = u32(top)
    for i in range(50):
        b[76 + 4 * i:80 + 4 * i] = u32(buttons[i] if i < len(buttons) else NULL_UID)
    b[276:280] = u32(entry_unit)
    if entry:
        b[280:280 + len(entry) + 2] = entry + b"_\0"
    for i in range(10):
        b[464 + 24 * i:488 + 24 * i] = real(0.0)
    for i, v in enumerate(values):
        b[800 + 24 * i:824 + 24 * i] = v
    return bytes(b)


def unit(uid, name, magnitude=1.0, definition=NULL_UID, fields=b""):
    return bytes([0x80, 0, 0, 0]) + u32(uid) + struct.pack("<d", magnitude) + u32(definition) + \
        name.encode() + b"\0" + fields


def zero_point(z):
    return bytes([1, 8]) + struct.pack("<d", z)


def long_name(text):
    return bytes([2, len(text)]) + text


def expression(uid, components):
    out = bytes([0x40, len(components), 0, 0]) + u32(uid)
    for unit_uid, prefix, exponent in components:
        out += u32(unit_uid) + struct.pack("<bb", prefix, exponent) + b"\0\0"
    return out


def main():
    os.makedirs(OUT, exist_ok=True)
    seeds = {
        "empty": database([], 1),
        "fresh_state": database([(1, 1, state(1, 16, -1))], 2),
        "small_stack_units": database([
            (1, 1, state(1, 4, 1, [real(5.0, 6), integer(-3)], entry=b"12\xca5", entry_unit=7)),
            (2, 2, unit(2, "m")),
            (3, 2, unit(3, "s")),
            (4, 2, unit(4, "ft", 0.3048, 5)),
            (5, 1, expression(5, [(2, 0, 1)])),
            (6, 1, expression(6, [(2, 3, 1), (3, 0, -2)])),
            (7, 1, expression(7, [(4, 0, 2)])),
        ], 9, ("Unfiled", "Length", "Time")),
        "dangling_refs": database([
            (1, 1, state(1, 8, 2, [real(1.5, 40), real(2.0, 3), real(7.0)], buttons=[3, 41])),
            (3, 1, expression(3, [(99, 0, 1)])),
        ], 50),
        "scales": database([
            (1, 1, state(1, 4, 1, [real(20.0, 7), real(5.0, 8)])),
            (2, 2, unit(2, "K")),
            (3, 2, unit(3, "degC", 1.0, 5, zero_point(273.15))),
            (4, 2, unit(4, "Cdeg", 1.0, 6, bytes([9, 2, 0x41, 0x42]))),
            (5, 1, expression(5, [(2, 0, 1)])),
            (6, 1, expression(6, [(3, 0, 1)])),
            (7, 1, expression(7, [(3, 0, 1)])),
            (8, 1, expression(8, [(2, 0, 1)])),
        ], 9),
        "long_names": database([
            (1, 1, state(1, 4, 0, [real(3.0, 3)])),
            (2, 1, unit(2, "m", fields=long_name(b"metre"))),
            (3, 1, unit(3, "fur", 201.168, 7, long_name(b"furlong (international)") +
                        zero_point(1.0) + long_name(b"second"))),
            (4, 1, unit(4, "ft", 0.3048, 8, long_name(b"x" * 60))),
            (5, 1, unit(5, "yd", 0.9144, 9, long_name(b"bad \x01 byte"))),
            (6, 1, unit(6, "in", 0.0254, 10, long_name(b" padded") + long_name(b""))),
            (7, 1, expression(7, [(2, 0, 1)])),
            (8, 1, expression(8, [(2, 0, 1)])),
            (9, 1, expression(9, [(2, 0, 1)])),
            (10, 1, expression(10, [(2, 0, 1)])),
        ], 11, ("Unfiled", "Length")),
        "all_categories": database([(1, 0x51, state(1, 4, -1))], 0x1000,
                                   tuple("Cat%d" % i for i in range(16)), capacity=3),
    }
    for name, data in seeds.items():
        assert len(data) < 4096, name
        with open(os.path.join(OUT, name), "wb") as f:
            f.write(data)


if __name__ == "__main__":
    main()
