#!/usr/bin/env bash
# The ~200 MB client package of the benchmarks, made once at PATH: incompressible media,
# program-like data, text, many small files, and the client's exe.
#   Usage: make-package.sh PATH [MEDIA_FILES MEDIA_MIB PROGRAM_FILES]
#   (default 16 12 6, the install benchmarks' layout; the zip benchmark keeps its own)
set -euo pipefail
PKG=${1:?usage: make-package.sh PATH [MEDIA_FILES MEDIA_MIB PROGRAM_FILES]}
MEDIA_FILES=${2:-16} MEDIA_MIB=${3:-12} PROGRAM_FILES=${4:-6}
# A package made before it carried the client, or a client signed by the test publisher,
# is made again: an install (of a build that names the publisher) refuses one.
if [ -f "$PKG" ] && python3 -c 'import sys, zipfile
z = zipfile.ZipFile(sys.argv[1])
sys.exit("vljiasu.exe" not in z.namelist() or z.read("vljiasu.exe")[:2] != b"MZ")' "$PKG"; then
  exit 0
fi
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
CERTS=$(bash "$ROOT/tools/simulator/test-certs.sh")
SRC=$PKG.src
rm -rf "$SRC"
mkdir -p "$(dirname "$PKG")"
python3 - "$SRC" "$MEDIA_FILES" "$MEDIA_MIB" "$PROGRAM_FILES" "$ROOT" "$CERTS" <<'PY'
import os, random, sys
root = sys.argv[1]
media_files, media_mib, program_files = (int(v) for v in sys.argv[2:5])
sys.path.insert(0, os.path.join(sys.argv[5], "tools", "simulator"))
import stand_in_client
rng = random.Random(7)
words = [w.encode() for w in "game route server latency packet accelerator node region client the of and".split()]
def text(size):
    out = bytearray()
    while len(out) < size:
        out += rng.choice(words) + (b"\n" if rng.random() < 0.1 else b" ")
    return bytes(out[:size])
def program(size):  # repetitive but not trivially so
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
# The client, signed by the test publisher: an install without it, or with another, fails.
write("vljiasu.exe", stand_in_client.stand_in("signed", sys.argv[6], base=stand_in_client.bare_pe(program(2 << 20))))
for i in range(media_files):
    write("media/pack%d.dat" % i, os.urandom(media_mib << 20))
for i in range(program_files):
    write("bin/module%d.dll" % i, program(8 << 20))
for i in range(4):
    write("data/table%d.txt" % i, text(10 << 20))
for i in range(400):
    write("skin/res%03d/item.xml" % i, text(rng.randrange(2000, 60000)))
PY
(cd "$SRC" && zip -q -r -X "$PKG.part" .)
mv "$PKG.part" "$PKG"
rm -rf "$SRC"
