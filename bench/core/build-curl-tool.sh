#!/usr/bin/env bash
# Builds curl's own command-line tool for Windows (i686, or VARLO_DEPS_HOST; static) from the same Debian curl
# source and the same OpenSSL as the product's libcurl, once, into the build cache.
# Prints the path of curl.exe on its last line. Usage: build-curl-tool.sh DEPS_PREFIX
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
# shellcheck source=scripts/curl-recipe.sh
source "$HERE/../../scripts/curl-recipe.sh"
DEPS=${1:?usage: build-curl-tool.sh DEPS_PREFIX}
HOST=${VARLO_DEPS_HOST:-i686-w64-mingw32}
CC=$HOST-gcc-posix
CACHE_ROOT=${VARLO_CACHE:-/var/cache/varlo}
VERSION=$(awk '$1 == "curl" {print $2}' "$DEPS/KEY.txt")
[ -n "$VERSION" ] || { echo "no curl version in $DEPS/KEY.txt" >&2; exit 1; }
KEY=$( (echo "$VERSION"; cat "$DEPS/KEY.txt"; sha256sum < "$0") | sha256sum | cut -c1-16)
OUT=$CACHE_ROOT/curl-tool-$KEY
if [ -f "$OUT/curl.exe" ]; then echo "$OUT/curl.exe"; exit 0; fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/varlo-curl-tool.XXXXXX")
trap 'rm -rf "$WORK"' EXIT
(cd "$WORK" && apt-get source -qq "curl=$VERSION" >/dev/null 2>&1)
SRC=$(find "$WORK" -mindepth 1 -maxdepth 1 -type d | head -1)
echo "[bench] building curl.exe from $(basename "$SRC")" >&2
# The product's libcurl recipe (patches and options), plus the tool, linked statically.
# No pkg-config: the prefix's .pc files name the folder it was staged in.
apply_curl_patches "$SRC"
curl_configure_options "$HOST" "$CC" "$DEPS"
if ! (cd "$SRC" &&
  PKG_CONFIG=false ./configure -q "${CURL_CONFIGURE_OPTIONS[@]}" &&
  make -s -j2 -C lib && make -s -j2 -C src LDFLAGS=-all-static) >"$WORK/build.log" 2>&1; then
  echo "[bench] curl.exe did not build; the end of its log:" >&2
  tail -n 30 "$WORK/build.log" >&2
  exit 1
fi
mkdir -p "$OUT"
cp "$SRC/src/curl.exe" "$OUT/curl.exe"
echo "$OUT/curl.exe"
