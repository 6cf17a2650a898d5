#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds the tests and runs every one of them.
#   tools/test.sh          optimised build, warnings as errors
#   tools/test.sh asan     the same tests under address and undefined-behaviour sanitizers
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
preset=${1:-testing}
"$root/tools/deps.sh"
cd "$root"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
