#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# One collection on two machines through a real sync engine: two Syncthing
# instances share a folder, a Quillbox window runs on each side (each with
# its own home, settings, state and runtime folder, as two machines have),
# and while the link between them is cut each window deletes a different
# entry and saves. When the link is back, Syncthing keeps one version as the
# data file and the other as a conflict copy; the windows merge what arrives
# and the copy, and after both close and the folders settle, both data files
# hold both deletions and everything else.
#   realsync.sh <quillbox> <data file> [<screenshot.png>]
# With a path it also saves a picture of a window with its note after the
# merge. Exits 77 (skipped) when xvfb-run, xdotool, syncthing, curl or jq is
# missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
# shellcheck source-path=SCRIPTDIR source=../sync/syncpair.sh
. "$(dirname "$0")/../sync/syncpair.sh"

program=$(realpath "$1")
data=$(realpath "$2")
shot=$(picture_path "${3:-}")
need_tools "xvfb xauth xdotool x11-utils syncthing curl jq" xvfb-run xdotool xauth xwininfo \
  syncthing curl jq

make_work state
syncpair_start "$work" || fail "the Syncthing pair did not start"
# shellcheck disable=SC2016 # expanded when the hook runs
syncpair_on_exit 'rm -rf "$work"'
cp "$data" "$SYNC_A/Quillbox.dat"
chmod 600 "$SYNC_A/Quillbox.dat"
syncpair_settle 60 || fail "the data file did not reach the other side"
# drive.sh talks to the pair through these.
export SYNC_A SYNC_B syncpair_gui_a syncpair_gui_b syncpair_key_a syncpair_key_b syncpair_id_a \
  syncpair_id_b

# The tree of a data folder, one line an item, read by the program itself.
tree_of() {
  local side=$1 folder=$2 out="$work/tree-$1.html"
  rm -f "$out"
  HOME="$work/home-$side" XDG_CONFIG_HOME="$work/home-$side/.config" \
    XDG_RUNTIME_DIR="$work/run-$side" XDG_STATE_HOME="$work/state-$side" \
    "$program" --data-dir "$folder" --export "$out" >/dev/null
  grep -o '<[AH]3*[^>]*>[^<]*' "$out" | sed 's/<[^>]*>//'
}
for side in a b; do
  mkdir -p "$work/home-$side" "$work/run-$side" "$work/state-$side"
  chmod 700 "$work/run-$side"
done

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
. "$(dirname "$TESTLIB")/../sync/syncpair.sh"
program=$1 work=$2 shot=${3:-}
pid_a="" pid_b=""
trap 'kill -KILL $pid_a $pid_b 2>/dev/null || true' EXIT

# start <side> <folder> <x>: a copy of the program as another machine runs
# it, its window moved to x.
start() {
  local side=$1 pid win
  HOME="$work/home-$side" XDG_CONFIG_HOME="$work/home-$side/.config" \
    XDG_RUNTIME_DIR="$work/run-$side" XDG_STATE_HOME="$work/state-$side" \
    "$program" --data-dir "$2" &
  pid=$!
  # The new main window: not one of those already known.
  local tries=300
  until win=$(xdotool search --onlyvisible --name '^Quillbox$' 2>/dev/null |
    grep -vx -e "${win_a:-none}" | head -1) && [ -n "$win" ]; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "no window for $side"
    sleep 0.1
  done
  # The window places itself once it has its skin: move it after that, and
  # again until it stays.
  sleep 1
  local tries=20
  while :; do
    xdotool windowmove "$win" "$3" 20
    sleep 0.5
    eval "$(xdotool getwindowgeometry --shell "$win")"
    [ "$X" = "$3" ] && break
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || fail "window $side stays at $X,$Y, not $3,20"
  done
  eval "pid_$side=$pid win_$side=$win x_$side=$X y_$side=$Y"
}
# delete_row <side> <row>: selects that row of the first column and deletes it.
delete_row() {
  local x=x_$1 y=y_$1
  click_row 0 "$2" "${!x}" "${!y}"
  sleep 0.3
  xdotool key Delete
  sleep 0.3
}
close() {
  local pid=pid_$1 x=x_$1 y=y_$1
  pid=${!pid}
  click_control BtnClose "${!x}" "${!y}"
  until_ok 20 ended || fail "window $1 did not close"
  wait "$pid" || fail "window $1 ended with an error"
}

start a "$SYNC_A" 10
start b "$SYNC_B" 700
syncpair_pause || fail "cannot cut the link"
delete_row a 1 # "café menu"
delete_row b 4 # "Long address"
# Both save once their users pause; Syncthing has seen both saves.
sleep 5
syncpair_api a POST "/rest/db/scan?folder=$SYNC_FOLDER_ID" >/dev/null
syncpair_api b POST "/rest/db/scan?folder=$SYNC_FOLDER_ID" >/dev/null
sleep 1
syncpair_resume || fail "cannot restore the link"
# The versions cross, the conflict copy is made and merged on both sides.
syncpair_settle 90 || fail "the folders did not settle after the conflict"
sleep 3
syncpair_settle 90 || fail "the folders did not settle after the merge"
if [ -n "$shot" ]; then
  eval "$(xdotool getwindowgeometry --shell "$win_a")"
  grab_window "$shot"
fi
ls -A "$SYNC_A" "$SYNC_B" >"$work/listing"
close a
close b
syncpair_settle 60 || fail "the folders did not settle after closing"
DRIVE
drive 1400x600x24 "$program" "$work" "$shot" || exit 1
grep -q '\.merged' "$work/listing" || fail "no conflict copy was merged: $(cat "$work/listing")"

tree_a=$(tree_of a "$SYNC_A")
tree_b=$(tree_of b "$SYNC_B")
[ "$tree_a" = "$tree_b" ] || fail "the two machines hold different trees:
$tree_a
---
$tree_b"
for gone in "café menu" "Long address"; do
  ! grep -qx "$gone" <<<"$tree_a" || fail "\"$gone\" was deleted on one side but came back"
done
for kept in "Work" "Issue tracker" "Empty folder"; do
  grep -qx "$kept" <<<"$tree_a" || fail "\"$kept\" was lost"
done
echo "both deletions on both machines: ok"
echo "PASSED"
