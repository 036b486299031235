#!/usr/bin/env bash
# Installs the host packages the build and the tests need, from Debian's archive only.
# Idempotent: a machine that already has everything returns in a second or two.
# Runs as root, or as a user with sudo: apt, the locale and the shared cache folder
# (/var/cache/varlo, made the user's when it cannot write there) then go through sudo.
set -euo pipefail

SUDO=()
if [ "$(id -u)" != 0 ]; then
  if ! command -v sudo >/dev/null; then
    echo "setup-host: not root and no sudo: run this as root once, or install sudo" >&2
    exit 1
  fi
  SUDO=(sudo)
fi
as_root() { "${SUDO[@]}" "$@"; }

PKGS=(
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 libgnutls30:i386 fonts-wine
  xvfb xauth xdotool imagemagick x11-utils
  fonts-wqy-microhei fonts-noto-cjk
  libstb-dev googletest cmake ninja-build python3 python3-pil python3-cryptography libjsoncpp-dev
  zip unzip p7zip-full zopfli clang clang-format libclang-rt-14-dev zlib1g-dev
  dpkg-dev patch build-essential perl openssl file bc locales osslsigncode
)

missing() {
  local p
  for p in "${PKGS[@]}"; do
    dpkg-query -W -f='${Status}\n' "$p" 2>/dev/null | grep -q '^install ok installed$' || echo "$p"
  done
}

need_src=0
if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
  need_src=1
fi

# Wine takes its code page from the host locale, and Chinese file names need a real one.
ensure_locales() {
  if ! locale -a 2>/dev/null | grep -qix 'zh_CN.utf8'; then
    as_root sed -i -E 's/^# *(zh_CN.UTF-8 UTF-8)/\1/; s/^# *(en_US.UTF-8 UTF-8)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' | as_root tee -a /etc/locale.gen >/dev/null
    as_root locale-gen >/dev/null
  fi
}

# The dependency, prefix and certificate caches are shared by every clone on the machine.
# A user who cannot write there gets the folder (root can write anywhere anyway); what
# others built in it stays readable.
ensure_cache() {
  local cache=${VARLO_CACHE:-/var/cache/varlo}
  if [ ! -d "$cache" ]; then
    as_root mkdir -p "$cache"
  fi
  if [ ! -w "$cache" ]; then
    as_root chown "$(id -u):$(id -g)" "$cache"
  fi
}

if [ -z "$(missing)" ] && [ "$need_src" = 0 ] && dpkg --print-foreign-architectures | grep -qx i386; then
  ensure_locales
  ensure_cache
  exit 0
fi

if [ "$need_src" = 1 ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    as_root sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  fi
  if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    [ -f /etc/apt/sources.list ] && grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      as_root tee /etc/apt/sources.list.d/varlo-src.list >/dev/null
  fi
fi
dpkg --print-foreign-architectures | grep -qx i386 || as_root dpkg --add-architecture i386
as_root apt-get update -qq
# sudo resets the environment: the front end is passed on the command line.
# shellcheck disable=SC2046
as_root env DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends $(missing) >/dev/null
ensure_locales
ensure_cache
