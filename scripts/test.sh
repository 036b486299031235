#!/usr/bin/env bash
# Runs every test: the native build (pure logic with ASan/UBSan, fuzzers for a bounded
# time) and the product build's tests under Wine. Does all of its own set-up.
#   VARLO_SKIP_NATIVE=1 / VARLO_SKIP_WINDOWS=1 / VARLO_SKIP_FUZZ=1 narrow a local run.
#   VARLO_BUILD_SUFFIX=-x uses build/native-x, build/windows-x and build/wineprefix-x, so
#   several people can build and test in one tree at once.
#   Extra arguments go to both CTest runs (e.g. -R Md5).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
bash scripts/setup-host.sh
status=0
SFX=${VARLO_BUILD_SUFFIX:-}

echo "== format =="
bash scripts/check-format.sh || status=1

if [ "${VARLO_SKIP_NATIVE:-0}" != 1 ]; then
  echo "== native build (ASan/UBSan) =="
  cmake --preset native -B "build/native$SFX" -UVARLO_FOLDERS >/dev/null
  cmake --build "build/native$SFX"
  fuzz_args=()
  [ "${VARLO_SKIP_FUZZ:-0}" = 1 ] && fuzz_args=(-LE fuzz)
  ctest --test-dir "build/native$SFX" --output-on-failure "${fuzz_args[@]}" "$@" || status=1
fi

if [ "${VARLO_SKIP_WINDOWS:-0}" != 1 ]; then
  echo "== Windows build, tests under Wine =="
  deps=$(bash scripts/build-deps.sh | tail -1)
  cmake --preset windows -B "build/windows$SFX" -DVARLO_DEPS_PREFIX="$deps" -UVARLO_FOLDERS >/dev/null
  cmake --build "build/windows$SFX"
  source scripts/wine-session.sh
  # Set before the start, so a start that fails half-way still takes its display down.
  trap wine_session_stop EXIT
  wine_session_start "$ROOT/build/wineprefix$SFX"
  ctest --test-dir "build/windows$SFX" --output-on-failure -j2 "$@" || status=1
fi
exit $status
