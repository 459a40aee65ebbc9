#!/usr/bin/env python3
"""Draws Brisvane's icon (a blue shield with a white tick) and writes it as a Windows .ico.

    scripts/make-icon.py [OUT.ico]        default: src/win32/res/brisvane.ico

The 16, 32 and 48 pixel images are 32-bit DIBs with an alpha channel and an AND mask for old readers;
the 256 pixel one is a PNG, as Windows Vista and later expect. Standard library only; the output is the
same on every run, so the committed file can be checked against the script.
"""
import os
import struct
import sys
import zlib

SIZES = (16, 32, 48, 256)

EDGE = (20, 62, 112)
TOP = (70, 150, 225)
BOTTOM = (28, 92, 170)
TICK = (255, 255, 255)


def inside_shield(x, y):
    """True when (x, y), in units of the icon's side, lies in the shield."""
    left, right, top, waist, tip = 0.14, 0.86, 0.07, 0.52, 0.95
    if y < top or y > tip:
        return False
    if y <= waist:
        r = 0.13  # rounded top corners
        if y < top + r and (x < left + r or x > right - r):
            cx = left + r if x < left + r else right - r
            return (x - cx) ** 2 + (y - (top + r)) ** 2 <= r * r
        return left <= x <= right
    # Below the waist the sides curve in to the tip.
    t = (y - waist) / (tip - waist)
    half = (right - left) / 2 * (1 - t ** 1.7) ** 0.75
    return abs(x - 0.5) <= half


def near_segment(x, y, a, b, width):
    ax, ay = a
    bx, by = b
    dx, dy = bx - ax, by - ay
    t = max(0.0, min(1.0, ((x - ax) * dx + (y - ay) * dy) / (dx * dx + dy * dy)))
    px, py = ax + t * dx, ay + t * dy
    return (x - px) ** 2 + (y - py) ** 2 <= (width / 2) ** 2


def sample(x, y, size):
    """Colour (r, g, b) of one point, or None outside the icon."""
    if not inside_shield(x, y):
        return None
    # Small images get a bolder edge and tick so that they stay readable.
    edge = max(1.2 / size, 0.035)
    ring = [(edge, 0), (-edge, 0), (0, edge), (0, -edge), (edge * 0.7, edge * 0.7), (-edge * 0.7, edge * 0.7),
            (edge * 0.7, -edge * 0.7), (-edge * 0.7, -edge * 0.7)]
    if not all(inside_shield(x + dx, y + dy) for dx, dy in ring):
        return EDGE
    tick = max(0.10, 2.2 / size)
    points = ((0.29, 0.50), (0.44, 0.66), (0.72, 0.33))
    if near_segment(x, y, points[0], points[1], tick) or near_segment(x, y, points[1], points[2], tick):
        return TICK
    t = (y - 0.07) / 0.88
    return tuple(round(a + (b - a) * t) for a, b in zip(TOP, BOTTOM))


def render(size):
    """Rows of (r, g, b, a), top row first, each pixel averaged over a grid of samples."""
    grid = 4 if size <= 48 else 3
    rows = []
    for py in range(size):
        row = []
        for px in range(size):
            r = g = b = covered = 0
            for sy in range(grid):
                for sx in range(grid):
                    colour = sample((px + (sx + 0.5) / grid) / size, (py + (sy + 0.5) / grid) / size, size)
                    if colour:
                        r, g, b = r + colour[0], g + colour[1], b + colour[2]
                        covered += 1
            if covered:
                row.append((r // covered, g // covered, b // covered, round(255 * covered / grid ** 2)))
            else:
                row.append((0, 0, 0, 0))
        rows.append(row)
    return rows


def dib(rows):
    size = len(rows)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    pixels = b"".join(bytes((b, g, r, a)) for row in reversed(rows) for r, g, b, a in row)
    mask_stride = ((size + 31) // 32) * 4
    mask = bytearray()
    for row in reversed(rows):
        bits = bytearray(mask_stride)
        for x, (_, _, _, a) in enumerate(row):
            if a == 0:
                bits[x // 8] |= 0x80 >> (x % 8)
        mask += bits
    return header + pixels + bytes(mask)


def png(rows):
    size = len(rows)

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    raw = b"".join(b"\0" + b"".join(bytes(p) for p in row) for row in rows)
    return (b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", struct.pack(">IIBBBBB", size, size, 8, 6, 0, 0, 0)) +
            chunk(b"IDAT", zlib.compress(raw, 9)) + chunk(b"IEND", b""))


def icon(images):
    out = struct.pack("<HHH", 0, 1, len(images))
    offset = 6 + 16 * len(images)
    data = b""
    for size, blob in images:
        side = 0 if size >= 256 else size
        out += struct.pack("<BBBBHHII", side, side, 0, 0, 1, 32, len(blob), offset + len(data))
        data += blob
    return out + data


def main():
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    out = sys.argv[1] if len(sys.argv) > 1 else os.path.join(root, "src", "win32", "res", "brisvane.ico")
    images = []
    for size in SIZES:
        rows = render(size)
        images.append((size, png(rows) if size >= 256 else dib(rows)))
    with open(out, "wb") as f:
        f.write(icon(images))
    print(out)


if __name__ == "__main__":
    main()
