#!/usr/bin/env bash
# Runs setup.exe and the delay-load probe under Wine from a folder holding a planted DLL
# under every name the product loads on demand, with Wine told to prefer such native DLLs
# over its own. Passes when both run to success and no planted DLL ran; a control run
# first shows that a careless load by name does pick up the planted DLL here.
#   planted-dlls.sh WORK_DIR SETUP_EXE PROBE_EXE PLANTED_DLL CLOSER_EXE NAME...
# CLOSER_EXE runs from where it was built, outside the planted folder: it imports user32,
# which under Wine drags in more DLLs by name (see below).
set -uo pipefail
WORK=$1 SETUP=$2 PROBE=$3 PLANTED=$4 CLOSER=$5
shift 5
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export ROOT
source "$ROOT/scripts/wine-env.sh"

rm -rf "$WORK"
mkdir -p "$WORK"
cp "$SETUP" "$WORK/setup.exe"
cp "$PROBE" "$WORK/probe.exe"
for name in "$@"; do cp "$PLANTED" "$WORK/$name.dll"; done
# Native first for exactly these names: what Windows does for any DLL that is not built in.
BASE_OVERRIDES=$WINEDLLOVERRIDES
# A crash ends the process instead of waiting in Wine's debugger.
export WINEDLLOVERRIDES="$BASE_OVERRIDES;winedbg.exe=d;$(IFS=,; echo "$*")=n,b"
# Wine's own user32 and friends are no KnownDLLs: their imports (user32 imports version.dll)
# are looked up beside the exe, and native first would hand them the planted copy. On
# Windows those DLLs and their imports come from the KnownDLLs section, so for setup.exe,
# which imports them, such names stay built-in first; the probe, which imports none of
# them, covers those names with native first.
WINE_OWN=$(python3 - "$WINEPREFIX/drive_c/windows/syswow64" "$SETUP" "$@" <<'PY'
import os, sys
sys.path.insert(0, os.path.join(os.environ["ROOT"], "scripts"))
pe = __import__("pe-imports")
folder, exe, planted = sys.argv[1], sys.argv[2], {n.lower() for n in sys.argv[3:]}
seen, todo = set(), [dll for dll, _ in pe.PeFile(exe).imports()]
while todo:
    name = pe.stem(todo.pop())
    path = os.path.join(folder, name + ".dll")
    if name in seen or name in planted or not os.path.exists(path):
        continue
    seen.add(name)
    todo += [dll for dll, _ in pe.PeFile(path).imports()]
found = set()
for name in seen:
    found |= {pe.stem(d) for d, _ in pe.PeFile(os.path.join(folder, name + ".dll")).imports()} & planted
print(",".join(sorted(found)))
PY
)
cd "$WORK"

status=0
ran() { ls -- *.ran 2>/dev/null; }

wine probe.exe --load-by-name version.dll >/dev/null 2>&1
if [ ! -e version.dll.ran ]; then
  echo "control: a load of version.dll by name did not run the planted copy; this test cannot see anything"
  exit 1
fi
echo "control: a load of version.dll by name runs the planted copy (as it must)"
rm -f -- *.ran

for exe in probe.exe setup.exe; do
  if [ "$exe" = setup.exe ]; then
    if [ -n "$WINE_OWN" ]; then
      echo "setup.exe: built-in first for $WINE_OWN (imported by Wine's own system DLLs)"
      export WINEDLLOVERRIDES="$WINEDLLOVERRIDES;$WINE_OWN=b,n"
    fi
    # The installer runs until its window is closed; by the time the window shows, the
    # toolkit has loaded everything it draws with.
    timeout 120 wine setup.exe > setup.exe.out 2>&1 &
    installer=$!
    if wine "$CLOSER" CMainWnd >/dev/null 2>&1; then
      echo "setup.exe showed its window; closed it"
    else
      echo "setup.exe showed no window"
      status=1
    fi
    wait $installer
    rc=$?
  else
    timeout 120 wine "$exe" > "$exe.out" 2>&1
    rc=$?
  fi
  sed 's/^/  /' "$exe.out" | tr -d '\r'
  echo "$exe exited with $rc"
  [ $rc -eq 0 ] || status=1
  if [ -n "$(ran)" ]; then
    echo "$exe ran planted code: $(ran | tr '\n' ' ')"
    status=1
  fi
done
exit $status
