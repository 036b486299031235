#!/usr/bin/env bash
# Download throughput of HttpClient::DownloadToFile (with the MD5 computed on the fly)
# against curl's own command-line tool built for Windows from the same curl source, both
# under Wine, fetching the same 200 MB file from the same loopback simulator in one run.
# Each side reports its own transfer time (Wine's start-up is not counted); best of three
# runs each, alternating. Prints the ratio ours/curl (goal >= 0.9).
#   VARLO_BUILD_SUFFIX picks build/windows-bench<suffix> and build/wineprefix-bench<suffix>.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SFX=${VARLO_BUILD_SUFFIX:-}
SIZE=$((200 * 1000 * 1000))
RUNS=${VARLO_BENCH_RUNS:-3}
WORK=${TMPDIR:-/tmp}/varlo-download-bench$SFX
mkdir -p "$WORK"

DEPS=$(bash "$ROOT/scripts/build-deps.sh" | tail -1)
BUILD=$ROOT/build/windows-bench$SFX
cmake --preset windows -S "$ROOT" -B "$BUILD" -DVARLO_DEPS_PREFIX="$DEPS" -UVARLO_FOLDERS >/dev/null
cmake --build "$BUILD" -j2 --target core util >/dev/null
BENCH=$WORK/download_bench.exe
i686-w64-mingw32-g++-posix -std=c++17 -Os -municode -DUNICODE -D_UNICODE -DCURL_STATICLIB -DWIN32_LEAN_AND_MEAN -DNOMINMAX -I"$ROOT" \
  -isystem "$DEPS/include" "$ROOT/bench/core/download_bench.cpp" -o "$BENCH" \
  "$BUILD/core/libcore.a" "$BUILD/util/libutil.a" "$DEPS/lib/libjsoncpp.a" "$DEPS/lib/libcurl.a" \
  "$DEPS/lib/libssl.a" "$DEPS/lib/libcrypto.a" /usr/i686-w64-mingw32/lib/libz.a \
  -lws2_32 -lcrypt32 -lbcrypt -lwldap32 -liphlpapi -luser32 -ladvapi32 -lversion -lole32 -lshell32 \
  -static -static-libgcc -static-libstdc++
CURL_EXE=$(bash "$ROOT/bench/core/build-curl-tool.sh" "$DEPS" | tail -1)

STATE=$WORK/simulator.json
SIM="$ROOT/tools/simulator/sim-fixture.sh"
source "$ROOT/scripts/wine-session.sh"
cleanup() {
  bash "$SIM" stop "$STATE" || true
  wine_session_stop
  rm -f "$WORK"/out-*.bin
}
trap cleanup EXIT
bash "$SIM" start "$STATE" >/dev/null
python3 "$ROOT/tools/simulator/varlo_sim.py" ctl --state "$STATE" mode "{\"package\": {\"size\": $SIZE}}" >/dev/null
PORT=$(python3 -c "import json, sys; print(json.load(open(sys.argv[1]))['roles']['download'])" "$STATE")
# The state file was written at start; the digest of the 200 MB package comes from the control port.
MD5=$(python3 "$ROOT/tools/simulator/varlo_sim.py" ctl --state "$STATE" state |
  python3 -c "import json, sys; print(json.load(sys.stdin)['package']['md5'])")
URL=https://127.0.0.1:$PORT/files/client.zip
CA=$(winepath -w "$(bash "$ROOT/tools/simulator/test-certs.sh")/ca.pem" 2>/dev/null)

wine_session_start "$ROOT/build/wineprefix-bench$SFX"
win() { winepath -w "$1" 2>/dev/null; }

: > "$WORK/rates"
for run in $(seq "$RUNS"); do
  read -r bytes secs digest < <(wine "$(win "$BENCH")" "$URL" "$(win "$WORK/out-ours.bin")" | tr -d "\r")
  [ "$bytes" = "$SIZE" ] || { echo "ours: received $bytes of $SIZE bytes"; exit 1; }
  [ "$digest" = "$MD5" ] || { echo "ours: digest $digest, expected $MD5"; exit 1; }
  ours=$(python3 -c "print($bytes / $secs / 1e6)")
  rm -f "$WORK/out-ours.bin"

  read -r cbytes csecs < <(wine "$(win "$CURL_EXE")" -s --cacert "$CA" -o "$(win "$WORK/out-curl.bin")" \
    -w '%{size_download} %{time_total}\n' "$URL" | tr -d "\r")
  [ "$cbytes" = "$SIZE" ] || { echo "curl: received $cbytes of $SIZE bytes"; exit 1; }
  ref=$(python3 -c "print($cbytes / $csecs / 1e6)")
  rm -f "$WORK/out-curl.bin"
  printf 'run %d: DownloadToFile %.1f MB/s (%.2f s), curl.exe %.1f MB/s (%.2f s)\n' "$run" "$ours" "$secs" "$ref" "$csecs"
  echo "$ours $ref" >> "$WORK/rates"
done
python3 - "$WORK/rates" <<'PY'
import statistics, sys
pairs = [tuple(map(float, line.split())) for line in open(sys.argv[1])]
ours, ref = [p[0] for p in pairs], [p[1] for p in pairs]
print("DownloadToFile+MD5  best %.1f MB/s, median %.1f MB/s" % (max(ours), statistics.median(ours)))
print("curl.exe            best %.1f MB/s, median %.1f MB/s" % (max(ref), statistics.median(ref)))
print("median of the per-run ratios: %.3f" % statistics.median(o / r for o, r in pairs))
print("throughput ratio DownloadToFile/curl.exe (best of each): %.3f (goal >= 0.9)" % (max(ours) / max(ref)))
PY
