#!/usr/bin/env bash
# Extraction speed of ExtractZipToDirectory (the product's Windows build, run under Wine,
# timed inside the process) against Info-ZIP "unzip -q" on the same ~200 MB package, best
# of three runs each. Prints both times, our peak working set, and the ratio unzip/ours
# (goal >= 1.0). VARLO_BUILD_SUFFIX picks the build tree as in scripts/test.sh.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SFX=${VARLO_BUILD_SUFFIX:-}
BUILD=$ROOT/build/windows$SFX
WORK=${TMPDIR:-/tmp}/varlo-zip-bench$SFX
mkdir -p "$WORK"

deps=$(bash "$ROOT/scripts/build-deps.sh" | tail -1)
cmake --preset windows -S "$ROOT" -B "$BUILD" -DVARLO_DEPS_PREFIX="$deps" > /dev/null
cmake --build "$BUILD" --target zip_extract_bench > /dev/null
BIN=$BUILD/bench/zip/zip_extract_bench.exe

# The package: compressible text and program-like data, incompressible media, many small files.
PKG=$WORK/package.zip
if [ ! -f "$PKG" ]; then
  rm -rf "$WORK/src"
  python3 - "$WORK/src" <<'PY'
import os, random, sys
root = sys.argv[1]
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
for i in range(12):
    write("media/pack%d.dat" % i, os.urandom(16 << 20))
for i in range(8):
    write("bin/module%d.dll" % i, program(8 << 20))
for i in range(4):
    write("data/table%d.txt" % i, text(10 << 20))
for i in range(400):
    write("skin/res%03d/item.xml" % i, text(rng.randrange(2000, 60000)))
PY
  (cd "$WORK/src" && zip -q -r -X "$PKG" .)
  rm -rf "$WORK/src"
fi
pkg_mb=$(( $(stat -c %s "$PKG") / 1024 / 1024 ))
unpacked_mb=$(unzip -l "$PKG" | tail -1 | awk '{print int($1 / 1048576)}')
cat "$PKG" > /dev/null

source "$ROOT/scripts/wine-session.sh"
wine_session_start "$ROOT/build/wineprefix-bench$SFX" > /dev/null 2>&1
trap wine_session_stop EXIT

winpath() { echo "Z:${1//\//\\}"; }
best_ours=999999
peak=0
for _ in 1 2 3; do
  rm -rf "$WORK/ours"
  read -r t m < <(wine "$BIN" "$(winpath "$PKG")" "$(winpath "$WORK/ours")" 2>/dev/null | tr -d '\r')
  if (( $(echo "$t < $best_ours" | bc -l) )); then best_ours=$t; fi
  peak=$m
done
best_ref=999999
for _ in 1 2 3; do
  rm -rf "$WORK/ref"
  s=$(date +%s.%N); unzip -q -o "$PKG" -d "$WORK/ref"; e=$(date +%s.%N)
  t=$(echo "$e - $s" | bc -l)
  if (( $(echo "$t < $best_ref" | bc -l) )); then best_ref=$t; fi
done
diff -r "$WORK/ours" "$WORK/ref" > /dev/null || { echo "extracted trees differ"; exit 1; }
rm -rf "$WORK/ours" "$WORK/ref"

printf 'package: %d MiB packed, %d MiB unpacked, %d entries\n' "$pkg_mb" "$unpacked_mb" "$(unzip -Z -1 "$PKG" | wc -l)"
printf 'ExtractZipToDirectory  %.2f s  (peak working set %.0f MiB)\n' "$best_ours" "$peak"
printf 'unzip -q               %.2f s\n' "$best_ref"
printf 'speed ratio unzip/ours: %.3f (goal >= 1.0)\n' "$(echo "$best_ref / $best_ours" | bc -l)"
