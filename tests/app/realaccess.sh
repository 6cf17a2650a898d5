#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# What the real window offers without a mouse, on a virtual X server: resting
# the pointer on a bitmap button shows its tooltip, Tab moves a visible focus
# frame onto the buttons, and Space presses the focused one (the close button,
# which saves and ends the program).
#   realaccess.sh <quillbox> <data file> [<screenshot.png>]
# With a path it saves a picture of the tooltip and the focus frame.
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
program=$(realpath "$1")
data=$(realpath "$2")
shot=$(picture_path "${3:-}")
need_tools "xvfb xauth xdotool" xvfb-run xdotool xauth
make_work data
copy_data "$data" data

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 work=$2 shot=${3:-}
pid=""
trap '[ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true' EXIT
cd "$work/data"
others() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -vx "$win" | wc -l; }
others_are() { [ "$(others)" = "$1" ]; }
cp Quillbox.dat before
"$program" --data-dir . &
pid=$!
win=$(main_window 30) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"

# The pointer at rest on Options (the "*" key) of the active window: its
# tooltip shows.
click_row 0 0
sleep 0.3
point_control BtnOpt
sleep 0.2
xdotool mousemove_relative 1 0
until_ok 5 others_are 1 || fail "no tooltip over the options button"
echo "tooltip: ok"

# Tab from the columns onto the buttons; the first is the close button.
click_row 0 0 # the left column takes the focus
until_ok 5 others_are 0 || fail "the tooltip stayed"
xdotool key Tab Tab Tab
sleep 0.3
if [ -n "$shot" ]; then
  point_control BtnOpt; sleep 0.2
  xdotool mousemove_relative 1 0
  until_ok 5 others_are 1 || true
  sleep 1.5
  grab_window "$shot"
  # The root window shows the tooltip black under Xvfb: it is taken on its own.
  tip=$(xdotool search --onlyvisible --pid "$pid" | grep -vx "$win" | head -1 || true)
  if [ -n "$tip" ]; then
    eval "$(xdotool getwindowgeometry --shell "$tip" | sed 's/^/T_/')"
    xwd -id "$tip" -silent | convert xwd:- "$work/tip.png"
    convert "$shot" "$work/tip.png" -geometry +$((T_X - X))+$((T_Y - Y)) -composite "$shot"
  fi
  echo "picture: $shot"
fi
ended && fail "Tab ended the program"
xdotool key space
until_ok 20 ended || fail "Space on the focused close button did not end the program"
wait "$pid" || fail "the program ended with an error"
pid=""
# Nothing was edited: the data file keeps its bytes (no needless change for a sync).
cmp -s Quillbox.dat before || fail "an unchanged tree was written again"
echo "Tab and Space: ok"
DRIVE
drive 1024x768x24 "$program" "$work" "$shot"
echo "PASSED"
