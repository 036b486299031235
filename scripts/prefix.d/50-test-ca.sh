#!/usr/bin/env bash
# Trusts the vendor simulator's test CA inside this Wine prefix only: its machine ROOT
# store gets the CA through regedit. The host's own trust store is never touched.
set -euo pipefail
TARGET=${1:?usage: 50-test-ca.sh WINEPREFIX}
ROOT=$(cd "$(dirname "$0")/../.." && pwd)
export VARLO_WINEPREFIX=$TARGET
source "$ROOT/scripts/wine-env.sh"
CERTS=$(bash "$ROOT/tools/simulator/test-certs.sh")
wine regedit /S "$(winepath -w "$CERTS/test-ca.reg")" </dev/null >/dev/null 2>&1
wineserver -w
thumb=$(cat "$CERTS/ca.thumbprint")
if ! grep -qi "Root\\\\\\\\Certificates\\\\\\\\$thumb" "$TARGET/system.reg"; then
  echo "50-test-ca: the test CA did not reach the prefix's ROOT store" >&2
  exit 1
fi
