#!/usr/bin/env bash
# Builds the installer and runs it under Wine against the local vendor simulator. Does all
# of its own set-up; a second run only rebuilds what changed.
#  - With a display: opens the installer window for you to use (build/windows-run/app/
#    setup.exe, the simulator on its demo ports; the Wine prefix build/wineprefix-run is
#    kept between runs like a user's machine, VARLO_FRESH=1 starts from a clean one).
#  - Without one (or with VARLO_DRIVE=1): under Xvfb, drives a default install the way a
#    user would, with the end-to-end driver, and prints where the client went, what was
#    registered and where the screenshots of each page are.
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
bash scripts/setup-host.sh
source scripts/wine-env.sh
if varlo_can_run_32bit; then
  preset=windows BUILD=build/windows-run
  deps=$(bash scripts/build-deps.sh | tail -1)
else
  # As scripts/test.sh does: this kernel runs no 32-bit program, so neither can Wine; the
  # same sources built for 64-bit Windows run instead.
  echo "This kernel runs no 32-bit programs: running a 64-bit build of the installer under 64-bit Wine"
  preset=windows64 BUILD=build/windows64-run
  deps=$(VARLO_DEPS_HOST=x86_64-w64-mingw32 bash scripts/build-deps.sh | tail -1)
fi
# Passed in so a kept build follows the file as the simulator started below does.
# Its own suffix, so a drive under Xvfb takes end-to-end ports apart from scripts/test.sh's.
cmake --preset "$preset" -B "$BUILD" -DVARLO_DEPS_PREFIX="$deps" -DBUILD_TESTING=ON -DVARLO_BUILD_SUFFIX=-run \
  -DVARLO_SIMULATOR_ENDPOINTS=ON -DVARLO_SIMULATOR_PORT_BASE="$(head -n1 tools/simulator/demo-port-base)" -UVARLO_FOLDERS >/dev/null
cmake --build "$BUILD" --target setup setup_e2e setup_e2e_paced e2e_fake_client

cleanup=()
# Undone in reverse: Wine before the display it draws on.
trap 'for ((i = ${#cleanup[@]} - 1; i >= 0; i--)); do eval "${cleanup[i]}"; done' EXIT
drive=${VARLO_DRIVE:-0}
if [ -z "${DISPLAY:-}" ]; then
  drive=1
  source scripts/wine-session.sh
  xvfb_start
  cleanup+=("kill $VARLO_XVFB_PID 2>/dev/null || true")
  echo "No display: driving a default install under Xvfb on $DISPLAY"
fi

if [ "$drive" = 1 ]; then
  OUT=$ROOT/$BUILD/demo
  rm -rf "$OUT"
  # Not exec'd: the display above is taken down on the way out.
  /usr/bin/python3 tests/e2e/e2e.py --build "$BUILD" --demo "$OUT"
  exit
fi

PREFIX=$ROOT/build/wineprefix-run
export VARLO_WINEPREFIX=$PREFIX
export WINEPREFIX=$PREFIX
# Kept between runs, but the hooks run on every start: the simulator's test CA (trusted
# only inside this prefix, scripts/prefix.d) may have been made anew since the prefix was.
keep=(--keep)
[ "${VARLO_FRESH:-0}" = 1 ] && keep=()
bash scripts/wine-prefix.sh "${keep[@]}" "$PREFIX"
source tools/simulator/start-demo.sh
cleanup+=("wineserver -k >/dev/null 2>&1 || true")

echo "Running $BUILD/app/setup.exe under Wine (prefix $PREFIX)"
set +e
wine "$BUILD/app/setup.exe" </dev/null
rc=$?
set -e
temp=$(winepath -u "$(wine cmd /c echo %TEMP% 2>/dev/null | tr -d '\r')" 2>/dev/null || true)
echo "setup.exe exited with $rc; log: $temp/varloSetup/VarloSetup.log"
exit $rc
