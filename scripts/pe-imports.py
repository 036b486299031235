#!/usr/bin/env python3
"""Lists the DLLs a 32-bit PE file imports statically, and checks them against an allow-list.

  pe-imports.py [--allow a,b,...] FILE...

Without --allow: prints each file's static imports with their functions. With it: prints
one line per file and fails (exit 1) when a file imports a DLL outside the list (names
compared without ".dll", ignoring case). Standard library only.
"""
import argparse
import struct
import sys


class PeFile:
    def __init__(self, path):
        with open(path, "rb") as f:
            self.data = f.read()
        if self.data[:2] != b"MZ":
            raise ValueError("%s: not an MZ file" % path)
        pe = struct.unpack_from("<I", self.data, 0x3C)[0]
        if self.data[pe:pe + 4] != b"PE\0\0":
            raise ValueError("%s: no PE signature" % path)
        machine, sections, _, _, _, opt_size, _ = struct.unpack_from("<HHIIIHH", self.data, pe + 4)
        opt = pe + 24
        magic = struct.unpack_from("<H", self.data, opt)[0]
        if magic != 0x10B:
            raise ValueError("%s: not a 32-bit image" % path)
        self.directories = [struct.unpack_from("<II", self.data, opt + 96 + 8 * i) for i in range(16)]
        self.sections = []
        table = opt + opt_size
        for i in range(sections):
            name, vsize, va, rawsize, rawptr = struct.unpack_from("<8sIIII", self.data, table + 40 * i)
            self.sections.append((va, max(vsize, rawsize), rawptr, rawsize))

    def offset(self, rva):
        for va, size, rawptr, rawsize in self.sections:
            if va <= rva < va + size and rva - va < rawsize:
                return rawptr + rva - va
        raise ValueError("RVA 0x%x is outside every section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        return self.data[start:self.data.index(b"\0", start)].decode("ascii", "replace")

    def imports(self):
        """[(dll name, [function names or #ordinals])] from the import directory."""
        rva, size = self.directories[1]
        result = []
        if rva == 0 or size == 0:
            return result
        at = self.offset(rva)
        while True:
            lookup, _, _, name_rva, iat = struct.unpack_from("<IIIII", self.data, at)
            if name_rva == 0:
                break
            functions = []
            thunk = self.offset(lookup or iat)
            while True:
                entry = struct.unpack_from("<I", self.data, thunk)[0]
                if entry == 0:
                    break
                if entry & 0x80000000:
                    functions.append("#%d" % (entry & 0xFFFF))
                else:
                    functions.append(self.cstring(entry + 2))
                thunk += 4
            result.append((self.cstring(name_rva), functions))
            at += 20
        return result


def stem(name):
    name = name.lower()
    return name[:-4] if name.endswith(".dll") else name


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--allow", help="comma-separated DLL names a file may import statically")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    status = 0
    for path in args.files:
        imports = PeFile(path).imports()
        if args.allow is None:
            print(path)
            for dll, functions in imports:
                print("  %s (%d): %s" % (dll, len(functions), " ".join(sorted(functions))))
            continue
        allowed = {stem(n) for n in args.allow.split(",") if n}
        names = sorted(stem(dll) for dll, _ in imports)
        outside = [n for n in names if n not in allowed]
        print("%s: imports %s" % (path, ", ".join(names)))
        if not names:
            print("  no import table found; the reader cannot be right about this file", file=sys.stderr)
            status = 1
        for n in outside:
            print("  %s.dll is no KnownDLL: it would be looked up beside the exe before System32" % n,
                  file=sys.stderr)
            status = 1
    return status


if __name__ == "__main__":
    sys.exit(main())
