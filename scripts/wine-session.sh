# Sourced: starts a display (when there is none) and one persistent wineserver in a fresh
# copy of the test prefix. Wine's background services are started here with their stdio
# on /dev/null, so they never inherit a pipe of CTest's and keep it open. A part that does
# not start says so and returns non-zero.

# A display of our own on the first free number, for scripts that need one without Wine's
# session; its pid is left in VARLO_XVFB_PID. Another run may pick the same number at the
# same moment: Xvfb's lock file decides, and the loser tries the next number.
xvfb_start() {
  local n pid owner
  if ! command -v Xvfb >/dev/null; then
    echo "wine-session: Xvfb is not installed (scripts/setup-host.sh installs it)" >&2
    return 1
  fi
  for n in $(seq 90 150); do
    if [ -e /tmp/.X11-unix/X$n ] || [ -e /tmp/.X$n-lock ]; then continue; fi
    Xvfb :$n -screen 0 1280x1024x24 -nolisten tcp </dev/null >/dev/null 2>&1 &
    pid=$!
    # Ours once the lock names our server and its socket is there.
    for _ in $(seq 100); do
      kill -0 "$pid" 2>/dev/null || break
      # Not there yet is no failure, also for a caller that runs with errexit and pipefail.
      owner=$(cat /tmp/.X$n-lock 2>/dev/null | tr -d ' \n' || true)
      if [ "$owner" = "$pid" ] && [ -S /tmp/.X11-unix/X$n ]; then
        VARLO_XVFB_PID=$pid
        export DISPLAY=:$n
        return 0
      fi
      sleep 0.1
    done
    kill "$pid" 2>/dev/null || true
    wait "$pid" 2>/dev/null || true
  done
  echo "wine-session: Xvfb did not start on any display from :90 to :150" >&2
  return 1
}

wine_session_start() {
  local prefix=$1 root
  root=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
  if ! bash "$root/scripts/wine-prefix.sh" "$prefix"; then
    echo "wine-session: the test prefix $prefix could not be made" >&2
    return 1
  fi
  export VARLO_WINEPREFIX=$prefix
  source "$root/scripts/wine-env.sh"
  if [ -z "${DISPLAY:-}" ]; then xvfb_start || return 1; fi
  if ! wineserver -p </dev/null >/dev/null 2>&1; then
    echo "wine-session: wineserver did not start for $prefix" >&2
    return 1
  fi
  if ! wine cmd /c exit 0 </dev/null >/dev/null 2>&1; then
    echo "wine-session: Wine could not run a program in $prefix" >&2
    return 1
  fi
}

wine_session_stop() {
  # Only the session's own prefix: a start that failed before choosing it has no server.
  if [ -n "${WINEPREFIX:-}" ]; then wineserver -k >/dev/null 2>&1 || true; fi
  if [ -n "${VARLO_XVFB_PID:-}" ]; then kill "$VARLO_XVFB_PID" 2>/dev/null || true; fi
}
