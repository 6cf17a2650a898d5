#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the real program on a virtual X server and drives it as a user does:
# a killed copy does not block the next start, it starts shaped by its skin,
# a second copy ends at once without a window, BtnDock swaps it for the dock
# window and back, and BtnClose writes the data file.
#   realwindow.sh <quillbox> [<data file> <screenshot.png>]
# With a data file it also opens it, selects a folder and an entry and saves
# a picture of the main panel (needs ImageMagick's convert).
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=${2:+$(realpath "$2")}
shot=${3:+$(realpath -m "$3")}
need_tools "xvfb xauth xdotool" xvfb-run xdotool xauth
make_work empty sample

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 shot=${3:-}
cd "$folder"

# A copy that is killed leaves its marker behind; it must not block the next.
"$program" --data-dir . &
pid=$!
main_window 20 >/dev/null || fail "no window"
kill -KILL "$pid"
wait "$pid" 2>/dev/null || true

"$program" --data-dir . &
pid=$!
win=$(main_window 20) || fail "no window after a killed copy"
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "window $win at $X,$Y size ${WIDTH}x$HEIGHT"
[ "$WIDTH" = 556 ] && [ "$HEIGHT" = 452 ] || fail "the window is not the skin's size"

# Shaped: the top-left corner of the skin is key colour and belongs to no
# window of ours; a point of the leather below the dial does.
[ "$(under 3 3)" != "$win" ] || fail "the corner is part of the window: not shaped"
[ "$(under 300 425)" = "$win" ] || fail "the skin is not part of the window"
echo "shaped: ok"

# A second copy ends at once, with no window of its own.
start=$(date +%s)
timeout 10 "$program" --data-dir . || fail "the second copy did not end cleanly"
[ $(( $(date +%s) - start )) -lt 5 ] || fail "the second copy took too long"
[ "$(xdotool search --onlyvisible --name '^Quillbox$' | wc -l)" = 1 ] || fail "a second window showed"
kill -0 "$pid" || fail "the first copy ended"
echo "second copy: ok"

# BtnDock: the main window gives way to the 40 x 40 dock window; a double
# click on the dock brings it back.
click_control BtnDock
sleep 1
dock=""
for w in $(xdotool search --onlyvisible --class quillbox); do
  eval "$(xdotool getwindowgeometry --shell "$w" | sed 's/^/D_/')"
  if [ "$D_WIDTH" = 40 ] && [ "$D_HEIGHT" = 40 ]; then dock=$w; break; fi
done
[ -n "$dock" ] || fail "no dock window"
xdotool search --onlyvisible --name '^Quillbox$' | grep -qx "$win" && fail "the main window stayed visible"
xdotool mousemove $((D_X + 20)) $((D_Y + 20)) click --repeat 2 --delay 80 1
main_window 10 >/dev/null || fail "the main window did not come back"
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "dock: ok"

if [ -n "$shot" ]; then
  # Left column row 1 (a folder), then the middle column's row 1 (an entry).
  click_row 0 0; sleep 0.5
  click_row 1 0; sleep 0.5
  xdotool mousemove $((X + 300)) $((Y + 425)); sleep 0.3
  grab_window "$shot"
  echo "picture: $shot"
fi

# BtnClose, in the middle of its round face.
close_main 10 "$X" "$Y"
[ -s Quillbox.dat ] || fail "no data file written"
echo "closed: Quillbox.dat has $(stat -c %s Quillbox.dat) bytes"
DRIVE

run() { drive 1024x768x24 "$@"; }

run "$program" "$work/empty"
size=$(stat -c %s "$work/empty/Quillbox.dat")
[ "$size" = 64 ] || { echo "FAILED: an empty tree is 64 bytes, not $size"; exit 1; }

if [ -n "$data" ]; then
  cp "$data" "$work/sample/Quillbox.dat"
  chmod u+w "$work/sample/Quillbox.dat"
  if can_picture; then
    run "$program" "$work/sample" "$shot"
  else
    run "$program" "$work/sample"
  fi
fi
echo "PASSED"
