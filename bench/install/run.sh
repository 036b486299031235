#!/usr/bin/env bash
# The install worker's whole package path (server choice, package query, download with its
# digest, the check of the held package, extraction) of a ~200 MB package from the vendor
# simulator, timed inside the product's Windows build under Wine, against the sequence
# curl.exe -o (same curl source, under Wine), md5sum and unzip -q of the same package in
# the same run. Best of three runs each, alternating. Prints both times, the ratio
# ours/sequence (goal <= 0.8) and the peak working set of our process (goal <= 40 MB).
#   VARLO_BUILD_SUFFIX picks the build tree and the bench prefix as in the other benchmarks.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SFX=${VARLO_BUILD_SUFFIX:-}
RUNS=${VARLO_BENCH_RUNS:-3}
BUILD=$ROOT/build/windows$SFX
WORK=${TMPDIR:-/tmp}/varlo-install-bench$SFX
mkdir -p "$WORK"

DEPS=$(bash "$ROOT/scripts/build-deps.sh" | tail -1)
# On a kernel without 32-bit support, a 64-bit build of the same sources against a 64-bit
# curl.exe, as the tests do (see scripts/test.sh).
source "$ROOT/scripts/wine-env.sh"
PRESET=windows RUN_HOST=i686-w64-mingw32
if ! varlo_can_run_32bit; then
  PRESET=windows64 RUN_HOST=x86_64-w64-mingw32 BUILD=$ROOT/build/windows64$SFX
  DEPS=$(VARLO_DEPS_HOST=$RUN_HOST bash "$ROOT/scripts/build-deps.sh" | tail -1)
  echo "[bench] this kernel runs no 32-bit programs: timing the 64-bit build under 64-bit Wine"
fi
cmake --preset "$PRESET" -S "$ROOT" -B "$BUILD" -DVARLO_DEPS_PREFIX="$DEPS" -UVARLO_FOLDERS >/dev/null
cmake --build "$BUILD" --target install_bench >/dev/null
BIN=$BUILD/bench/install/install_bench.exe
CURL_EXE=$(VARLO_DEPS_HOST=$RUN_HOST bash "$ROOT/bench/core/build-curl-tool.sh" "$DEPS" | tail -1)

PKG=$WORK/package.zip
bash "$ROOT/bench/install/make-package.sh" "$PKG"

STATE=$WORK/simulator.json
SIM="$ROOT/tools/simulator/sim-fixture.sh"
source "$ROOT/scripts/wine-session.sh"
cleanup() {
  bash "$SIM" stop "$STATE" >/dev/null 2>&1 || true
  wine_session_stop
  rm -rf "$WORK/ours" "$WORK/ours-work" "$WORK/ref" "$WORK/curl.zip"
}
trap cleanup EXIT
bash "$SIM" start "$STATE" >/dev/null
python3 "$ROOT/tools/simulator/varlo_sim.py" ctl --state "$STATE" mode "{\"package\": {\"file\": \"$PKG\"}}" >/dev/null
port() { python3 -c "import json, sys; print(json.load(open(sys.argv[1]))['roles'][sys.argv[2]])" "$STATE" "$1"; }
API=https://127.0.0.1:$(port primary)
URL=https://127.0.0.1:$(port download)/files/client.zip
MD5=$(md5sum "$PKG" | cut -c1-32)
CA=$(bash "$ROOT/tools/simulator/test-certs.sh")/ca.pem

wine_session_start "$ROOT/build/wineprefix-bench$SFX" >/dev/null 2>&1
win() { echo "Z:${1//\//\\}"; }

: > "$WORK/times"
for run in $(seq "$RUNS"); do
  rm -rf "$WORK/ours" "$WORK/ours-work"
  mkdir -p "$WORK/ours-work"
  read -r ours peak outcome pselect pquery ptransfer pcheck pextract < <(wine "$(win "$BIN")" "$API" "$(win "$WORK/ours")" "$(win "$WORK/ours-work")" |
    tr -d '\r')
  [ "$outcome" = installed ] || { echo "ours: $outcome"; exit 1; }

  read -r ctime mtime utime < <(bash "$ROOT/bench/install/reference.sh" "$CURL_EXE" "$CA" "$URL" "$MD5" "$WORK")
  ref=$(echo "$ctime + $mtime + $utime" | bc -l)
  # The install writes its two settings files beside the extracted ones.
  diff -r -x setup.ini -x local.cfg "$WORK/ours" "$WORK/ref" >/dev/null || { echo "extracted trees differ"; exit 1; }
  printf 'run %d: worker %.2f s (peak %.1f MiB); curl.exe %.2f s + md5sum %.2f s + unzip %.2f s = %.2f s\n' \
    "$run" "$ours" "$peak" "$ctime" "$mtime" "$utime" "$ref"
  printf '       worker phases: server %.2f s, query %.2f s, transfer %.2f s, digest %.2f s, extraction %.2f s\n' \
    "$pselect" "$pquery" "$ptransfer" "$pcheck" "$pextract"
  echo "$ours $ref $peak" >> "$WORK/times"
done
printf 'package: %d MiB packed, %d entries\n' "$(( $(stat -c %s "$PKG") / 1048576 ))" "$(unzip -Z -1 "$PKG" | wc -l)"
python3 - "$WORK/times" <<'PY'
import statistics, sys
rows = [tuple(map(float, line.split())) for line in open(sys.argv[1])]
ours, ref, peak = min(r[0] for r in rows), min(r[1] for r in rows), max(r[2] for r in rows)
print("install worker (query + download + verify + extract)  best %.2f s" % ours)
print("curl.exe -o + md5sum + unzip                          best %.2f s" % ref)
print("median of the per-run ratios: %.3f" % statistics.median(r[0] / r[1] for r in rows))
print("time ratio worker/sequence (best of each): %.3f (goal <= 0.8)" % (ours / ref))
print("peak working set of the worker's process: %.1f MiB (goal <= 40)" % peak)
PY
