#!/usr/bin/env bash
# Verifies each exe's Authenticode signature with osslsigncode against the CA that should
# have issued the signer's certificate: VARLO_SIGN_CA when a build was signed with a
# release key, else the project's test CA. Checks the page digest, the signature and the
# chain; fails on an unsigned file.
#   check-signature.sh EXE...
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
[ $# -gt 0 ] || { echo "usage: check-signature.sh EXE..." >&2; exit 2; }
ca=${VARLO_SIGN_CA:-$(bash "$HERE/../tools/simulator/test-certs.sh")/ca.pem}
status=0
for exe in "$@"; do
  if out=$(osslsigncode verify -CAfile "$ca" -in "$exe" 2>&1); then
    signer=$(printf '%s\n' "$out" | sed -n 's/^[[:space:]]*Subject: //p' | head -1)
    echo "$exe: signature verified ($signer)"
  else
    printf '%s\n' "$out" | tail -15 >&2
    echo "$exe: signature NOT verified against $ca" >&2
    status=1
  fi
done
exit $status
