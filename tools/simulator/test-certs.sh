#!/usr/bin/env bash
# Prints the folder holding the simulator's test certificates, making them on first use.
# The folder lives in the build cache (never in the host's trust store) and is keyed by
# the generator, so the Wine prefix hook and the simulator always agree on one CA.
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
CACHE_ROOT=${VARLO_CACHE:-/var/cache/varlo}
KEY=$(sha256sum "$HERE/make_test_certs.py" | cut -c1-16)
DIR=$CACHE_ROOT/test-ca-$KEY
if [ ! -f "$DIR/.complete" ]; then
  mkdir -p "$CACHE_ROOT"
  TMP=$(mktemp -d "$CACHE_ROOT/test-ca.XXXXXX")
  # Debian's interpreter: python3-cryptography is installed for it by setup-host.sh.
  /usr/bin/python3 "$HERE/make_test_certs.py" "$TMP"
  chmod 755 "$TMP"
  touch "$TMP/.complete"
  # Two first runs at once: the first rename wins, the loser's folder is dropped.
  mv -T "$TMP" "$DIR" 2>/dev/null || rm -rf "$TMP"
fi
echo "$DIR"
