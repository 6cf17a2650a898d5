#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs clang-tidy (version 14, checks in .clang-tidy) over the project's C++
# sources with the compile commands of a build, and fails on any finding:
#   tools/tidy.sh [<build folder>] [<file regex>]
# The build folder defaults to build/testing (configured here when it has no
# compile_commands.json yet); the regex narrows the files, e.g. 'store/'.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
cd "$root"
build=${1:-build/testing}
only=${2:-}
tidy=$(command -v clang-tidy-14 || command -v clang-tidy)
runner=$(command -v run-clang-tidy-14 || command -v run-clang-tidy)
if [ ! -f "$build/compile_commands.json" ]; then
  cmake --preset testing >/dev/null
  build=build/testing
fi
# The project's own sources, not those generated under the build folder.
files="^$root/(?!build/).*${only}.*\.cpp$"
start=$(date +%s)
if ! "$runner" -clang-tidy-binary "$tidy" -p "$build" -j "$(nproc)" -quiet "$files" \
    > "$build/tidy.log" 2>&1; then
  grep -E 'warning:|error:' -A3 "$build/tidy.log" | grep -v '^--$' >&2 || cat "$build/tidy.log" >&2
  echo "clang-tidy found problems (full output: $build/tidy.log)" >&2
  exit 1
fi
echo "tidy: no findings ($(( $(date +%s) - start )) s)"
