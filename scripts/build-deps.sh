#!/usr/bin/env bash
# Builds the third-party libraries for i686-w64-mingw32 (static) from Debian's source
# packages into a cache outside the clone, keyed by the source versions, the compiler
# and the build steps below. A second run with the same key only prints the prefix.
# The versions really fetched are kept in the cache ("VERSIONS.txt") and printed.
# Output (stdout, last line): the install prefix. "--describe" prints the key's inputs,
# the prefix and whether it is built, and builds nothing.
set -euo pipefail

HERE=$(cd "$(dirname "$0")" && pwd)
CACHE_ROOT=${VARLO_CACHE:-/var/cache/varlo}
# VARLO_DEPS_HOST=x86_64-w64-mingw32 builds the 64-bit set, for machines that cannot run
# 32-bit programs and so test a 64-bit build of the same sources (see scripts/test.sh).
HOST=${VARLO_DEPS_HOST:-i686-w64-mingw32}
case $HOST in
  i686-*) OPENSSL_TARGET=mingw; CMAKE_PROCESSOR=x86 ;;
  x86_64-*) OPENSSL_TARGET=mingw64; CMAKE_PROCESSOR=AMD64 ;;
  *) echo "unknown host $HOST" >&2; exit 1 ;;
esac
CC=$HOST-gcc-posix
CXX=$HOST-g++-posix
JOBS=$(nproc)
# For the C libraries: no exception ever unwinds through them (every callback of ours
# catches everything), so they need no unwind tables; one section per function and
# object lets the product's --gc-sections drop what it never calls.
DEPS_C_FLAGS="-fno-asynchronous-unwind-tables -fno-unwind-tables -ffunction-sections -fdata-sections -fno-ident"
# shellcheck source=scripts/curl-recipe.sh
source "$HERE/curl-recipe.sh"
# shellcheck source=scripts/stage.sh
source "$HERE/stage.sh"

