#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Syncthing pair of syncpair.sh: a file written on one side arrives on the
# other, and a data file changed on both sides while they are apart leaves
# one version as the data file and the other as a ".sync-conflict-" copy,
# which is what the program has to merge in. Exits 77 (skipped) without
# syncthing, curl or jq.
set -euo pipefail
for tool in syncthing curl jq; do
  command -v "$tool" >/dev/null || { echo "no $tool: skipped"; exit 77; }
done
# shellcheck source-path=SCRIPTDIR source=syncpair.sh
. "$(dirname "$0")/syncpair.sh"
fail() {
  echo "FAILED: $*"
  exit 1
}

syncpair_start "${TMPDIR:-/tmp}" || fail "the pair did not start"
echo "connected"

printf 'first version\n' >"$SYNC_A/Quillbox.dat"
syncpair_settle 60 || fail "the folders did not settle"
cmp -s "$SYNC_A/Quillbox.dat" "$SYNC_B/Quillbox.dat" || fail "the file did not arrive on the other side"
echo "carried: ok"

# Both sides save while apart.
syncpair_pause || fail "cannot pause"
printf 'saved on a\n' >"$SYNC_A/Quillbox.dat.tmp" && mv "$SYNC_A/Quillbox.dat.tmp" "$SYNC_A/Quillbox.dat"
printf 'saved on b, longer\n' >"$SYNC_B/Quillbox.dat.tmp" && mv "$SYNC_B/Quillbox.dat.tmp" "$SYNC_B/Quillbox.dat"
syncpair_api a POST "/rest/db/scan?folder=$SYNC_FOLDER_ID" >/dev/null
syncpair_api b POST "/rest/db/scan?folder=$SYNC_FOLDER_ID" >/dev/null
syncpair_resume || fail "cannot resume"
syncpair_settle 90 || fail "the folders did not settle after the conflict"
for side in "$SYNC_A" "$SYNC_B"; do
  ls "$side"/Quillbox.sync-conflict-*-*-*.dat >/dev/null 2>&1 ||
    fail "no conflict copy in $side: $(ls -A "$side")"
done
# Nothing is lost: one version is the data file, the other the copy.
versions=$(cat "$SYNC_A/Quillbox.dat" "$SYNC_A"/Quillbox.sync-conflict-*.dat | sort)
[ "$versions" = "$(printf 'saved on a\nsaved on b, longer\n' | sort)" ] ||
  fail "the two versions are not both kept: $versions"
echo "conflict copy: $(basename "$SYNC_A"/Quillbox.sync-conflict-*.dat)"
echo "PASSED"
