#!/usr/bin/env bash
# Fails when a C++ source of ours differs from what clang-format makes of it, or includes
# a folder above its own.
set -euo pipefail
cd "$(dirname "$0")/.."
if ! command -v clang-format >/dev/null; then
  echo "format: clang-format is not installed (scripts/setup-host.sh installs it)" >&2
  exit 1
fi
# Only what git tracks; no files means no checkout to judge (an export, a broken clone),
# which must not pass as clean.
if ! listed=$(git ls-files -- '*.h' '*.cpp' 2>/dev/null); then
  echo "format: git cannot list the sources here ($(pwd) is not a git checkout?)" >&2
  exit 1
fi
mapfile -t files < <(grep -E '^(util|zip|core|system|toolkit|installer|app|tests|bench)/' <<<"$listed" || true)
if [ ${#files[@]} -eq 0 ]; then
  echo "format: found no C++ sources to check under $(pwd)" >&2
  exit 1
fi
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
