#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs the real program on a virtual X server with a sample tree and drives its
# dock window as a user does: BtnDock puts the 40 x 40 dock window on top at
# (100, 100) when nothing is stored; a right press opens the tree as a cascade
# of menus; a chosen entry goes to the desktop's opener (a recording xdg-open
# first on PATH: a file path once, a web address after "about:blank") and the
# dock stays; the dock is dragged, "&Close" from its menu saves and ends the
# program, and after a restart BtnDock shows the dock where it was left.
#   realdock.sh <quillbox> <data file> [<screenshot.png>]
# With a path it also saves a picture of the open cascade (needs xwd and
# ImageMagick's convert).
# Exits 77 (skipped) when xvfb-run, xdotool, xauth or xprop is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=$(realpath "$2")
shot=$(picture_path "${3:-}")
need_tools "xvfb xauth xdotool x11-utils" xvfb-run xdotool xauth xprop xwininfo

make_work sample
copy_data "$data" sample
# The desktop's opener, as the program finds it: the first xdg-open on PATH.
recording_opener

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 opened=$3 shot=${4:-}
# A failed check leaves no copy running.
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true' EXIT
cd "$folder"

dock_at() { windows | awk -v d="$(dock_window)" -v x="$1" -v y="$2" '$1 == d && $2 == x && $3 == y { found = 1 } END { exit !found }'; }

start() {
  "$program" --data-dir . &
  pid=$!
  win=$(main_window 30) || fail "no main window"
  eval "$(xdotool getwindowgeometry --shell "$win")"
  main_x=$X main_y=$Y
}
# BtnDock: the main window gives way to the dock window.
dock() {
  click_control BtnDock "$main_x" "$main_y"
  until_ok 10 dock_shown || fail "no dock window"
  dock=$(dock_window)
  read -r _ dock_x dock_y _ < <(windows | grep "^$dock ")
  ! xdotool search --onlyvisible --name '^Quillbox$' | grep -qx "$win" || fail "the main window stayed visible"
}
# A right press on the dock opens its menu; the keys then walk it.
menu() {
  xdotool mousemove $((dock_x + 20)) $((dock_y + 20)) click 3
  until_ok 10 menus_shown 1 || fail "no menu after a right press"
}
# Leaves the program through "&Close", the last item of the dock's menu.
close_from_dock() {
  menu
  xdotool key Up Return
  until_ok 20 ended || { kill "$pid"; fail "\"&Close\" did not end the program"; }
  wait "$pid" || fail "the program ended with an error"
  pid=""
}

cp Quillbox.dat before
start
dock
echo "dock window $dock at $dock_x,$dock_y"
[ "$dock_x,$dock_y" = "100,100" ] || fail "with nothing stored the dock is not at 100,100"
xprop -id "$dock" _NET_WM_STATE | grep -q _NET_WM_STATE_ABOVE || fail "the dock is not kept above"
top=$(xwininfo -root -children | awk '/^ +0x/ { print $1; exit }')
[ $((top)) = "$dock" ] || fail "the dock is not the topmost window"
echo "on top: ok"

# The cascade: Work, then its folder Archive (its third item, past a
# separator); the first item of each is highlighted.
menu
xdotool key Down Right
until_ok 5 menus_shown 2 || fail "Work did not open"
xdotool key Down Down Right
until_ok 5 menus_shown 3 || fail "Archive did not open"
if [ -n "$shot" ]; then
  box=$(windows | awk '
    NR == 1 || $2 < l { l = $2 } NR == 1 || $3 < t { t = $3 }
    NR == 1 || $2 + $4 > r { r = $2 + $4 } NR == 1 || $3 + $5 > b { b = $3 + $5 }
    END { m = 6; printf "%dx%d+%d+%d", r - l + 2 * m, b - t + 2 * m, l - m, t - m }')
  grab_box "$box" "$shot"
  echo "picture: $shot ($box)"
fi

# A file: one request. The dock stays.
xdotool key Return
until_ok 10 opened_lines 1 || fail "choosing Q3 review.pdf opened nothing"
until_ok 5 menus_shown 0 || fail "the menu stayed open"
dock_shown || fail "the dock closed after an entry was chosen"
# A web address: the blank page, then the address.
menu
xdotool key Down Down Return
until_ok 10 opened_lines 3 || fail "choosing café menu did not make two requests"
sort -n "$opened" | cut -d' ' -f2- >requests
printf '%s\n' "file:///home/user/Documents/Archive/Q3%20review.pdf" "about:blank" \
  "http://www.example.org/caf%C3%A9" | diff -u - requests || fail "wrong requests"
echo "opened: ok"

# Dragged by any point, then closed from its menu: the program saves and ends.
xdotool mousemove $((dock_x + 5)) $((dock_y + 30)) mousedown 1
xdotool mousemove 400 300
xdotool mousemove 603 451
xdotool mouseup 1
until_ok 5 dock_at 598 421 || fail "the dock did not follow the pointer: $(windows)"
dock_x=598 dock_y=421
close_from_dock
# Nothing was edited: the data file keeps its bytes (no needless change for a sync).
cmp -s Quillbox.dat before || fail "an unchanged tree was written again"
# Both coordinates in one value, x in the high 16 bits.
pos=$(grep -rhs '^Pos=' "$XDG_CONFIG_HOME" | cut -d= -f2)
[ "$pos" = $(((598 << 16) | 421)) ] || fail "the settings hold Pos=$pos, not 598,421"
echo "closed: ok"

# The next run puts the dock where it was left.
start
dock
[ "$dock_x,$dock_y" = "598,421" ] || fail "after a restart the dock is at $dock_x,$dock_y, not 598,421"
close_from_dock
echo "restart: ok"
DRIVE

drive 1024x768x24 "$program" "$work/sample" "$work/opened" "$shot"
echo "PASSED"
