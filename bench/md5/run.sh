#!/usr/bin/env bash
# MD5 throughput of CMd5A (native, optimised, no sanitizers) against md5sum on the same
# 1 GiB file, best of three runs each. Prints the ratio ours/md5sum (goal >= 0.9).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
WORK=${TMPDIR:-/tmp}/varlo-md5-bench
mkdir -p "$WORK"
BIN=$WORK/md5_file
g++ -O2 -std=c++17 -I"$ROOT" "$ROOT/bench/md5/md5_file.cpp" "$ROOT/util/Md5A.cpp" -o "$BIN"
DATA=$WORK/data.bin
SIZE=$((1024 * 1024 * 1024))
if [ ! -f "$DATA" ] || [ "$(stat -c %s "$DATA")" != "$SIZE" ]; then
  head -c "$SIZE" /dev/urandom > "$DATA"
fi
cat "$DATA" > /dev/null  # both tools read from the page cache

best() {  # best wall time in seconds of three runs; output kept in $WORK/out.TAG
  local tag=$1 b=999999 t s e
  shift
  for _ in 1 2 3; do
    s=$(date +%s.%N); "$@" > "$WORK/out.$tag"; e=$(date +%s.%N)
    t=$(echo "$e - $s" | bc -l)
    if (( $(echo "$t < $b" | bc -l) )); then b=$t; fi
  done
  echo "$b"
}
ours=$(best ours "$BIN" "$DATA")
ref=$(best ref md5sum "$DATA")
d1=$(awk '{print $1}' "$WORK/out.ours")
d2=$(awk '{print $1}' "$WORK/out.ref")
[ "$d1" = "$d2" ] || { echo "digests differ: $d1 vs $d2"; exit 1; }
mib=$((SIZE / 1024 / 1024))
printf 'CMd5A   %.2f s  %.0f MiB/s\n' "$ours" "$(echo "$mib / $ours" | bc -l)"
printf 'md5sum  %.2f s  %.0f MiB/s\n' "$ref" "$(echo "$mib / $ref" | bc -l)"
printf 'throughput ratio CMd5A/md5sum: %.3f (goal >= 0.9)\n' "$(echo "$ref / $ours" | bc -l)"
