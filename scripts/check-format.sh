#!/usr/bin/env bash
# Fails when a C++ source of ours differs from what clang-format makes of it.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.h' '*.cpp' | grep -E '^(util|zip|core|system|toolkit|installer|app|tests|bench)/')
[ ${#files[@]} -gt 0 ] || exit 0
if ! clang-format --dry-run --Werror "${files[@]}" 2>/tmp/varlo-format.txt; then
  grep -E '^[^ ].*: (error|warning)' /tmp/varlo-format.txt | cut -d: -f1 | sort -u | sed 's/^/  not formatted: /'
  echo "run: clang-format -i <files>"
  exit 1
fi
echo "format: ${#files[@]} files clean"
