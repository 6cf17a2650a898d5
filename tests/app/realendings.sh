#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the real program on a virtual X server with the sample tree and ends it
# the ways a session does besides its close command: edits made (the folder
# Work renamed "Root", the entry "café menu" moved above it) are in the data
# file once the user has paused, so a copy killed with SIGKILL loses nothing;
# the dock's menu then opens the entry chosen below that folder "Root"; and
# an edit followed at once by SIGTERM is saved before the program ends.
#   realendings.sh <quillbox> <data file> [<screenshot.png>]
# With a path it also saves a picture of the dock's menu open on "Root" (needs
# xwd and ImageMagick's convert).
# Exits 77 (skipped) when xvfb-run, xdotool, xauth or xwininfo is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=$(realpath "$2")
shot=$(picture_path "${3:-}")
need_tools "xvfb xauth xdotool x11-utils" xvfb-run xdotool xauth xwininfo

make_work sample
copy_data "$data" sample
# The desktop's opener, as the program finds it: the first xdg-open on PATH.
recording_opener

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 opened=$3 shot=${4:-}
pid=""
trap '[ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true' EXIT
cd "$folder"

differs() { ! cmp -s Quillbox.dat "$1"; }

start() {
  "$program" --data-dir . &
  pid=$!
  win=$(main_window 30) || fail "no main window"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  main_x=$X main_y=$Y
}
# Presses a point of the main window, in pixels from its top-left corner.
left_row0() { click_row 0 0 "$main_x" "$main_y"; sleep 0.3; }
press() { click_control "$1" "$main_x" "$main_y"; sleep 0.3; }
dock() {
  press BtnDock
  until_ok 10 dock_shown || fail "no dock window"
  read -r _ dock_x dock_y _ < <(windows | grep "^$(dock_window) ")
}
menu() {
  xdotool mousemove $((dock_x + 20)) $((dock_y + 20)) click 3
  until_ok 10 menus_shown 1 || fail "no menu after a right press"
}
# The requests since the last call, in the order the program made them.
requests() {
  sort -n "$opened" | cut -d' ' -f2-
  : >"$opened"
}

# Rename Work (F2 names in place) and move "café menu" above it.
start
left_row0
xdotool key F2
sleep 0.3
xdotool type --delay 50 Root
xdotool key Return Down
sleep 0.3
press BtnUp
cp Quillbox.dat after-edits.dat
# Once the user pauses, the edits are in the data file: SIGKILL loses nothing.
until_ok 15 differs after-edits.dat || fail "the edits were not saved after a pause"
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true
pid=""
echo "saved after a pause: ok"

# The dock's menu starts with "café menu", then the folder "Root"; choosing
# the first entry below "Root" opens that entry, not "café menu".
start
dock
menu
xdotool key Down Return
until_ok 10 opened_lines 2 || fail "choosing café menu did not make two requests"
printf '%s\n' "about:blank" "http://www.example.org/caf%C3%A9" | diff -u - <(requests) \
  || fail "the first item is not café menu: the move was not saved"
menu
xdotool key Down Down Right
until_ok 5 menus_shown 2 || fail "Root did not open"
if [ -n "$shot" ]; then
  box=$(windows | awk '
    NR == 1 || $2 < l { l = $2 } NR == 1 || $3 < t { t = $3 }
    NR == 1 || $2 + $4 > r { r = $2 + $4 } NR == 1 || $3 + $5 > b { b = $3 + $5 }
    END { m = 6; printf "%dx%d+%d+%d", r - l + 2 * m, b - t + 2 * m, l - m, t - m }')
  grab_box "$box" "$shot"
  echo "picture: $shot ($box)"
fi
xdotool key Return
until_ok 10 opened_lines 2 || fail "choosing Issue tracker below Root did not make two requests"
printf '%s\n' "about:blank" "https://tracker.example.org/board" | diff -u - <(requests) \
  || fail "the entry chosen below Root is not the one opened"
echo "dock menu below Root: ok"

# Back to the main window ("&Return Main"), delete "café menu", and end the
# program with SIGTERM before the pause is over.
menu
xdotool key Up Up Return
until_ok 10 main_shown || fail "the main window did not come back"
left_row0
cp Quillbox.dat before-delete.dat
press BtnDel
kill -TERM "$pid"
until_ok 10 ended || fail "SIGTERM did not end the program"
status=0
wait "$pid" || status=$?
pid=""
[ "$status" = 0 ] || fail "the program ended with $status after SIGTERM"
differs before-delete.dat || fail "SIGTERM did not save the tree"

# The next run starts with "Root": its first entry is the dock menu's first.
start
dock
menu
xdotool key Down Right Return
until_ok 10 opened_lines 2 || fail "choosing the first entry of Root did not make two requests"
printf '%s\n' "about:blank" "https://tracker.example.org/board" | diff -u - <(requests) \
  || fail "café menu is still there: the delete was not saved at SIGTERM"
menu
xdotool key Up Return
until_ok 20 ended || fail "\"&Close\" did not end the program"
wait "$pid" || fail "the program ended with an error"
pid=""
echo "saved at SIGTERM: ok"
DRIVE

drive 1024x768x24 "$program" "$work/sample" "$work/opened" "$shot"
echo "PASSED"
