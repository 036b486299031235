#!/usr/bin/env bash
# Signs a product exe in place with Authenticode (SHA-256) through osslsigncode: the last step
# of its build. The key never enters the build tree or CMake's cache; it is taken from the
# environment of the build command:
#   VARLO_SIGN_CERT          certificate file (PEM or DER; the signer first, then its chain)
#   VARLO_SIGN_KEY           key file, or with VARLO_SIGN_PKCS11_MODULE the token's key id
#                            (e.g. "pkcs11:token=...;object=...")
#   VARLO_SIGN_PKCS11_MODULE the token's PKCS#11 module (e.g. opensc-pkcs11.so)
#   VARLO_SIGN_PKCS11_ENGINE the OpenSSL engine for it, when not the default one
#   VARLO_SIGN_PASS_FILE     a file holding the key's (or the token's) password
#   VARLO_SIGN_TIMESTAMP_URL an RFC 3161 time-stamping service; the signature then outlives
#                            the certificate
# With neither VARLO_SIGN_CERT nor VARLO_SIGN_KEY set it signs with the test publisher's
# certificate under the project's test CA (tools/simulator/test-certs.sh), which only test
# prefixes trust, so every build is signed the way a release is.
#   sign-exe.sh EXE
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
EXE=${1:?usage: sign-exe.sh EXE}
args=(sign -h sha256 -n "Varlo加速器")
if [ -n "${VARLO_SIGN_CERT:-}${VARLO_SIGN_KEY:-}" ]; then
  [ -n "${VARLO_SIGN_CERT:-}" ] || { echo "sign-exe: VARLO_SIGN_KEY is set but VARLO_SIGN_CERT is not" >&2; exit 1; }
  [ -n "${VARLO_SIGN_KEY:-}" ] || { echo "sign-exe: VARLO_SIGN_CERT is set but VARLO_SIGN_KEY is not" >&2; exit 1; }
  if [ -n "${VARLO_SIGN_PKCS11_MODULE:-}" ]; then
    [ -n "${VARLO_SIGN_PKCS11_ENGINE:-}" ] && args+=(-pkcs11engine "$VARLO_SIGN_PKCS11_ENGINE")
    args+=(-pkcs11module "$VARLO_SIGN_PKCS11_MODULE" -certs "$VARLO_SIGN_CERT" -key "$VARLO_SIGN_KEY")
  else
    args+=(-certs "$VARLO_SIGN_CERT" -key "$VARLO_SIGN_KEY")
  fi
  [ -n "${VARLO_SIGN_PASS_FILE:-}" ] && args+=(-readpass "$VARLO_SIGN_PASS_FILE")
  who="the key from VARLO_SIGN_KEY"
else
  certs=$(bash "$HERE/../tools/simulator/test-certs.sh")
  args+=(-certs "$certs/codesign.pem" -key "$certs/codesign.key")
  who="the test publisher ($certs)"
fi
[ -n "${VARLO_SIGN_TIMESTAMP_URL:-}" ] && args+=(-ts "$VARLO_SIGN_TIMESTAMP_URL")
# Never signs a file twice over, never leaves half a file: the signed copy replaces the
# linked one in one rename.
out="$EXE.signing"
rm -f "$out"
if ! osslsigncode "${args[@]}" -in "$EXE" -out "$out" >"$out.log" 2>&1; then
  cat "$out.log" >&2
  rm -f "$out" "$out.log"
  echo "sign-exe: signing $EXE with $who failed" >&2
  exit 1
fi
rm -f "$out.log"
mv -f "$out" "$EXE"
echo "sign-exe: $(basename "$EXE") signed by $who"
