#!/usr/bin/env bash
# Fails when a C++ source of ours differs from what clang-format makes of it, or includes
# a folder above its own.
set -euo pipefail
cd "$(dirname "$0")/.."
mapfile -t files < <(git ls-files -- '*.h' '*.cpp' | grep -E '^(util|zip|core|system|toolkit|installer|app|tests|bench)/')
[ ${#files[@]} -gt 0 ] || exit 0
# Several runs (other build suffixes, other worktrees) may check at once: each its own file.
report=$(mktemp "${TMPDIR:-/tmp}/varlo-format.XXXXXX")
trap 'rm -f "$report"' EXIT
if ! clang-format --dry-run --Werror "${files[@]}" 2>"$report"; then
  grep -E '^[^ ].*: (error|warning)' "$report" | cut -d: -f1 | sort -u | sed 's/^/  not formatted: /'
  echo "run: clang-format -i <files>"
  exit 1
fi
echo "format: ${#files[@]} files clean"
# Includes point down the folder stack; the self-test shows the check still catches one.
python3 scripts/check-layering.py --self-test
python3 scripts/check-layering.py
