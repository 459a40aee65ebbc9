#!/usr/bin/env python3
"""Writes a torrent whose info dictionary is about SIZE bytes (default 16 MB), and that dictionary's
exact bytes beside it, so a benchmark can hash the same span with another tool.

    make_big_torrent.py OUT.torrent OUT.span [SIZE]
"""
import random
import sys


def bstr(b):
    return str(len(b)).encode() + b':' + b


def main():
    out, span_out = sys.argv[1], sys.argv[2]
    size = int(sys.argv[3]) if len(sys.argv) > 3 else 16_000_000
    rng = random.Random(16)
    pieces = rng.randbytes(size // 20 * 20)
    info = (b'd' + bstr(b'length') + b'i%de' % (len(pieces) // 20 * 262144) + bstr(b'name') + bstr(b'big.iso')
            + bstr(b'piece length') + b'i262144e' + bstr(b'pieces') + bstr(pieces) + b'e')
    torrent = (b'd' + bstr(b'announce') + bstr(b'http://tracker.example.invalid/announce')
               + bstr(b'comment') + bstr(b'benchmark') + bstr(b'info') + info + b'e')
    with open(out, 'wb') as f:
        f.write(torrent)
    with open(span_out, 'wb') as f:
        f.write(info)


if __name__ == '__main__':
    main()
