#!/usr/bin/env python3
"""Writes the test skin: PNG images, layout files, and the same files as a zip whose
entries are encrypted with the traditional zip encryption (Info-ZIP's zip -e).

usage: make_test_skin.py <layout dir> <output dir>
"""
import os
import shutil
import struct
import subprocess
import sys
import zlib

PASSWORD = "varlo-skin"


def png(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a)"""
    rows = b""
    for y in range(height):
        rows += b"\x00" + b"".join(struct.pack("4B", *pixel(x, y)) for x in range(width))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) +
                chunk(b"IEND", b""))


# A 30x30 nine-grid: each 10x10 cell its own colour.
GRID = [
    [(255, 0, 0, 255), (255, 0, 255, 255), (0, 255, 0, 255)],
    [(255, 255, 255, 255), (255, 128, 0, 255), (128, 128, 128, 255)],
    [(0, 0, 255, 255), (0, 255, 255, 255), (255, 255, 0, 255)],
]
# 20x20 in four 10x10 quadrants.
QUAD = [[(10, 200, 10, 255), (200, 10, 10, 255)], [(10, 10, 200, 255), (200, 200, 10, 255)]]


def layered_pixel(x, y):
    if x < 50:
        return (0, 0, 255, 255)       # opaque blue
    if x < 75:
        return (255, 255, 255, 128)   # half-transparent white
    return (0, 0, 0, 0)               # fully transparent


def main():
    layouts, out = sys.argv[1], sys.argv[2]
    skin = os.path.join(out, "skin")
    shutil.rmtree(skin, ignore_errors=True)
    os.makedirs(skin)
    png(os.path.join(skin, "bk", "grid.png"), 30, 30, lambda x, y: GRID[y // 10][x // 10])
    png(os.path.join(skin, "img", "quad.png"), 20, 20, lambda x, y: QUAD[y // 10][x // 10])
    png(os.path.join(skin, "img", "alpha.png"), 10, 10, lambda x, y: (255, 255, 255, 128))
    png(os.path.join(skin, "img", "layered.png"), 100, 60, layered_pixel)
    for name in os.listdir(layouts):
        if name.endswith(".xml"):
            shutil.copy(os.path.join(layouts, name), os.path.join(skin, name))
    archive = os.path.join(out, "skin.zip")
    # Plain-file failures: an empty layout and one just over the 4 MiB limit (not zipped).
    zipped = os.listdir(skin)
    open(os.path.join(skin, "empty.xml"), "wb").close()
    with open(os.path.join(skin, "large.xml"), "wb") as f:
        f.write(b"<Window/>" + b" " * (4 * 1024 * 1024 - 8))
    if os.path.exists(archive):
        os.remove(archive)
    subprocess.run(["zip", "-q", "-r", "-e", "-P", PASSWORD, archive] + sorted(zipped), cwd=skin, check=True)


if __name__ == "__main__":
    main()
