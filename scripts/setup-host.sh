#!/usr/bin/env bash
# Installs the host packages the build and the tests need, from Debian's archive only.
# Idempotent: a machine that already has everything returns in a second or two.
set -euo pipefail

PKGS=(
  g++-mingw-w64-i686-posix binutils-mingw-w64-i686 libz-mingw-w64-dev
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  wine wine32:i386 wine64 libgnutls30:i386 fonts-wine
  xvfb xauth xdotool imagemagick x11-utils
  fonts-wqy-microhei fonts-noto-cjk
  libstb-dev googletest cmake ninja-build python3 python3-pil python3-cryptography libjsoncpp-dev
  zip unzip p7zip-full zopfli clang clang-format libclang-rt-14-dev zlib1g-dev
  dpkg-dev patch build-essential perl openssl file bc locales
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
    sed -i -E 's/^# *(zh_CN.UTF-8 UTF-8)/\1/; s/^# *(en_US.UTF-8 UTF-8)/\1/' /etc/locale.gen
    grep -q '^zh_CN.UTF-8 UTF-8' /etc/locale.gen || echo 'zh_CN.UTF-8 UTF-8' >> /etc/locale.gen
    locale-gen >/dev/null
  fi
}

if [ -z "$(missing)" ] && [ "$need_src" = 0 ] && dpkg --print-foreign-architectures | grep -qx i386; then
  ensure_locales
  exit 0
fi

export DEBIAN_FRONTEND=noninteractive
SUDO=""
[ "$(id -u)" = 0 ] || SUDO=sudo

if [ "$need_src" = 1 ]; then
  if [ -f /etc/apt/sources.list.d/debian.sources ]; then
    $SUDO sed -i 's/^Types: deb$/Types: deb deb-src/' /etc/apt/sources.list.d/debian.sources
  fi
  if ! grep -rqsE '^(Types:.*deb-src|deb-src )' /etc/apt/sources.list /etc/apt/sources.list.d/; then
    [ -f /etc/apt/sources.list ] && grep -E '^deb ' /etc/apt/sources.list | sed 's/^deb /deb-src /' |
      $SUDO tee /etc/apt/sources.list.d/varlo-src.list >/dev/null
  fi
fi
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
$SUDO apt-get update -qq
# shellcheck disable=SC2046
$SUDO apt-get install -y -qq --no-install-recommends $(missing) >/dev/null
ensure_locales
