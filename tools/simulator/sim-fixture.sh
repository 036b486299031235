#!/usr/bin/env bash
# CTest fixture around the vendor simulator: "start STATE" launches it in the background
# with the test certificates and any free ports; "stop STATE" ends that instance.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
ACTION=${1:?usage: sim-fixture.sh start|stop STATE_FILE}
STATE=${2:?usage: sim-fixture.sh start|stop STATE_FILE}
PY=$(command -v python3)
case "$ACTION" in
  start)
    # A simulator left over from an interrupted run of this build is ended first.
    "$PY" "$HERE/varlo_sim.py" stop --state "$STATE" || true
    CERTS=$(bash "$HERE/test-certs.sh")
    exec "$PY" "$HERE/varlo_sim.py" start --certs "$CERTS" --state "$STATE" --log "${STATE%.json}.log"
    ;;
  stop)
    exec "$PY" "$HERE/varlo_sim.py" stop --state "$STATE"
    ;;
  *)
    echo "unknown action $ACTION" >&2
    exit 2
    ;;
esac
