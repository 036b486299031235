#!/usr/bin/env bash
# The install worker's package path (server choice, query, download, digest, extraction) over
# a simulated line of a few MB/s whose download is cut twice, at a third and at two thirds:
# each cut costs one back-off and a resumed request. Prints the time against the package's
# size divided by the line's rate (what a line without cuts could do at best), and the bytes
# the package host sent against the package's size (1.00: no byte sent twice).
#   VARLO_BUILD_SUFFIX picks the build tree and the bench prefix as in the other benchmarks;
#   VARLO_BENCH_RATE sets the line's rate in bytes a second (default 4 MB/s).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SFX=${VARLO_BUILD_SUFFIX:-}
RATE=${VARLO_BENCH_RATE:-4000000}
BUILD=$ROOT/build/windows$SFX
WORK=${TMPDIR:-/tmp}/varlo-resume-bench$SFX
mkdir -p "$WORK"

DEPS=$(bash "$ROOT/scripts/build-deps.sh" | tail -1)
source "$ROOT/scripts/wine-env.sh"
PRESET=windows
if ! varlo_can_run_32bit; then
  PRESET=windows64 BUILD=$ROOT/build/windows64$SFX
  DEPS=$(VARLO_DEPS_HOST=x86_64-w64-mingw32 bash "$ROOT/scripts/build-deps.sh" | tail -1)
  echo "[bench] this kernel runs no 32-bit programs: timing the 64-bit build under 64-bit Wine"
fi
cmake --preset "$PRESET" -S "$ROOT" -B "$BUILD" -DVARLO_DEPS_PREFIX="$DEPS" -UVARLO_FOLDERS >/dev/null
cmake --build "$BUILD" --target install_bench >/dev/null
BIN=$BUILD/bench/install/install_bench.exe

# A smaller package than the throughput benchmarks': at a few MB/s the line, not the
# machine, sets the pace, and a few tens of MB show it.
PKG=$WORK/package.zip
bash "$ROOT/bench/install/make-package.sh" "$PKG" 2 8 1
SIZE=$(stat -c %s "$PKG")

STATE=$WORK/simulator.json
SIM="$ROOT/tools/simulator/sim-fixture.sh"
source "$ROOT/scripts/wine-session.sh"
cleanup() {
  bash "$SIM" stop "$STATE" >/dev/null 2>&1 || true
  wine_session_stop
  rm -rf "$WORK/ours" "$WORK/ours-work"
}
trap cleanup EXIT
bash "$SIM" start "$STATE" >/dev/null
ctl() { python3 "$ROOT/tools/simulator/varlo_sim.py" ctl --state "$STATE" "$@" >/dev/null; }
port() { python3 -c "import json, sys; print(json.load(open(sys.argv[1]))['roles'][sys.argv[2]])" "$STATE" "$1"; }
API=https://127.0.0.1:$(port primary)

wine_session_start "$ROOT/build/wineprefix-bench$SFX" >/dev/null 2>&1
win() { echo "Z:${1//\//\\}"; }
# One install with the line as set; prints its seconds.
run_install() {
  rm -rf "$WORK/ours" "$WORK/ours-work"
  mkdir -p "$WORK/ours-work"
  read -r secs _peak outcome _rest < <(wine "$(win "$BIN")" "$API" "$(win "$WORK/ours")" "$(win "$WORK/ours-work")" |
    tr -d '\r')
  [ "$outcome" = installed ] || { echo "install: $outcome" >&2; exit 1; }
  echo "$secs"
}
# The same line without cuts first: the reference the cuts are measured against.
ctl reset
ctl mode "{\"package\": {\"file\": \"$PKG\"}, \"roles\": {\"download\": {\"rate\": $RATE}}}"
plain=$(run_install)
ctl reset
ctl mode "{\"package\": {\"file\": \"$PKG\"}, \"roles\": {\"download\":
  {\"rate\": $RATE, \"cut_at\": [$((SIZE / 3)), $((SIZE * 2 / 3))]}}}"
cut=$(run_install)
python3 "$ROOT/tools/simulator/varlo_sim.py" ctl --state "$STATE" requests > "$WORK/requests.json"
python3 - "$WORK/requests.json" "$SIZE" "$RATE" "$cut" "$plain" <<'PY'
import json, sys
records, size, rate = json.load(open(sys.argv[1])), int(sys.argv[2]), int(sys.argv[3])
cut, plain = float(sys.argv[4]), float(sys.argv[5])
files = [r for r in records if r.get("role") == "download" and "/files/" in r.get("target", "")]
sent = sum(r.get("sent") or 0 for r in files)
ideal = size / rate
print("package %.1f MB over a %.1f MB/s line (simulator's pacing) cut twice: %d requests" % (size / 1e6, rate / 1e6, len(files)))
print("install cut twice %.2f s, same line uncut %.2f s, size / rate %.2f s" % (cut, plain, ideal))
print("time ratio cut / (size / rate): %.2f; cut / uncut: %.2f" % (cut / ideal, cut / plain))
print("bytes sent %d against the package's %d: ratio %.3f" % (sent, size, sent / size))
PY
