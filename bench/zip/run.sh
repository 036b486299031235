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
cmake --preset windows -S "$ROOT" -B "$BUILD" -DVARLO_DEPS_PREFIX="$deps" -UVARLO_FOLDERS > /dev/null
cmake --build "$BUILD" --target zip_extract_bench > /dev/null
BIN=$BUILD/bench/zip/zip_extract_bench.exe

# The package: compressible text and program-like data, incompressible media, many small
# files; twelve 16 MiB media files and eight program files, this benchmark's own layout.
PKG=$WORK/package.zip
bash "$ROOT/bench/install/make-package.sh" "$PKG" 12 16 8
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
