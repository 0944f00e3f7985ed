#!/usr/bin/env python3
"""pad-exe.py EXE SIZE: grows EXE to exactly SIZE bytes with a fixed pattern
appended after its last section (an overlay the loader ignores), so the
application file has the release's size and the same bytes on every build."""

import os
import sys


def pattern(n):
    # Low-entropy bytes from xorshift32: compressible roughly as machine code
    # is, and without repeats inside deflate's 32 KiB window.
    s = 0x2F6E2B1
    out = bytearray()
    while len(out) < n:
        s ^= (s << 13) & 0xFFFFFFFF
        s ^= s >> 17
        s ^= (s << 5) & 0xFFFFFFFF
        out.append((s & 0x0F) * 17 if s & 0x300 else s >> 24)
    return bytes(out)


def main():
    exe, size = sys.argv[1], int(sys.argv[2])
    have = os.path.getsize(exe)
    if have > size:
        sys.exit("%s is %d bytes, more than the %d it must have" % (exe, have, size))
    block = pattern(40000)
    need = size - have
    with open(exe, "ab") as f:
        while need > 0:
            f.write(block[:need])
            need -= min(need, len(block))


if __name__ == "__main__":
    main()
