#!/usr/bin/env bash
# Makes a pristine 64-bit Wine prefix once (cached by Wine version and this recipe) and
# copies it to the target folder given as $1. Then runs the hooks in scripts/prefix.d/
# (test CA and the like) against the copy. Non-interactive: no Mono/Gecko prompts,
# no menu integration, desktop folders as plain folders inside the prefix.
#   --keep: a prefix already in the target is kept as it is (a user's machine between
#   runs); the hooks still run against it.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
KEEP=0
if [ "${1:-}" = --keep ]; then KEEP=1; shift; fi
TARGET=${1:?usage: wine-prefix.sh [--keep] TARGET_DIR}
CACHE_ROOT=${VARLO_CACHE:-/var/cache/varlo}
# shellcheck source=scripts/stage.sh
source "$HERE/stage.sh"

wine_quiet() { wine "$@" </dev/null >/dev/null 2>&1; }

# The pristine prefix in the empty folder $1; Wine's own output goes to $2.
prepare_prefix() {
  local tmp=$1 log=$2
  VARLO_WINEPREFIX=$tmp source "$HERE/wine-env.sh"
  if ! wineboot -i </dev/null >"$log" 2>&1 || ! wineserver -w || [ ! -s "$tmp/system.reg" ]; then
    echo "wine-prefix: wineboot could not make a Wine prefix in $tmp (Wine said:)" >&2
    tail -n 20 "$log" >&2
    return 1
  fi
  # Desktop folders: plain folders inside the prefix, never links into $HOME.
  local u
  for u in "$tmp"/drive_c/users/*/; do
    for d in "$u"*; do
      if [ -L "$d" ]; then rm -f "$d"; mkdir -p "$d"; fi
    done
  done
  # Chinese texts: map the face names the skin asks for onto installed CJK fonts.
  cat > "$tmp/fonts.reg" <<'REG'
Windows Registry Editor Version 5.00

[HKEY_CURRENT_USER\Software\Wine\Fonts\Replacements]
"Microsoft YaHei"="WenQuanYi Micro Hei"
"微软雅黑"="WenQuanYi Micro Hei"
"SimHei"="WenQuanYi Micro Hei"
"黑体"="WenQuanYi Micro Hei"
"SimSun"="Noto Serif CJK SC"
"宋体"="Noto Serif CJK SC"
"NSimSun"="Noto Serif CJK SC"
"新宋体"="Noto Serif CJK SC"
"PMingLiU"="Noto Serif CJK TC"
"MingLiU"="Noto Serif CJK TC"

[HKEY_CURRENT_USER\Software\Wine\DllOverrides]
"winemenubuilder.exe"=""

[HKEY_LOCAL_MACHINE\Software\Microsoft\Windows NT\CurrentVersion\FontLink\SystemLink]
"Tahoma"=hex(7):77,00,71,00,79,00,2d,00,6d,00,69,00,63,00,72,00,6f,00,68,00,65,00,69,00,2e,00,74,00,74,00,63,00,2c,00,57,00,65,00,6e,00,51,00,75,00,61,00,6e,00,59,00,69,00,20,00,4d,00,69,00,63,00,72,00,6f,00,20,00,48,00,65,00,69,00,00,00,00,00
"MS Shell Dlg"=hex(7):77,00,71,00,79,00,2d,00,6d,00,69,00,63,00,72,00,6f,00,68,00,65,00,69,00,2e,00,74,00,74,00,63,00,2c,00,57,00,65,00,6e,00,51,00,75,00,61,00,6e,00,59,00,69,00,20,00,4d,00,69,00,63,00,72,00,6f,00,20,00,48,00,65,00,69,00,00,00,00,00
"MS Shell Dlg 2"=hex(7):77,00,71,00,79,00,2d,00,6d,00,69,00,63,00,72,00,6f,00,68,00,65,00,69,00,2e,00,74,00,74,00,63,00,2c,00,57,00,65,00,6e,00,51,00,75,00,61,00,6e,00,59,00,69,00,20,00,4d,00,69,00,63,00,72,00,6f,00,20,00,48,00,65,00,69,00,00,00,00,00
REG
  # regedit reads .reg files as UTF-16 when they carry a BOM; write one so the Chinese names survive.
  python3 - "$tmp/fonts.reg" <<'PY'
import sys
p = sys.argv[1]
t = open(p, encoding="utf-8").read().replace("\n", "\r\n")
open(p, "wb").write(b"\xff\xfe" + t.encode("utf-16-le"))
PY
  if ! wine_quiet regedit /S "$(winepath -w "$tmp/fonts.reg")" || ! wineserver -w; then
    echo "wine-prefix: regedit could not write the font settings into $tmp" >&2
    return 1
  fi
  rm -f "$tmp/fonts.reg"
}

# A machine that runs only 64-bit code makes a prefix without the 32-bit half: its own key.
# The recipe counts as bash holds it (no comments), so a change to the staging or a comment
# keeps the cached prefix.
KEY=$( (bash -c 'source "$1"; wine --version; varlo_can_run_32bit && echo 32-bit' _ "$HERE/wine-env.sh"
        declare -f prepare_prefix; sha256sum "$HERE/wine-env.sh" | cut -c1-64) | sha256sum | cut -c1-16)
PRISTINE=$CACHE_ROOT/wineprefix-$KEY

# Made in a stage of this run's own and moved into place (see scripts/stage.sh): two runs
# making it at once each make one, and the first to finish provides it.
make_pristine() {
  stage_sweep "$PRISTINE"
  STAGE=$(stage_begin "$PRISTINE")
  WINEBOOT_LOG=$(mktemp "${TMPDIR:-/tmp}/varlo-wineboot.XXXXXX")
  trap 'rm -rf "$STAGE" "$WINEBOOT_LOG"' EXIT
  prepare_prefix "$STAGE" "$WINEBOOT_LOG"
  touch "$STAGE/.complete"
  stage_publish "$STAGE" "$PRISTINE" .complete
}

# The prefix records its own path nowhere that matters, so a copy works in place.
wineserver_for() { WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true; }
if [ "$KEEP" = 1 ] && [ -f "$TARGET/system.reg" ]; then
  echo "wine-prefix: keeping the prefix in $TARGET" >&2
else
  [ -f "$PRISTINE/.complete" ] || make_pristine
  if [ -d "$TARGET" ]; then wineserver_for "$TARGET"; rm -rf "$TARGET"; fi
  mkdir -p "$(dirname "$TARGET")"
  cp -a "$PRISTINE" "$TARGET"
  rm -f "$TARGET/.complete"
fi

export VARLO_WINEPREFIX=$TARGET
source "$HERE/wine-env.sh"
if [ -d "$HERE/prefix.d" ]; then
  for hook in "$HERE"/prefix.d/*.sh; do
    [ -e "$hook" ] || continue
    bash "$hook" "$TARGET"
  done
fi
