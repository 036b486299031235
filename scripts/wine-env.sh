# Sourced by the scripts that run Windows programs: the Wine settings every run shares.
# VARLO_WINEPREFIX picks the prefix (default: the test prefix inside the build tree).
VARLO_ROOT=${VARLO_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)}
export WINEPREFIX=${VARLO_WINEPREFIX:-$VARLO_ROOT/build/wineprefix}
export WINEARCH=win64
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
export WINE_LARGE_ADDRESS_AWARE=1
