#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the release preset with the benchmarks turned on (QB_BUILD_BENCH,
# off there by default) and runs every benchmark (or those named):
#   tools/bench.sh                  all of them
#   tools/bench.sh cipher_bench     one of them
# Each prints its cases and, at the end, the ratio of each case to the
# reference it measured in the same run.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
cd "$root"
cmake --preset release -DQB_BUILD_BENCH=ON >/dev/null
benches=("$@")
[ ${#benches[@]} -gt 0 ] || benches=(tree_bench find_bench edit_bench cipher_bench datafile_bench strongfile_bench exchange_bench xbel_bench region_bench menu_bench dock_bench app_bench sync_bench check_bench)
cmake --build --preset release --target "${benches[@]}"
export QT_QPA_PLATFORM=${QT_QPA_PLATFORM:-offscreen}
for b in "${benches[@]}"; do
  exe=$(find build/release/bench -type f -name "$b" -perm -u+x | head -1)
  echo "=== $b"
  "$exe"
done
