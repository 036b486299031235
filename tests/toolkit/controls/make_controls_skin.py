#!/usr/bin/env python3
"""Writes the images the control tests draw: solid state images whose colours tell the
states apart in screenshots, a five-column state strip, and an animated GIF whose frame
delays are 0 (meaning 100 ms).

usage: make_controls_skin.py <output dir>
"""
import os
import struct
import sys
import zlib


def png(path, width, height, pixel):
    """pixel(x, y) -> (r, g, b, a)"""
    rows = b""
    for y in range(height):
        rows += b"\x00" + b"".join(struct.pack("4B", *pixel(x, y)) for x in range(width))

    def chunk(kind, data):
        body = kind + data
        return struct.pack(">I", len(data)) + body + struct.pack(">I", zlib.crc32(body) & 0xFFFFFFFF)

    header = struct.pack(">IIBBBBB", width, height, 8, 6, 0, 0, 0)
    with open(path, "wb") as f:
        f.write(b"\x89PNG\r\n\x1a\n" + chunk(b"IHDR", header) + chunk(b"IDAT", zlib.compress(rows)) +
                chunk(b"IEND", b""))


def lzw(indices, min_code_size):
    """GIF LZW: variable-length codes, least significant bit first."""
    clear = 1 << min_code_size
    end = clear + 1
    table = {(i,): i for i in range(clear)}
    next_code = end + 1
    size = min_code_size + 1
    out, bits, nbits = bytearray(), 0, 0

    def emit(code):
        nonlocal bits, nbits
        bits |= code << nbits
        nbits += size
        while nbits >= 8:
            out.append(bits & 0xFF)
            bits >>= 8
            nbits -= 8

    emit(clear)
    current = (indices[0],)
    for index in indices[1:]:
        candidate = current + (index,)
        if candidate in table:
            current = candidate
            continue
        emit(table[current])
        if next_code < 4096:
            table[candidate] = next_code
            next_code += 1
            if next_code > (1 << size) and size < 12:
                size += 1
        else:
            emit(clear)
            table = {(i,): i for i in range(clear)}
            next_code, size = end + 1, min_code_size + 1
        current = (index,)
    emit(table[current])
    emit(end)
    if nbits:
        out.append(bits & 0xFF)
    return bytes(out)


def gif(path, width, height, palette, frames, delay):
    """frames: lists of palette indices; every frame gets `delay` hundredths of a second."""
    data = bytearray(b"GIF89a")
    data += struct.pack("<HHBBB", width, height, 0xF1, 0, 0)  # global table of 4 colours
    for colour in palette:
        data += bytes(colour)
    data += b"\x21\xFF\x0BNETSCAPE2.0\x03\x01\x00\x00\x00"  # loop for ever
    for frame in frames:
        data += b"\x21\xF9\x04\x00" + struct.pack("<H", delay) + b"\x00\x00"
        data += b"\x2C" + struct.pack("<HHHHB", 0, 0, width, height, 0)
        data += b"\x02"
        body = lzw(frame, 2)
        for i in range(0, len(body), 255):
            block = body[i:i + 255]
            data += bytes([len(block)]) + block
        data += b"\x00"
    data += b"\x3B"
    with open(path, "wb") as f:
        f.write(data)


# Colours of the states, also used by the tests to read the screenshots.
STATES = {
    "normal": (200, 0, 0),
    "hot": (0, 0, 200),
    "pushed": (0, 160, 0),
    "focused": (230, 200, 0),
    "disabled": (128, 128, 128),
    "selected": (160, 0, 160),
    "selectedhot": (0, 160, 160),
    "fore": (255, 120, 0),
    "combo": (240, 240, 240),
    "edit": (250, 250, 220),
}


def main():
    out = os.path.join(sys.argv[1], "controls-skin")
    os.makedirs(out, exist_ok=True)
    for name, (r, g, b) in STATES.items():
        png(os.path.join(out, name + ".png"), 8, 8, lambda x, y, c=(r, g, b): c + (255,))
    # normal, pushed, hot, focused, disabled: 10 pixels each
    order = ["normal", "pushed", "hot", "focused", "disabled"]
    png(os.path.join(out, "five.png"), 50, 10, lambda x, y: STATES[order[x // 10]] + (255,))
    palette = [(255, 0, 0), (0, 255, 0), (0, 0, 255), (255, 255, 255)]
    frames = [[i] * 16 for i in range(3)]
    gif(os.path.join(out, "frames.gif"), 4, 4, palette, frames, 0)
    gif(os.path.join(out, "slow.gif"), 4, 4, palette, frames, 7)


if __name__ == "__main__":
    main()
