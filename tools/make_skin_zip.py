#!/usr/bin/env python3
"""Packs a folder into a zip whose entries are deflated and protected with the
traditional zip encryption, as the program's skin resource expects.

usage: make_skin_zip.py SOURCE_DIR OUTPUT.zip [PASSWORD]

The output is deterministic (fixed times, encryption headers derived from the content),
so a rebuild yields the same bytes.
"""
import hashlib
import os
import struct
import sys
import zlib

DEFAULT_PASSWORD = b"Tm4RwQ8s"
DOS_TIME = (0 << 11) | (0 << 5) | 0
DOS_DATE = ((2024 - 1980) << 9) | (1 << 5) | 1


class ZipCrypto:
    def __init__(self, password: bytes):
        self.k0, self.k1, self.k2 = 0x12345678, 0x23456789, 0x34567890
        for b in password:
            self._update(b)

    @staticmethod
    def _crc(crc: int, b: int) -> int:
        return (zlib.crc32(bytes([b]), crc ^ 0xFFFFFFFF) ^ 0xFFFFFFFF) & 0xFFFFFFFF

    def _update(self, b: int) -> None:
        self.k0 = self._crc(self.k0, b)
        self.k1 = (self.k1 + (self.k0 & 0xFF)) & 0xFFFFFFFF
        self.k1 = (self.k1 * 134775813 + 1) & 0xFFFFFFFF
        self.k2 = self._crc(self.k2, self.k1 >> 24)

    def encrypt(self, data: bytes) -> bytes:
        out = bytearray(len(data))
        for i, b in enumerate(data):
            t = (self.k2 | 2) & 0xFFFF
            out[i] = b ^ (((t * (t ^ 1)) >> 8) & 0xFF)
            self._update(b)
        return bytes(out)


def entry(name: str, data: bytes, password: bytes):
    crc = zlib.crc32(data) & 0xFFFFFFFF
    comp = zlib.compressobj(9, zlib.DEFLATED, -15)
    body = comp.compress(data) + comp.flush()
    header = bytearray(hashlib.sha256(name.encode() + data).digest()[:12])
    header[11] = crc >> 24
    enc = ZipCrypto(password).encrypt(bytes(header) + body)
    return name.encode("utf-8"), crc, enc, len(data)


def main() -> int:
    src, out = sys.argv[1], sys.argv[2]
    password = sys.argv[3].encode() if len(sys.argv) > 3 else DEFAULT_PASSWORD
    files = []
    for root, _, names in os.walk(src):
        for n in names:
            full = os.path.join(root, n)
            files.append((os.path.relpath(full, src).replace(os.sep, "/"), full))
    files.sort()
    blob = bytearray()
    central = bytearray()
    for rel, full in files:
        with open(full, "rb") as f:
            name, crc, enc, size = entry(rel, f.read(), password)
        offset = len(blob)
        flags = 0x0001 | (0x0800 if any(c > 0x7F for c in name) else 0)
        blob += struct.pack("<IHHHHHIIIHH", 0x04034B50, 20, flags, 8, DOS_TIME, DOS_DATE, crc, len(enc), size,
                            len(name), 0) + name + enc
        central += struct.pack("<IHHHHHHIIIHHHHHII", 0x02014B50, 20, 20, flags, 8, DOS_TIME, DOS_DATE, crc, len(enc),
                               size, len(name), 0, 0, 0, 0, 0x20, offset) + name
    cd_offset = len(blob)
    blob += central
    blob += struct.pack("<IHHHHIIH", 0x06054B50, 0, 0, len(files), len(files), len(central), cd_offset, 0)
    os.makedirs(os.path.dirname(os.path.abspath(out)), exist_ok=True)
    with open(out, "wb") as f:
        f.write(blob)
    return 0


if __name__ == "__main__":
    sys.exit(main())
