#!/usr/bin/env python3
"""Draws the program icon (a rounded blue tile with a white V) as a multi-size .ico.

usage: make_icon.py OUTPUT.ico
"""
import struct
import sys

SIZES = (16, 24, 32, 48, 64)


def pixel(x: float, y: float) -> tuple:
    """Colour at unit coordinates (0..1, y down), as (b, g, r, a)."""
    r = 0.2
    cx = min(max(x, r), 1 - r)
    cy = min(max(y, r), 1 - r)
    if (x - cx) ** 2 + (y - cy) ** 2 > r * r:
        return (0, 0, 0, 0)
    # Two strokes meeting at the bottom make the V.
    def dist(px, py, ax, ay, bx, by):
        vx, vy = bx - ax, by - ay
        t = max(0.0, min(1.0, ((px - ax) * vx + (py - ay) * vy) / (vx * vx + vy * vy)))
        return ((px - ax - t * vx) ** 2 + (py - ay - t * vy) ** 2) ** 0.5
    d = min(dist(x, y, 0.27, 0.26, 0.5, 0.76), dist(x, y, 0.73, 0.26, 0.5, 0.76))
    if d < 0.075:
        return (255, 255, 255, 255)
    shade = int(60 * y)
    return (235 - shade, 140 - shade // 2, 30, 255)


def image(size: int) -> bytes:
    rows = []
    for row in range(size):
        y = (size - 1 - row + 0.5) / size  # bottom-up rows
        line = bytearray()
        for col in range(size):
            samples = [pixel((col + dx) / size, y + dy / size) for dx in (0.25, 0.75) for dy in (-0.25, 0.25)]
            line += bytes(sum(s[i] for s in samples) // 4 for i in range(4))
        rows.append(bytes(line))
    mask_row = bytes(((size + 31) // 32) * 4)
    header = struct.pack("<IiiHHIIiiII", 40, size, size * 2, 1, 32, 0, 0, 0, 0, 0, 0)
    return header + b"".join(rows) + mask_row * size


def main() -> int:
    images = [image(s) for s in SIZES]
    out = struct.pack("<HHH", 0, 1, len(SIZES))
    offset = 6 + 16 * len(SIZES)
    for s, data in zip(SIZES, images):
        out += struct.pack("<BBBBHHII", s % 256, s % 256, 0, 0, 1, 32, len(data), offset)
        offset += len(data)
    with open(sys.argv[1], "wb") as f:
        f.write(out + b"".join(images))
    return 0


if __name__ == "__main__":
    sys.exit(main())
