#!/usr/bin/env bash
# Photographs every page of the packed skin and the message box mock-up under Wine + Xvfb
# and writes the named controls' rectangles of each page.
# usage: tools/skin_preview/screenshots.sh BUILD_DIR OUT_DIR
set -euo pipefail
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
BUILD=$(cd "${1:?usage: screenshots.sh BUILD_DIR OUT_DIR}" && pwd)
OUT=${2:?usage: screenshots.sh BUILD_DIR OUT_DIR}
mkdir -p "$OUT"
OUT=$(cd "$OUT" && pwd)
EXE=$BUILD/tools/skin_preview/skin_preview.exe
ZIP=$BUILD/resources/skin.zip

unset DISPLAY
source "$ROOT/scripts/wine-session.sh"
wine_session_start "$BUILD/skin-preview-prefix"
trap wine_session_stop EXIT

X=40
Y=40
# shot NAME HEIGHT ARGS...: one run of the preview, photographed after it settled.
shot() {
  local name=$1 height=$2
  shift 2
  wine "$EXE" "$(winepath -w "$ZIP")" "$@" --at "$X,$Y" --seconds 6 </dev/null >/dev/null 2>&1 &
  local pid=$!
  sleep 4
  import -window root -crop "800x${height}+${X}+${Y}" +repage "$OUT/$name.png"
  wait "$pid" || true
}

: > "$OUT/positions.txt"
for page in 0 1 2 3; do
  height=430
  [ "$page" = 1 ] && height=550
  args=("$page")
  case $page in
    1) args+=(--agree) ;;
    2) args+=(--progress 40) ;;
  esac
  shot "page$page" "$height" "${args[@]}" --positions "$(winepath -w "$OUT/positions-$page.txt")"
  cat "$OUT/positions-$page.txt" >> "$OUT/positions.txt"
  rm -f "$OUT/positions-$page.txt"
  shot "page${page}-traditional" "$height" "${args[@]}" --traditional
done
shot page0-agreed 430 0 --agree
shot box-question 430 0 --box 2
shot box-error 430 0 --box 3
shot box-one-button 430 0 --box 1 --traditional
echo "$OUT"
