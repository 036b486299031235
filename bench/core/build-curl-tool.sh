#!/usr/bin/env bash
# Builds curl's own command-line tool for Windows (i686, static) from the same Debian curl
# source and the same OpenSSL as the product's libcurl, once, into the build cache.
# Prints the path of curl.exe on its last line. Usage: build-curl-tool.sh DEPS_PREFIX
set -euo pipefail
HERE=$(cd "$(dirname "$0")" && pwd)
DEPS=${1:?usage: build-curl-tool.sh DEPS_PREFIX}
HOST=i686-w64-mingw32
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
# The same source as the product's libcurl: Debian's patches and the project's own.
for p in "$HERE"/../../scripts/patches/curl-*.patch; do
  (cd "$SRC" && patch -p1 -s --forward < "$p")
done
# The library options of scripts/build-deps.sh, plus the tool itself, linked statically.
# No pkg-config: the prefix's .pc files name the folder it was staged in.
(cd "$SRC" &&
  PKG_CONFIG=false ./configure -q --host=$HOST CC=$CC --disable-shared --enable-static \
    --with-zlib=/usr/$HOST --with-openssl="$DEPS" --without-ca-bundle --without-ca-path \
    --disable-pthreads --disable-threaded-resolver \
    --disable-ftp --disable-file --disable-ldap --disable-ldaps --disable-rtsp --disable-proxy \
    --disable-dict --disable-telnet --disable-tftp --disable-pop3 --disable-imap --disable-smb \
    --disable-smtp --disable-gopher --disable-mqtt --disable-manual \
    --disable-ntlm --disable-ntlm-wb \
    --disable-sspi --disable-tls-srp --disable-unix-sockets --disable-alt-svc --disable-hsts \
    --without-libpsl --without-brotli --without-zstd --without-nghttp2 --without-libidn2 \
    --without-librtmp --without-libssh2 --without-gssapi --disable-dependency-tracking \
    CFLAGS="-Os -ffunction-sections -fdata-sections" LIBS="-lws2_32 -lcrypt32 -lbcrypt" >/dev/null &&
  make -s -j2 -C lib >/dev/null 2>&1 && make -s -j2 -C src LDFLAGS=-all-static >/dev/null 2>&1)
mkdir -p "$OUT"
cp "$SRC/src/curl.exe" "$OUT/curl.exe"
echo "$OUT/curl.exe"
