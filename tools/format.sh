#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Checks that every C++ file follows .clang-format (clang-format 14) and that
# every source file (C++, shell, CMake, Python) names its licence in an SPDX
# line near its top:
#   tools/format.sh         report deviations and fail on any
#   tools/format.sh --fix   rewrite the files in place, adding missing SPDX lines
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
fmt=$(command -v clang-format-14 || command -v clang-format)
spdx='SPDX-License-Identifier: MIT'
# Files not yet added count too, so that --fix reaches a new file before its
# first commit. Generated tables (*.inc) are left out: their generators'
# output is compared byte for byte.
mapfile -t sources < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h' '*.sh' \
  '*.py' '*.cmake' '*CMakeLists.txt' .ci/run)
unlicensed=()
for f in "${sources[@]}"; do
  head -n 3 "$f" | grep -q "$spdx" || unlicensed+=("$f")
done
mapfile -t files < <(git ls-files --cached --others --exclude-standard '*.cpp' '*.h')
if [ "${1:-}" = "--fix" ]; then
  for f in "${unlicensed[@]}"; do
    case "$f" in
      *.cpp | *.h) line="// $spdx" ;;
      *) line="# $spdx" ;;
    esac
    if head -n 1 "$f" | grep -q '^#!'; then
      sed -i "1a $line" "$f"
    else
      sed -i "1i $line" "$f"
    fi
  done
  "$fmt" -i "${files[@]}"
  exit 0
fi
if [ ${#unlicensed[@]} -gt 0 ]; then
  printf '%s\n' "${unlicensed[@]}" >&2
  echo "these files lack the line '$spdx'; run tools/format.sh --fix" >&2
  exit 1
fi
if ! "$fmt" --dry-run --Werror "${files[@]}"; then
  echo "C++ files deviate from .clang-format; run tools/format.sh --fix" >&2
  exit 1
fi
echo "format: ${#files[@]} files follow .clang-format"
