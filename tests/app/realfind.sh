#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the real program on a virtual X server with the sample tree and drives
# its quick-find palette as a user does: Ctrl+F opens it over the window,
# typed words and Enter open the best match through the desktop's opener (a
# recording xdg-open first on PATH), Escape closes it without a choice; in
# the dock window a typed letter opens it and Enter opens from there too, and
# Ctrl+Enter brings the main window back.
#   realfind.sh <quillbox> <data file> [<screenshot.png>]
# With a path it also saves a picture of the palette over the main window
# (needs xwd and ImageMagick's convert).
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
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true' EXIT
cd "$folder"

# The palette and the dock window, by their names.
palette() { named_window 'Quillbox find'; }
no_palette() { ! palette; }
requests() { sort -n "$opened" | cut -d' ' -f2-; }
# find <keys...>: opens the palette over the main window and types.
find_text() {
  xdotool key ctrl+f
  until_ok 10 palette || fail "Ctrl+F opened no palette"
  xdotool type --delay 40 "$1"
  sleep 0.3
}

"$program" --data-dir . &
pid=$!
win=$(main_window 30) || fail "no main window"
eval "$(xdotool getwindowgeometry --shell "$win")"
# The keyboard goes to the window the user last clicked (no window manager).
xdotool mousemove $((X + 300)) $((Y + 425)) click 1
sleep 0.3

# Words in any order, in name and target: the entry deep in Work/Archive.
find_text "review q3"
xdotool key Return
until_ok 10 opened_lines 1 || fail "Enter opened nothing"
until_ok 5 no_palette || fail "the palette stayed open after Enter"
echo "enter: ok"

# Escape closes it without a choice.
find_text "ar"
if [ -n "$shot" ]; then
  # The palette is a pop-up over the main window: the screen's picture
  # misses it there, so it is laid over a picture of the window.
  p=$(palette)
  eval "$(xdotool getwindowgeometry --shell "$p" | sed 's/^/P_/')"
  grab_window "$folder/main.png"
  xwd -id "$p" -silent | convert xwd:- "$folder/palette.png"
  convert "$folder/main.png" "$folder/palette.png" -geometry "+$((P_X - X))+$((P_Y - Y))" \
    -composite "png:$shot"
  echo "picture: $shot"
fi
xdotool key Escape
until_ok 5 no_palette || fail "Escape did not close the palette"
sleep 0.3
opened_lines 1 || fail "Escape opened something"
echo "escape: ok"

# Accents and case folded: "CAFE" finds "café menu", a web address (the blank
# page first, as Go does).
find_text "CAFE"
xdotool key Return
until_ok 10 opened_lines 3 || fail "café menu did not make two requests"
echo "accents: ok"

# The dock window: a typed letter opens the palette below it.
click_control BtnDock
until_ok 10 dock_shown || fail "no dock window"
eval "$(xdotool getwindowgeometry --shell "$(dock_window)" | sed 's/^/D_/')"
xdotool mousemove $((D_X + 20)) $((D_Y + 20)) click 1
xdotool type --delay 40 "issue"
until_ok 10 palette || fail "typing at the dock opened no palette"
sleep 0.3
xdotool key Return
until_ok 10 opened_lines 5 || fail "Enter at the dock's palette did not open the tracker"
dock_shown || fail "the dock closed after an entry was opened"
echo "dock: ok"

# Ctrl+Enter from the dock's palette: the main window comes back.
xdotool mousemove $((D_X + 20)) $((D_Y + 20)) click 1
xdotool type --delay 40 "reports"
until_ok 10 palette || fail "typing at the dock opened no palette"
sleep 0.3
xdotool key ctrl+Return
until_ok 10 main_shown || fail "Ctrl+Enter did not bring the main window back"
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "reveal: ok"

requests >requests
printf '%s\n' "file:///home/user/Documents/Archive/Q3%20review.pdf" "about:blank" \
  "http://www.example.org/caf%C3%A9" "about:blank" "https://tracker.example.org/board" |
  diff -u - requests || fail "wrong requests"

close_main 20 "$X" "$Y"
pid=""
DRIVE

drive 1024x768x24 "$program" "$work/sample" "$work/opened" "$shot"
echo "PASSED"
