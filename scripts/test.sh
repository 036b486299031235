#!/usr/bin/env bash
# Runs every test: the native build (pure logic with ASan/UBSan, fuzzers for a bounded
# time) and the product build's tests under Wine. Does all of its own set-up.
#   VARLO_SKIP_NATIVE=1 / VARLO_SKIP_WINDOWS=1 / VARLO_SKIP_FUZZ=1 narrow a local run.
#   VARLO_BUILD_SUFFIX=-x uses build/native-x, build/windows-x and build/wineprefix-x, and
#   end-to-end simulator ports of its own (derived from the suffix in core/CMakeLists.txt),
#   so several people can build and test in one tree at once.
#   Extra arguments go to both CTest runs (e.g. -R Md5).
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/.." && pwd)
cd "$ROOT"
bash scripts/setup-host.sh
status=0
SFX=${VARLO_BUILD_SUFFIX:-}

# How long each phase took, printed at the end: where a slow run spent its time.
phases=()
phase_began=$SECONDS phase_name=
phase() {
  [ -n "$phase_name" ] && phases+=("$(printf '%5d s  %s' $((SECONDS - phase_began)) "$phase_name")")
  phase_began=$SECONDS phase_name=$1
}
phase_summary() {
  phase ""
  echo "== time per phase =="
  printf '%s\n' "${phases[@]}"
  printf '%5d s  in all\n' "$SECONDS"
}

phase "set-up and format"
echo "== format =="
bash scripts/check-format.sh || status=1

if [ "${VARLO_SKIP_NATIVE:-0}" != 1 ]; then
  phase "native build"
  echo "== native build (ASan/UBSan) =="
  cmake --preset native -B "build/native$SFX" -UVARLO_FOLDERS >/dev/null
  cmake --build "build/native$SFX"
  phase "native tests and fuzzers"
  fuzz_args=()
  [ "${VARLO_SKIP_FUZZ:-0}" = 1 ] && fuzz_args=(-LE fuzz)
  # Two at a time: each fuzzer runs its fixed time on a core of its own.
  ctest --test-dir "build/native$SFX" --output-on-failure -j2 "${fuzz_args[@]}" "$@" || status=1
fi

if [ "${VARLO_SKIP_WINDOWS:-0}" != 1 ]; then
  phase "Windows builds and checks"
  echo "== Windows build, tests under Wine =="
  deps=$(bash scripts/build-deps.sh | tail -1)
  # The tests' builds pin the client's publisher to the test publisher, who signs the
  # simulator's stand-in clients.
  certs=$(bash tools/simulator/test-certs.sh)
  publisher=(-DVARLO_CLIENT_PUBLISHER_SUBJECT="$(cat "$certs/codesign.subject")"
             -DVARLO_CLIENT_PUBLISHER_SPKI_SHA256="$(cat "$certs/codesign.spki-sha256")")
  cmake --preset windows -B "build/windows$SFX" -DVARLO_DEPS_PREFIX="$deps" -DVARLO_BUILD_SUFFIX="$SFX" \
    "${publisher[@]}" -UVARLO_FOLDERS >/dev/null
  cmake --build "build/windows$SFX"
  tests="build/windows$SFX"
  source scripts/wine-env.sh
  if ! varlo_can_run_32bit; then
    echo "== this machine's kernel cannot run 32-bit programs, so neither can Wine: the product"
    echo "   is built for 32-bit Windows as above, and its tests run on a 64-bit build of the"
    echo "   same sources under 64-bit Wine =="
    # What needs no running: the 32-bit product imports only what it may, none of it missing
    # on Windows 7 (and the check does refuse an exe that imports such a function), and it
    # is signed.
    known=$(sed -n 's/^VARLO_KNOWN_DLLS:INTERNAL=//p' "build/windows$SFX/CMakeCache.txt" | tr ';' ',')
    python3 scripts/pe-imports.py --allow "$known" --win7 scripts/win7-missing-imports.txt \
      "build/windows$SFX/app/setup.exe" "build/windows$SFX/app/setup_e2e.exe" \
      "build/windows$SFX/tests/app/import_probe.exe" || status=1
    refused=$(python3 scripts/pe-imports.py --win7 scripts/win7-missing-imports.txt \
      "build/windows$SFX/tests/app/win7_missing_import.exe" 2>&1 || true)
    echo "$refused"
    if grep -q "imports GetDpiForWindow from .*, which Windows 7 SP1 lacks" <<<"$refused"; then
      echo "the import check refuses an exe importing a function Windows 7 lacks, as it should"
    else
      echo "the import check let an exe importing GetDpiForWindow pass" >&2
      status=1
    fi
    bash scripts/check-signature.sh "build/windows$SFX/app/setup.exe" "build/windows$SFX/app/setup_e2e.exe" || status=1
    deps64=$(VARLO_DEPS_HOST=x86_64-w64-mingw32 bash scripts/build-deps.sh | tail -1)
    cmake --preset windows64 -B "build/windows64$SFX" -DVARLO_DEPS_PREFIX="$deps64" -DVARLO_BUILD_SUFFIX="$SFX" \
      "${publisher[@]}" -UVARLO_FOLDERS >/dev/null
    cmake --build "build/windows64$SFX"
    tests="build/windows64$SFX"
  fi
  source scripts/wine-session.sh
  # A display of the run's own, never the caller's: the end-to-end scenarios move the
  # mouse, and another run beside this one must not share its screen.
  unset DISPLAY
  # Set before the start, so a start that fails half-way still takes its display down.
  trap wine_session_stop EXIT
  wine_session_start "$ROOT/build/wineprefix$SFX"
  phase "Windows tests and end-to-end scenarios"
  # Three at a time: the end-to-end scenario of the moment (its own display, prefix and
  # server) and two tests of the test prefix; what is timed runs alone (the resource slots).
  ctest --test-dir "$tests" --output-on-failure -j3 "$@" || status=1
fi
phase_summary
exit $status
