#!/usr/bin/env bash
# Runs the installer's DPI screenshot test at one screen DPI in the test prefix:
#   dpi-run.sh DPI SCALE DESKTOP EXE
# sets "LogPixels" (the user's and the machine's, as the display settings write them) to
# DPI, runs EXE expecting the window scale SCALE, and puts the default DPI back. DESKTOP is
# "-" for the session's screen, or WxH for a Wine virtual desktop of that size (the screen
# a 192-DPI laptop has). The test is serial: nothing else runs while the DPI is changed.
set -euo pipefail
DPI=$1 SCALE=$2 DESKTOP=$3 EXE=$4
source "$(dirname "$0")/../../scripts/wine-env.sh"

set_dpi() {
  local user="HKCU\\Control Panel\\Desktop"
  local machine="HKLM\\System\\CurrentControlSet\\Hardware Profiles\\Current\\Software\\Fonts"
  wine reg add "$user" /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
  wine reg add "$machine" /v LogPixels /t REG_DWORD /d "$1" /f </dev/null >/dev/null 2>&1
}
trap 'set_dpi 96' EXIT
set_dpi "$DPI"

RESULT=$(mktemp -d)/result.xml
export VARLO_TEST=1 VARLO_TEST_DPI=$DPI VARLO_TEST_SCALE=$SCALE
if [ "$DESKTOP" = "-" ]; then
  wine "$EXE" --gtest_output=xml:"$(winepath -w "$RESULT")" </dev/null || true
else
  wine explorer /desktop="varlo-dpi-$DPI,$DESKTOP" "$EXE" --gtest_output=xml:"$(winepath -w "$RESULT")" </dev/null || true
fi
# A virtual desktop does not hand the program's exit code on: the report decides.
[ -f "$RESULT" ] || { echo "dpi-run: the test wrote no report"; exit 1; }
grep -o '<testsuites [^>]*>' "$RESULT"
grep -q '<testsuites tests="[1-9][0-9]*" failures="0"' "$RESULT" && ! grep -q 'errors="[1-9]' "$RESULT"
