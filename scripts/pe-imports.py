#!/usr/bin/env python3
"""Lists the DLLs a 32-bit PE file imports statically, and checks them against an allow-list.

  pe-imports.py [--allow a,b,...] [--win7 LIST] FILE...

Without --allow or --win7: prints each file's static imports with their functions. With
--allow: prints one line per file and fails (exit 1) when a file imports a DLL outside the
list (names compared without ".dll", ignoring case). With --win7: fails when a file imports
a function that LIST (scripts/win7-missing-imports.txt) says Windows 7 SP1 lacks.
Standard library only.
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


def load_missing(path):
    """{(dll stem, function): (since, origin)} from the list of functions Windows 7 lacks."""
    missing = {}
    with open(path, encoding="utf-8") as f:
        for number, line in enumerate(f, 1):
            line = line.strip()
            if not line or line.startswith("#"):
                continue
            fields = [x.strip() for x in line.split("|")]
            names = fields[0].split()
            if len(names) != 2 or len(fields) != 3:
                raise ValueError("%s:%d: expected 'DLL FUNCTION | since | origin'" % (path, number))
            missing[(stem(names[0]), names[1])] = (fields[1], fields[2])
    if not missing:
        raise ValueError("%s: no entries" % path)
    return missing


def win7_findings(imports, missing):
    found = []
    for dll, functions in imports:
        for function in functions:
            entry = missing.get((stem(dll), function))
            if entry:
                found.append((dll, function) + entry)
    return found


def main():
    parser = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    parser.add_argument("--allow", help="comma-separated DLL names a file may import statically")
    parser.add_argument("--win7", metavar="LIST", help="the list of functions Windows 7 SP1 lacks")
    parser.add_argument("files", nargs="+")
    args = parser.parse_args()
    status = 0
    missing = load_missing(args.win7) if args.win7 else None
    for path in args.files:
        imports = PeFile(path).imports()
        if missing is not None:
            count = sum(len(functions) for _, functions in imports)
            findings = win7_findings(imports, missing)
            print("%s: %d functions imported, %d of them missing on Windows 7 SP1" % (path, count, len(findings)))
            if count == 0:
                print("  no imported function found; the reader cannot be right about this file", file=sys.stderr)
                status = 1
            for dll, function, since, origin in findings:
                print("  imports %s from %s, which Windows 7 SP1 lacks (from Windows %s; %s): the loader would"
                      " refuse to start it there" % (function, dll, since, origin), file=sys.stderr)
                status = 1
        if args.allow is None and missing is None:
            print(path)
            for dll, functions in imports:
                print("  %s (%d): %s" % (dll, len(functions), " ".join(sorted(functions))))
            continue
        if args.allow is None:
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
