#!/usr/bin/env bash
# Checks that every C++ file follows .clang-format (clang-format 14):
#   tools/format.sh         report deviations and fail on any
#   tools/format.sh --fix   rewrite the files in place
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fmt=$(command -v clang-format-14 || command -v clang-format)
mapfile -t files < <(git ls-files '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  "$fmt" -i "${files[@]}"
  exit 0
fi
if ! "$fmt" --dry-run --Werror "${files[@]}"; then
  echo "C++ files deviate from .clang-format; run tools/format.sh --fix" >&2
  exit 1
fi
echo "format: ${#files[@]} files follow .clang-format"
