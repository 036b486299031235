#!/usr/bin/env bash
# Makes a pristine 64-bit Wine prefix once (cached by Wine version and this recipe) and
# copies it to the target folder given as $1. Then runs the hooks in scripts/prefix.d/
# (test CA and the like) against the copy. Non-interactive: no Mono/Gecko prompts,
# no menu integration, desktop folders as plain folders inside the prefix.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
TARGET=${1:?usage: wine-prefix.sh TARGET_DIR}
CACHE_ROOT=${VARLO_CACHE:-/var/cache/varlo}
# A machine that runs only 64-bit code makes a prefix without the 32-bit half: its own key.
KEY=$( (bash -c 'source "$1"; wine --version; varlo_can_run_32bit && echo 32-bit' _ "$HERE/wine-env.sh"
        sha256sum "$0" "$HERE/wine-env.sh" | cut -c1-64) | sha256sum | cut -c1-16)
PRISTINE=$CACHE_ROOT/wineprefix-$KEY

wine_quiet() { wine "$@" </dev/null >/dev/null 2>&1; }

make_pristine() {
  local tmp=$PRISTINE.partial
  rm -rf "$tmp"; mkdir -p "$CACHE_ROOT"
  VARLO_WINEPREFIX=$tmp source "$HERE/wine-env.sh"
  wineboot -i </dev/null >/dev/null 2>&1
  wineserver -w
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
  wine_quiet regedit /S "$(winepath -w "$tmp/fonts.reg")"
  wineserver -w
  rm -f "$tmp/fonts.reg"
  rm -rf "$PRISTINE"; mv "$tmp" "$PRISTINE"
}

[ -f "$PRISTINE/system.reg" ] || make_pristine

# The prefix records its own path nowhere that matters, so a copy works in place.
wineserver_for() { WINEPREFIX=$1 wineserver -k >/dev/null 2>&1 || true; }
if [ -d "$TARGET" ]; then wineserver_for "$TARGET"; rm -rf "$TARGET"; fi
mkdir -p "$(dirname "$TARGET")"
cp -a "$PRISTINE" "$TARGET"

export VARLO_WINEPREFIX=$TARGET
source "$HERE/wine-env.sh"
if [ -d "$HERE/prefix.d" ]; then
  for hook in "$HERE"/prefix.d/*.sh; do
    [ -e "$hook" ] || continue
    bash "$hook" "$TARGET"
  done
fi
