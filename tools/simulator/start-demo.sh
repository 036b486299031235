# Sourced by scripts/run.sh: starts the vendor simulator on its fixed demo ports (the ones
# a -DVARLO_SIMULATOR_ENDPOINTS=ON build talks to) and arranges for it to stop with the run.
VARLO_SIM_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
VARLO_SIM_STATE=${VARLO_SIM_STATE:-$ROOT/build/simulator-demo/state.json}
# The same port base the demo build compiles in (core/CMakeLists.txt reads this file too).
VARLO_SIM_PORT_BASE=$(head -n1 "$VARLO_SIM_DIR/demo-port-base")
mkdir -p "$(dirname "$VARLO_SIM_STATE")"
python3 "$VARLO_SIM_DIR/varlo_sim.py" stop --state "$VARLO_SIM_STATE" >/dev/null 2>&1 || true
python3 "$VARLO_SIM_DIR/varlo_sim.py" start --certs "$(bash "$VARLO_SIM_DIR/test-certs.sh")" \
  --state "$VARLO_SIM_STATE" --port-base "$VARLO_SIM_PORT_BASE" --log "${VARLO_SIM_STATE%.json}.log" >/dev/null
cleanup+=("python3 '$VARLO_SIM_DIR/varlo_sim.py' stop --state '$VARLO_SIM_STATE' >/dev/null 2>&1 || true")
echo "Vendor simulator on 127.0.0.1:$VARLO_SIM_PORT_BASE+ (log ${VARLO_SIM_STATE%.json}.log)"
