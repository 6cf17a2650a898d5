#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Regenerates the checked-in generated tables into a scratch folder and fails
# when one differs from its copy in the tree (a generator or its input changed
# without the table being remade):
#   tools/gencheck.sh <qb_makeboxes>
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d "${TMPDIR:-/tmp}/qb-gencheck.XXXXXX")
trap 'rm -rf "$scratch"' EXIT
"$1" "$scratch/CipherBoxes.inc" >/dev/null
python3 "$root/tools/foldtable.py" >"$scratch/FoldTable.inc"
status=0
for pair in "store/CipherBoxes.inc CipherBoxes.inc" "tree/FoldTable.inc FoldTable.inc"; do
  read -r kept made <<<"$pair"
  if ! diff -u "$root/$kept" "$scratch/$made"; then
    echo "$kept differs from what its generator writes now; remake it" >&2
    status=1
  fi
done
exit "$status"