srcver() { apt-cache showsrc "$1" 2>/dev/null | awk '/^Version:/{print $2}' | sort -V -r; }
log() { echo "[deps] $*" >&2; }
# Runs a build step quietly; on failure shows the end of its output.
step() {
  local name=$1; shift
  if ! "$@" >"$WORK/$name.log" 2>&1; then
    log "$name failed:"; tail -n 40 "$WORK/$name.log" >&2; return 1
  fi
}
# Fetches a source package; the newest version may not be served any more, so older
# versions listed by apt-cache are tried in turn. The version that came (from its .dsc) is
# added to the stage's VERSIONS.txt.
fetch_src() {
  local pkg=$1 dir=$WORK/src-$1 v got
  mkdir -p "$dir"
  for v in $(srcver "$pkg"); do
    if (cd "$dir" && apt-get source -qq "$pkg=$v" >/dev/null 2>&1); then
      got=$(awk '/^Version:/{print $2; exit}' "$dir"/*.dsc)
      echo "$pkg $got" >> "$STAGE/VERSIONS.txt"
      find "$dir" -mindepth 1 -maxdepth 1 -type d | head -1
      return 0
    fi
    log "$pkg $v not available, trying an older version"
    rm -rf "${dir:?}"/*
  done
  log "no source of $pkg could be fetched"; return 1
}

build_openssl() {
  local src; src=$(fetch_src openssl)
  log "openssl: $(basename "$src")"
  # Debian's pic patch breaks 32-bit mingw assembly; take it back out.
  if [ -f "$src/debian/patches/pic.patch" ]; then
    (cd "$src" && patch -R -p1 -s < debian/patches/pic.patch)
  fi
  (cd "$src" && patch -p1 -s --forward < "$HERE/patches/openssl-x86-generic-p256.patch")
  step openssl-build bash -c "cd '$src' &&
    ./Configure $OPENSSL_TARGET --cross-compile-prefix=$HOST- CC=gcc-posix --prefix='$STAGE' \
      --openssldir="C:/Windows/System32/varlo-ssl-none" --libdir=lib \
      no-shared no-tests no-dso no-engine no-legacy no-module no-comp no-ssl3 \
      no-ui-console no-srp no-psk no-gost no-idea no-seed no-mdc2 no-rc2 no-rc4 \
      no-rc5 no-bf no-cast no-camellia no-aria no-sm2 no-sm3 no-sm4 no-whirlpool no-cms no-ts \
      no-ocsp no-srtp no-dtls no-sctp no-siphash no-scrypt no-des no-dsa no-md4 no-rmd160 \
      no-blake2 no-ct no-async \
      no-err no-filenames no-autoload-config no-ssl-trace no-tls1 no-tls1_1 no-dh no-ec2m \
      no-chacha no-poly1305 no-cmac no-ocb no-cmp no-rfc3779 no-nextprotoneg no-multiblock \
      no-dgram -Os $DEPS_C_FLAGS && make -s -j$JOBS build_libs && make -s install_dev"
}

build_curl() {
  local src; src=$(fetch_src curl)
  log "curl: $(basename "$src")"
  apply_curl_patches "$src"
  curl_configure_options "$HOST" "$CC" "$STAGE"
  step curl-build bash -c 'cd "$1" && jobs=$2 && shift 2 && ./configure "$@" &&
    make -s -j"$jobs" -C lib && make -s -C lib install && make -s -C include install' \
    _ "$src" "$JOBS" "${CURL_CONFIGURE_OPTIONS[@]}" --prefix="$STAGE"
  # Makefile.in may name it after Debian's rename; the product links libcurl.a.
  [ -f "$STAGE/lib/libcurl.a" ] || cp "$STAGE"/lib/libcurl*.a "$STAGE/lib/libcurl.a"
}

toolchain_args() {
  echo -DCMAKE_SYSTEM_NAME=Windows -DCMAKE_SYSTEM_PROCESSOR=$CMAKE_PROCESSOR \
    -DCMAKE_C_COMPILER=$CC -DCMAKE_CXX_COMPILER=$CXX \
    -DCMAKE_FIND_ROOT_PATH=/usr/$HOST -DCMAKE_BUILD_TYPE=MinSizeRel \
    -DCMAKE_INSTALL_PREFIX="$STAGE" -DBUILD_SHARED_LIBS=OFF
}

build_jsoncpp() {
  local src; src=$(fetch_src libjsoncpp)
  log "jsoncpp: $(basename "$src")"
  (cd "$src" && patch -p1 -s --forward < "$HERE/patches/jsoncpp-no-streams.patch")
  # C++ that throws: it keeps its unwind tables.
  # shellcheck disable=SC2046
  step jsoncpp-configure cmake -S "$src" -B "$WORK/jsoncpp-build" -G Ninja $(toolchain_args) \
    -DCMAKE_CXX_FLAGS="-ffunction-sections -fdata-sections -fno-ident -DJSONCPP_NO_STREAM_IO" \
    -DJSONCPP_WITH_TESTS=OFF -DJSONCPP_WITH_POST_BUILD_UNITTEST=OFF \
    -DJSONCPP_WITH_PKGCONFIG_SUPPORT=OFF -DJSONCPP_WITH_CMAKE_PACKAGE=OFF \
    -DBUILD_STATIC_LIBS=ON -DBUILD_OBJECT_LIBS=OFF
  step jsoncpp-build cmake --build "$WORK/jsoncpp-build"
  step jsoncpp-install cmake --install "$WORK/jsoncpp-build"
}

build_gtest() {
  log "googletest: /usr/src/googletest"
  echo "googletest $(dpkg-query -W -f='${Version}' googletest) (installed package)" >> "$STAGE/VERSIONS.txt"
  # shellcheck disable=SC2046
  step gtest-configure cmake -S /usr/src/googletest -B "$WORK/gtest-build" -G Ninja $(toolchain_args) \
    -Dgtest_disable_pthreads=OFF -DCMAKE_CXX_FLAGS="-static-libgcc -static-libstdc++"
  step gtest-build cmake --build "$WORK/gtest-build"
  step gtest-install cmake --install "$WORK/gtest-build"
}

# What is built and how: the build steps as bash holds them, without comments or layout,
# so that a change to the staging, the messages or a comment keeps the cache.
recipe_text() {
  declare -f build_openssl build_curl toolchain_args build_jsoncpp build_gtest \
    apply_curl_patches curl_configure_options
}

key_input() {
  echo "recipe $(recipe_text | sha256sum | cut -c1-16)"
  [ "$HOST" = i686-w64-mingw32 ] || echo "host $HOST"
  echo "patches $(cat "$HERE"/patches/*.patch | sha256sum | cut -c1-16)"
  echo "cc $($CC -dumpfullversion 2>/dev/null) $(dpkg-query -W -f='${Version}' libz-mingw-w64-dev 2>/dev/null)"
  for p in openssl curl libjsoncpp; do echo "$p $(srcver $p | head -1)"; done
  echo "googletest $(dpkg-query -W -f='${Version}' googletest 2>/dev/null)"
}
KEY=$(key_input | sha256sum | cut -c1-16)
PREFIX=$CACHE_ROOT/deps-$KEY

# Says which source versions a cache holds (they may be older than the key's newest listed
# ones, when the newest was not served).
say_versions() {
  if [ -f "$1/VERSIONS.txt" ]; then
    log "$1 holds: $(paste -sd ',' "$1/VERSIONS.txt" | sed 's/,/, /g')"
  else
    log "$1 does not record the versions it was built from"
  fi
}

if [ "${1:-}" = --describe ]; then
  key_input
  if [ -f "$PREFIX/.complete" ]; then echo "built: $PREFIX"; say_versions "$PREFIX"; else echo "not built: $PREFIX"; fi
  exit 0
fi
if [ -f "$PREFIX/.complete" ]; then
  say_versions "$PREFIX"
  echo "$PREFIX"
  exit 0
fi

WORK=$(mktemp -d "${TMPDIR:-/tmp}/varlo-deps.XXXXXX")
# The stage is this run's alone (see scripts/stage.sh): another run building the same
# key at once builds its own, and the first to finish provides the cache.
stage_sweep "$PREFIX"
STAGE=$(stage_begin "$PREFIX")
trap 'rm -rf "$WORK" "$STAGE"' EXIT
log "building into $STAGE"

build_openssl
build_curl
build_jsoncpp
build_gtest
key_input > "$STAGE/KEY.txt"
touch "$STAGE/.complete"
stage_publish "$STAGE" "$PREFIX" .complete
log "built $PREFIX"
say_versions "$PREFIX"
echo "$PREFIX"
