#!/usr/bin/env bash
# The whole install through the real exe (setup_bench.exe: setup.exe built as setup_e2e.exe
# is, talking to the simulator on the benchmark's own ports) of a ~200 MB package, driven
# like a user under Wine and Xvfb, from the click on 立即安装 to the finished page less
# the installer's one-second stage pauses, against curl.exe -o + md5sum + unzip of the
# same package from the same simulator in the same run (bench/install's package and
# reference sequence). Prints both times and the ratio (goal <= 0.8), the installer's
# peak working set read from Windows (goal <= 40 MB) and how far it lies above a bare
# window showing the same texts in the same fonts, measured the same way in the same run
# (goal <= 16 MiB), the window's answer times to WM_NULL sent from another process during
# the download and the extraction (goal: p99 <= 50 ms), and the stripped exe's size (goal
# <= 2.5 MB). The figures are noisy on a shared machine: compare within one run.
#   VARLO_BENCH_RUNS (default 3) installs, each followed by the reference sequence.
#   VARLO_E2E_BENCH_PORT_BASE (default 18740) the simulator's ports, apart from the tests'.
#   VARLO_BUILD_SUFFIX picks the build tree as in the other benchmarks.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
SFX=${VARLO_BUILD_SUFFIX:-}
RUNS=${VARLO_BENCH_RUNS:-3}
WORK=${TMPDIR:-/tmp}/varlo-e2e-bench$SFX
mkdir -p "$WORK"
PORT_BASE=${VARLO_E2E_BENCH_PORT_BASE:-18740}

# The product as shipped, for its size.
DEPS=$(bash "$ROOT/scripts/build-deps.sh" | tail -1)
cmake --preset windows -S "$ROOT" -B "$ROOT/build/windows$SFX" -DVARLO_DEPS_PREFIX="$DEPS" -UVARLO_FOLDERS >/dev/null
cmake --build "$ROOT/build/windows$SFX" --target setup >/dev/null
EXE=$ROOT/build/windows$SFX/app/setup.exe
# What runs: on a kernel without 32-bit support, a 64-bit build of the same sources,
# measured against a 64-bit curl.exe (as the tests do; see scripts/test.sh).
source "$ROOT/scripts/wine-env.sh"
if varlo_can_run_32bit; then
  PRESET=windows BUILD=$ROOT/build/windows$SFX RUN_DEPS=$DEPS RUN_HOST=i686-w64-mingw32
else
  RUN_HOST=x86_64-w64-mingw32
  PRESET=windows64 BUILD=$ROOT/build/windows64$SFX
  RUN_DEPS=$(VARLO_DEPS_HOST=$RUN_HOST bash "$ROOT/scripts/build-deps.sh" | tail -1)
  echo "[bench] this kernel runs no 32-bit programs: timing the 64-bit build under 64-bit Wine"
fi
cmake --preset "$PRESET" -S "$ROOT" -B "$BUILD" -DVARLO_DEPS_PREFIX="$RUN_DEPS" -DVARLO_E2E_BENCH_PORT_BASE="$PORT_BASE" -UVARLO_FOLDERS >/dev/null
cmake --build "$BUILD" --target setup setup_bench e2e_fake_client e2e_ui_probe e2e_baseline_window >/dev/null
CURL_EXE=$(VARLO_DEPS_HOST=$RUN_HOST bash "$ROOT/bench/core/build-curl-tool.sh" "$RUN_DEPS" | tail -1)
PKG=$WORK/package.zip
bash "$ROOT/bench/install/make-package.sh" "$PKG"
MD5=$(md5sum "$PKG" | cut -c1-32)
CA=$(bash "$ROOT/tools/simulator/test-certs.sh")/ca.pem

if [ -z "${DISPLAY:-}" ]; then
  source "$ROOT/scripts/wine-session.sh"
  trap 'kill $VARLO_XVFB_PID 2>/dev/null || true' EXIT
  xvfb_start
fi

/usr/bin/python3 "$ROOT/bench/e2e/e2e_bench.py" --build "$BUILD" --package "$PKG" --md5 "$MD5" \
  --curl "$CURL_EXE" --ca "$CA" --work "$WORK" --runs "$RUNS" \
  --setup "$BUILD/bench/e2e/setup_bench.exe" --port-base "$PORT_BASE"

i686-w64-mingw32-strip -o "$WORK/setup-stripped.exe" "$EXE"
printf 'setup.exe: %d bytes as built, %d bytes stripped again: %.2f MiB (goal <= 2.5)\n' \
  "$(stat -c %s "$EXE")" "$(stat -c %s "$WORK/setup-stripped.exe")" \
  "$(echo "$(stat -c %s "$WORK/setup-stripped.exe") / 1048576" | bc -l)"
rm -f "$WORK/setup-stripped.exe"
