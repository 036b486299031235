#!/usr/bin/env bash
# Prints what the product exe imports and how big it is, stripped. Nothing is asserted.
#   exe-report.sh [BUILD_DIR]   (default build/windows; build setup and import_probe first)
# setup.exe links only what start-up uses today; import_probe links every product library
# whole, so its numbers are the ceiling once the window and the install are linked in.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
BUILD=${1:-$ROOT/build/windows}
STRIP=i686-w64-mingw32-strip
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
for exe in "$BUILD/app/setup.exe" "$BUILD/tests/app/import_probe.exe"; do
  [ -f "$exe" ] || { echo "$exe: not built"; continue; }
  echo "== $(basename "$exe")"
  python3 "$ROOT/scripts/pe-imports.py" "$exe" | tail -n +2
  # Delay-loaded DLLs leave their ASCII file name in the image (see cmake/make_delaylib.py).
  delayed=$(for lib in "$BUILD"/delayload/lib*.a; do
              name=$(basename "$lib" .a); name=${name#lib}
              if grep -qa -- "$name.dll" "$exe"; then printf '%s ' "$name.dll"; fi
            done)
  echo "  loaded from System32 on first use: ${delayed:-none}"
  cp "$exe" "$tmp/x.exe"
  $STRIP "$tmp/x.exe"
  size=$(stat -c %s "$tmp/x.exe")
  awk -v s="$size" 'BEGIN { printf "  stripped size: %d bytes (%.2f MB; goal 2.5 MB)\n", s, s / 1048576 }'
done
