#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Fuzzes the data file loaders (classic and strong), the bookmark importers
# (HTML, JSON, XBEL) and the clipboard and drag decoder for SECONDS seconds in
# all (default 60), split evenly between the targets:
#   tools/fuzz.sh [SECONDS]
# Configures and builds the "fuzz" preset (clang, libFuzzer, address and
# undefined-behaviour sanitizers), then runs each target on a scratch copy of
# its corpus. Exits non-zero when a fuzzer finds a crash, leak or sanitizer
# report; the input that caused it is kept in the scratch folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
cd "$root"
# target and corpus folder, one pair a line
targets=("datafile_fuzz fuzz/corpus" "bookmarks_fuzz fuzz/corpus-bookmarks"
         "items_fuzz fuzz/corpus-items" "strongfile_fuzz fuzz/corpus-strong"
         "xbel_fuzz fuzz/corpus-xbel")
share=$(( seconds / ${#targets[@]} ))
[ "$share" -ge 1 ] || share=1
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target "${targets[@]%% *}"
for pair in "${targets[@]}"; do
  read -r target corpus <<<"$pair"
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/qb-fuzz-run.XXXXXX")
  mkdir -p "$scratch/corpus"
  cp "$corpus"/* "$scratch/corpus/"
  echo "fuzzing $target for ${share}s in $scratch"
  status=0
  "$root/build/fuzz/fuzz/$target" -max_total_time="$share" -max_len=16384 \
    -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$scratch/" "$scratch/corpus" >"$scratch/log" 2>&1 || status=$?
  tail -n 25 "$scratch/log"
  if [ "$status" -ne 0 ]; then
    echo "fuzzing $target found a problem (exit $status); inputs and log kept in $scratch" >&2
    exit "$status"
  fi
  rm -rf "$scratch"
done
