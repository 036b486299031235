# Sourced: starts a display (when there is none) and one persistent wineserver in a fresh
# copy of the test prefix. Wine's background services are started here with their stdio
# on /dev/null, so they never inherit a pipe of CTest's and keep it open.

# A display of our own on the first free number, for scripts that need one without Wine's
# session; its pid is left in VARLO_XVFB_PID.
xvfb_start() {
  local n
  for n in $(seq 90 120); do
    [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ] || break
  done
  Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
  VARLO_XVFB_PID=$!
  export DISPLAY=:$n
  for _ in $(seq 50); do [ -e /tmp/.X11-unix/X$n ] && break; sleep 0.1; done
}

wine_session_start() {
  local prefix=$1 root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  bash "$root/scripts/wine-prefix.sh" "$prefix"
  export VARLO_WINEPREFIX=$prefix
  source "$root/scripts/wine-env.sh"
  if [ -z "${DISPLAY:-}" ]; then xvfb_start; fi
  wineserver -p </dev/null >/dev/null 2>&1
  wine cmd /c exit 0 </dev/null >/dev/null 2>&1
}

wine_session_stop() {
  # Only the session's own prefix: a start that failed before choosing it has no server.
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${VARLO_XVFB_PID:-}" ]; then kill "$VARLO_XVFB_PID" 2>/dev/null || true; fi
}
