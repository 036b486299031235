"""Stand-in clients for the packages: a small 32-bit PE (it only returns) in the four forms
the installer's publisher check tells apart.

  signed    Authenticode SHA-256 by the test publisher (codesign.pem), as a release ships
  unsigned  the same file without a signature
  other     signed by another publisher under the same test CA (othersign.pem)
  tampered  signed by the test publisher, then one byte of its code changed
  selfsigned signed with a certificate in the test publisher's name that issued itself

Signing uses osslsigncode (Debian's) with the keys of tools/simulator/test-certs.sh.
"""
import os
import struct
import subprocess
import tempfile

KINDS = ("signed", "unsigned", "other", "tampered", "selfsigned")
SIGNER = {"signed": "codesign", "tampered": "codesign", "other": "othersign", "selfsigned": "selfsign"}
FILE_ALIGN = 0x200
CODE_RVA = 0x1000


def bare_pe(filler=b""):
    """A PE32 GUI exe with one code section: the headers any Authenticode tool hashes, and
    code that returns 0. `filler` makes the section as large as a test needs."""
    code = b"\x31\xc0\xc3" + b"Varlo client stand-in\0" + filler  # xor eax,eax; ret
    raw = (len(code) + FILE_ALIGN - 1) // FILE_ALIGN * FILE_ALIGN
    dos = b"MZ" + b"\0" * 0x3A + struct.pack("<I", 0x40)
    coff = struct.pack("<4sHHIIIHH", b"PE\0\0", 0x14C, 1, 0, 0, 0, 0xE0, 0x0102)
    image = CODE_RVA + (raw + 0xFFF) // 0x1000 * 0x1000
    optional = struct.pack("<HBBIIIIIIIIIHHHHHHIIIIHHIIIIII", 0x10B, 14, 0, raw, 0, 0, CODE_RVA, CODE_RVA,
                           CODE_RVA + raw, 0x400000, 0x1000, FILE_ALIGN, 6, 1, 0, 0, 6, 1, 0, image, FILE_ALIGN,
                           0, 2, 0x8140, 0x100000, 0x1000, 0x100000, 0x1000, 0, 16)
    optional += b"\0" * (16 * 8)
    section = struct.pack("<8sIIIIIIHHI", b".text", len(code), CODE_RVA, raw, FILE_ALIGN, 0, 0, 0, 0, 0x60000020)
    headers = dos + coff + optional + section
    headers += b"\0" * (FILE_ALIGN - len(headers))
    return headers + code + b"\0" * (raw - len(code))


def sign(data, certs, stem):
    with tempfile.TemporaryDirectory(prefix="varlo-sign-") as tmp:
        src, out = os.path.join(tmp, "in.exe"), os.path.join(tmp, "out.exe")
        with open(src, "wb") as f:
            f.write(data)
        subprocess.run(["osslsigncode", "sign", "-h", "sha256", "-certs", os.path.join(certs, stem + ".pem"),
                        "-key", os.path.join(certs, stem + ".key"), "-in", src, "-out", out],
                       check=True, stdout=subprocess.DEVNULL)
        with open(out, "rb") as f:
            return f.read()


def stand_in(kind, certs, base=None):
    """The client's bytes in the given form; `base` is the PE to start from (default: a bare
    one)."""
    if kind not in KINDS:
        raise ValueError("unknown client kind %r (one of %s)" % (kind, ", ".join(KINDS)))
    data = base if base is not None else bare_pe()
    if kind == "unsigned":
        return data
    signed = sign(data, certs, SIGNER[kind])
    if kind == "tampered":
        # A byte of the code section: covered by the signed digest, outside every header.
        changed = bytearray(signed)
        changed[FILE_ALIGN + 4] ^= 0xFF
        return bytes(changed)
    return signed
