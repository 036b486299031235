#!/usr/bin/env python3
"""Makes archives with other zip tools and extracts each with Info-ZIP unzip.

usage: make_interop.py OUTPUT_DIR

OUTPUT_DIR/archives/<name>.zip   archives made by Info-ZIP zip, Python's zipfile and 7-Zip
OUTPUT_DIR/reference/<name>/     what Info-ZIP unzip extracts from each
OUTPUT_DIR/manifest.txt          one line per archive: "<name> <password or ->"
"""
import os
import random
import shutil
import subprocess
import sys
import zipfile

PASSWORD = "S3cret-pw"


def make_tree(root):
    rng = random.Random(20240601)
    words = [b"accelerator", b"server", b"route", b"latency", b"packet", b"skin", b"install", b"\n"]
    files = {
        "readme.txt": b"".join(rng.choice(words) + b" " for _ in range(4000)),
        "bin/client.exe": bytes(rng.getrandbits(8) for _ in range(300000)),
        "bin/empty.dat": b"",
        "bin/tiny.txt": b"x",
        "data/level one/level two/config.ini": b"[main]\nkey=value\n" * 300,
        "data/zeros.bin": b"\0" * 1500000,
        "data/mixed.bin": b"".join(
            (bytes(rng.getrandbits(8) for _ in range(4096)) if i % 2 else b"ab" * 2048) for i in range(64)),
    }
    for name, data in files.items():
        path = os.path.join(root, name)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data)
    os.makedirs(os.path.join(root, "data", "empty dir"), exist_ok=True)
    return sorted(files)


def run(args, cwd, stdout=None):
    subprocess.run(args, cwd=cwd, check=True, stdout=stdout or subprocess.DEVNULL, stderr=subprocess.PIPE)


def python_zip(path, src, names, method, unicode_name):
    with zipfile.ZipFile(path, "w", method) as z:
        for name in names:
            z.write(os.path.join(src, name), name)
        if unicode_name:
            z.writestr("\u76ee\u5f55/\u6587\u4ef6.txt", "unicode name " * 50)


def main():
    out = os.path.abspath(sys.argv[1])
    shutil.rmtree(out, ignore_errors=True)
    src = os.path.join(out, "source")
    archives = os.path.join(out, "archives")
    os.makedirs(src)
    os.makedirs(archives)
    names = make_tree(src)
    made = []

    def target(name):
        made.append(name)
        return os.path.join(archives, name + ".zip")

    run(["zip", "-q", "-r", "-X", target("infozip-deflate"), "."], src)
    run(["zip", "-q", "-r", "-X", "-0", target("infozip-stored"), "."], src)
    run(["zip", "-q", "-r", "-X", "-e", "-P", PASSWORD, target("infozip-encrypted"), "."], src)
    # Written to a pipe, zip cannot seek back: every entry gets a data descriptor.
    with open(target("infozip-streamed"), "wb") as f:
        run(["zip", "-q", "-r", "-X", "-", "."], src, stdout=f)
    with open(target("infozip-streamed-encrypted"), "wb") as f:
        run(["zip", "-q", "-r", "-X", "-e", "-P", PASSWORD, "-", "."], src, stdout=f)
    python_zip(target("python-deflate"), src, names, zipfile.ZIP_DEFLATED, True)
    python_zip(target("python-stored"), src, names, zipfile.ZIP_STORED, False)
    run(["7z", "a", "-tzip", "-mx=9", "-bso0", "-bsp0", target("7z-deflate"), "."], src)
    run(["7z", "a", "-tzip", "-mx=0", "-bso0", "-bsp0", target("7z-stored"), "."], src)
    run(["7z", "a", "-tzip", "-mem=ZipCrypto", "-p" + PASSWORD, "-bso0", "-bsp0", target("7z-encrypted"), "."], src)

    encrypted = {"infozip-encrypted", "infozip-streamed-encrypted", "7z-encrypted"}
    with open(os.path.join(out, "manifest.txt"), "w") as manifest:
        for name in made:
            ref = os.path.join(out, "reference", name)
            os.makedirs(ref)
            args = ["unzip", "-q", "-o"]
            if name in encrypted:
                args += ["-P", PASSWORD]
            run(args + [os.path.join(archives, name + ".zip"), "-d", ref], out)
            manifest.write("%s %s\n" % (name, PASSWORD if name in encrypted else "-"))


if __name__ == "__main__":
    main()
