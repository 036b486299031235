# shellcheck shell=bash
# How libcurl is built from Debian's source: sourced by scripts/build-deps.sh (the product's
# library) and bench/core/build-curl-tool.sh (curl's own tool, the benchmark's reference),
# so that both come from the same patched source with the same options.
CURL_RECIPE_DIR=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# Our changes on top of Debian's own patches (see each file's header). Usage: SRC_DIR
apply_curl_patches() {
  local p
  for p in "$CURL_RECIPE_DIR"/patches/curl-*.patch; do
    (cd "$1" && patch -p1 -s --forward < "$p") || { echo "could not apply $(basename "$p")" >&2; return 1; }
  done
}

# Sets CURL_CONFIGURE_OPTIONS: static, HTTP and HTTPS over OpenSSL with zlib, through the
# user's HTTP proxy (CONNECT for HTTPS) when Windows names one, nothing else. Beyond basic and
# digest the only auth schemes are Negotiate and NTLM through SSPI, for a proxy's 407 answered
# with the user's own logon (no winbind helper, no DNS over HTTPS, no multipart forms).
# Usage: HOST CC OPENSSL_PREFIX
curl_configure_options() {
  CURL_CONFIGURE_OPTIONS=(
    --host="$1" CC="$2" --disable-shared --enable-static
    --with-zlib="/usr/$1" --with-openssl="$3" --without-ca-bundle --without-ca-path
    --disable-pthreads --disable-threaded-resolver
    --disable-ftp --disable-file --disable-ldap --disable-ldaps --disable-rtsp --enable-proxy
    --disable-dict --disable-telnet --disable-tftp --disable-pop3 --disable-imap --disable-smb
    --disable-smtp --disable-gopher --disable-mqtt --disable-manual
    --enable-ntlm --disable-ntlm-wb --disable-aws
    --disable-doh --disable-mime --disable-netrc --disable-progress-meter
    --enable-sspi --disable-tls-srp --disable-unix-sockets --disable-alt-svc --disable-hsts
    --without-libpsl --without-brotli --without-zstd --without-nghttp2 --without-libidn2
    --without-librtmp --without-libssh2 --without-gssapi --disable-dependency-tracking
    "CFLAGS=-Os -ffunction-sections -fdata-sections -fno-asynchronous-unwind-tables -fno-unwind-tables -fno-ident"
    "LIBS=-lws2_32 -lcrypt32 -lbcrypt"
  )
}
