#!/usr/bin/env bash
# Fuzzes the data file loader for SECONDS seconds (default 60):
#   tools/fuzz.sh [SECONDS]
# Configures and builds the "fuzz" preset (clang, libFuzzer, address and
# undefined-behaviour sanitizers), then runs the target on a scratch copy of
# fuzz/corpus. Exits non-zero when the fuzzer finds a crash, leak or
# sanitizer report; the input that caused it is kept in the scratch folder.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
seconds=${1:-60}
cd "$root"
cmake --preset fuzz >/dev/null
cmake --build --preset fuzz --target datafile_fuzz
scratch=$(mktemp -d "${TMPDIR:-/tmp}/qb-fuzz-run.XXXXXX")
mkdir -p "$scratch/corpus"
cp fuzz/corpus/* "$scratch/corpus/"
echo "fuzzing for ${seconds}s in $scratch"
status=0
"$root/build/fuzz/fuzz/datafile_fuzz" -max_total_time="$seconds" -max_len=16384 \
  -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$scratch/" "$scratch/corpus" >"$scratch/log" 2>&1 || status=$?
tail -n 25 "$scratch/log"
if [ "$status" -ne 0 ]; then
  echo "fuzzing found a problem (exit $status); inputs and log kept in $scratch" >&2
  exit "$status"
fi
rm -rf "$scratch"
