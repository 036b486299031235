# Sourced by the scripts that run Windows programs: the Wine settings every run shares.
# VARLO_WINEPREFIX picks the prefix (default: the test prefix inside the build tree).
VARLO_ROOT=${VARLO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${VARLO_WINEPREFIX:-$VARLO_ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINE_LARGE_ADDRESS_AWARE=1

# Whether this kernel runs 32-bit programs at all (some virtual machines' kernels are built
# without it). Where it does not, Wine runs only 64-bit code, and the tests run on a 64-bit
# build of the same sources (scripts/test.sh says so when it happens).
varlo_can_run_32bit() {
  [ -x /lib/ld-linux.so.2 ] && /lib/ld-linux.so.2 --version >/dev/null 2>&1
}
if ! varlo_can_run_32bit; then
  case ":$PATH:" in
    *":$VARLO_ROOT/scripts/wine64-shim:"*) ;;
    *) export PATH="$VARLO_ROOT/scripts/wine64-shim:$PATH" ;;
  esac
  export WINELOADER=/usr/lib/wine/wine64
fi
