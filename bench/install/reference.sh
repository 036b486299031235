#!/usr/bin/env bash
# The reference sequence of the install benchmarks, once: curl.exe -o under Wine (the
# prefix is the caller's WINEPREFIX), md5sum of what it fetched, unzip -q of it into
# WORK/ref. curl's own transfer time is taken, so Wine's start-up is not counted.
# Prints "curl_seconds md5sum_seconds unzip_seconds"; leaves WORK/ref for a comparison.
#   Usage: reference.sh CURL_EXE CA_PEM URL MD5 WORK
set -euo pipefail
CURL_EXE=$1 CA=$2 URL=$3 MD5=$4 WORK=$5
win() { echo "Z:${1//\//\\}"; }
now() { date +%s.%N; }
rm -rf "$WORK/ref" "$WORK/curl.zip"
read -r ctime < <(wine "$(win "$CURL_EXE")" -s --cacert "$(win "$CA")" -o "$(win "$WORK/curl.zip")" \
  -w '%{time_total}\n' "$URL" | tr -d '\r')
s=$(now); digest=$(md5sum "$WORK/curl.zip" | cut -c1-32); e=$(now)
[ "$digest" = "$MD5" ] || { echo "curl: digest $digest, expected $MD5" >&2; exit 1; }
mtime=$(echo "$e - $s" | bc -l)
s=$(now); unzip -q -o "$WORK/curl.zip" -d "$WORK/ref"; e=$(now)
utime=$(echo "$e - $s" | bc -l)
rm -f "$WORK/curl.zip"
echo "$ctime $mtime $utime"
