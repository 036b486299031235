#!/usr/bin/env bash
# CTest's cross-compiling emulator: runs one Windows exe under Wine in the test prefix.
# VARLO_WINE_LANG lets a test choose the process locale (e.g. zh_CN.UTF-8 for CP936).
source "$(dirname "$0")/wine-env.sh"
if [ -n "${VARLO_WINE_LANG:-}" ]; then export LANG=$VARLO_WINE_LANG LC_ALL=$VARLO_WINE_LANG; fi
exec wine "$@"
