#!/usr/bin/env bash
# Builds setup.exe and runs it under Wine (under Xvfb when there is no display), against
# the local vendor simulator when the build has one. Does all of its own set-up; a second
# run only rebuilds what changed. The Wine prefix build/wineprefix-run is kept between runs
# like a user's machine; VARLO_FRESH=1 starts from a clean one.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
bash scripts/setup-host.sh
deps=$(bash scripts/build-deps.sh | tail -1)
cmake --preset windows -B build/windows-run -DVARLO_DEPS_PREFIX="$deps" -DBUILD_TESTING=OFF \
  -DVARLO_SIMULATOR_ENDPOINTS=ON >/dev/null
cmake --build build/windows-run --target setup

PREFIX=$ROOT/build/wineprefix-run
export VARLO_WINEPREFIX=$PREFIX
source scripts/wine-env.sh
if [ "${VARLO_FRESH:-0}" = 1 ] || [ ! -f "$PREFIX/system.reg" ]; then
  bash scripts/wine-prefix.sh "$PREFIX"
fi

cleanup=()
# Undone in reverse: Wine before the display it draws on.
trap 'for ((i = ${#cleanup[@]} - 1; i >= 0; i--)); do eval "${cleanup[i]}"; done' EXIT
if [ -z "${DISPLAY:-}" ]; then
  for n in $(seq 90 120); do [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break; done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  cleanup+=("kill $! 2>/dev/null || true")
  export DISPLAY=:$n
  echo "No display: running under Xvfb on $DISPLAY"
fi
# The simulator's test CA is trusted only inside this prefix (scripts/prefix.d).
source tools/simulator/start-demo.sh
cleanup+=("wineserver -k >/dev/null 2>&1 || true")

echo "Running build/windows-run/app/setup.exe under Wine (prefix $PREFIX)"
set +e
wine build/windows-run/app/setup.exe </dev/null
rc=$?
set -e
temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null || true)
log="$temp/varloSetup/VarloSetup.log"
echo "setup.exe exited with $rc"
if [ -f "$log" ]; then
  echo "Log: $log"
else
  echo "Log directory: $temp/varloSetup/ (no log lines were written by this run)"
fi
exit $rc
