#!/usr/bin/env bash
# The ~200 MB client package of the install benchmarks, made once at PATH: incompressible
# media, program-like data, text, many small files. Usage: make-package.sh PATH
set -euo pipefail
PKG=${1:?usage: make-package.sh PATH}
[ -f "$PKG" ] && exit 0
SRC=$PKG.src
rm -rf "$SRC"
mkdir -p "$(dirname "$PKG")"
python3 - "$SRC" <<'PY'
import os, random, sys
root = sys.argv[1]
rng = random.Random(7)
words = [w.encode() for w in "game route server latency packet accelerator node region client the of and".split()]
def text(size):
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + (b"\n" if rng.random() < 0.1 else b" ")
    return bytes(out[:size])
def program(size):
    block = bytes(rng.getrandbits(8) for _ in range(4096))
    out = bytearray()
    while len(out) < size:
        out += block[: rng.randrange(256, 4096)] + os.urandom(64)
    return bytes(out[:size])
def write(name, data):
    path = os.path.join(root, name)
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
for i in range(16):
    write("media/pack%d.dat" % i, os.urandom(12 << 20))
for i in range(6):
    write("bin/module%d.dll" % i, program(8 << 20))
for i in range(4):
    write("data/table%d.txt" % i, text(10 << 20))
for i in range(400):
    write("skin/res%03d/item.xml" % i, text(rng.randrange(2000, 60000)))
PY
(cd "$SRC" && zip -q -r -X "$PKG.part" .)
mv "$PKG.part" "$PKG"
rm -rf "$SRC"
