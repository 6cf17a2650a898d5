#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Quick access from outside the window, with the real program on a virtual X
# server: "quillbox --menu" makes the running copy pop up the tree at the
# mouse pointer, and the chosen entry goes to the desktop's opener (a
# recording xdg-open first on PATH); two requests at once show one menu;
# "--find" opens the quick-find palette, also over the dock window; a killed copy's socket is
# replaced by the next copy; a start with another runtime folder reaches no
# running copy; with no copy running, --menu starts one that shows the menu.
#   realquick.sh <quillbox> <data file> [<screenshot.png>]
# Exits 77 (skipped) when xvfb-run, xdotool or xauth is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=$(realpath "$2")
shot=$(picture_path "${3:-}")
need_tools "xvfb xauth xdotool" xvfb-run xdotool xauth

# The collection lives in the user data folder: every start below reaches
# it without a folder option, whatever folder it is typed in. The folder the
# drive stands in holds a stray data file of an older version.
make_work other-run other sample home/.local/share/Quillbox
chmod 700 "$work/other-run"
copy_data "$data" home/.local/share/Quillbox
copy_data "$data" sample
recording_opener

# -noreset: the server must not reset between two copies, when no client is
# connected for a moment.
cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 opened=$3 work=$4 shot=${5:-}
pid="" other=""
trap 'for p in $pid $other; do kill -KILL "$p" 2>/dev/null || true; done' EXIT
cd "$folder"

# The visible windows of process $1 other than its main window: id x y w h.
menus_of() {
  local w geometry
  for w in $(xdotool search --onlyvisible --pid "$1" 2>/dev/null); do
    [ "$(xdotool getwindowname "$w" 2>/dev/null)" = Quillbox ] && continue
    geometry=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null) || continue
    eval "$geometry"
    echo "$w $X $Y $WIDTH $HEIGHT"
  done
}
menus_shown() { [ "$(menus_of "$1" | wc -l)" = "$2" ]; }
main_shown() { xdotool search --all --onlyvisible --pid "$1" --name '^Quillbox$'; }

start() {
  "$program" "$@" &
  pid=$!
  until_ok 30 main_shown "$pid" || fail "no main window"
  win=$(main_shown "$pid" | head -1)
  eval "$(xdotool getwindowgeometry --shell "$win")"
  main_x=$X main_y=$Y
}
close() {
  close_main 20 "$main_x" "$main_y" "the close button did not end the program"
  pid=""
}

start
# The menu at the pointer, from a request of a second start.
xdotool mousemove 700 520
timeout 10 "$program" --menu || fail "--menu did not reach the running copy"
until_ok 10 menus_shown "$pid" 1 || fail "no menu after --menu"
read -r _ mx my _ menu_h < <(menus_of "$pid")
echo "menu at $mx,$my, pointer at 700,520"
[ $((mx - 700)) -ge -2 ] && [ $((mx - 700)) -le 4 ] && [ $((my - 520)) -ge -2 ] &&
  [ $((my - 520)) -le 4 ] || fail "the menu is not at the pointer"
if [ -n "$shot" ]; then
  grab_box 400x300+500+400 "$shot"
  echo "picture: $shot"
fi
# Its second item: a web address, opened after the blank page.
xdotool key Down Down Return
until_ok 10 opened_lines 2 || fail "choosing the entry opened nothing"
sort -n "$opened" | cut -d' ' -f2- | diff -u - <(printf '%s\n' about:blank "http://www.example.org/caf%C3%A9") ||
  fail "wrong requests"
until_ok 5 menus_shown "$pid" 0 || fail "the menu stayed open"
echo "menu: ok"

# Two requests at once: one menu.
timeout 10 "$program" --menu & a=$!
timeout 10 "$program" --menu & b=$!
wait "$a" && wait "$b" || fail "a request was not taken"
until_ok 10 menus_shown "$pid" 1 || fail "no menu"
sleep 0.5
menus_shown "$pid" 1 || fail "two requests showed $(menus_of "$pid" | wc -l) menus"
xdotool key Escape
until_ok 5 menus_shown "$pid" 0 || fail "Escape left the menu open"
echo "two at once: ok"

# --find: the quick-find palette over the main window, and over the dock
# window while that stands in for it.
palette_shown() { menus_of "$pid" | awk '!($4 == 40 && $5 == 40) { n++ } END { exit n != 1 }'; }
timeout 10 "$program" --find || fail "--find did not reach the running copy"
until_ok 10 palette_shown || fail "--find opened no palette over the main window"
xdotool key Escape
until_ok 5 menus_shown "$pid" 0 || fail "Escape left the palette open"
click_control BtnDock "$main_x" "$main_y"
until_ok 10 bash -c "! xdotool search --all --onlyvisible --pid $pid --name '^Quillbox\$'" || fail "no dock"
timeout 10 "$program" --find || fail "--find did not reach the copy behind the dock"
until_ok 10 palette_shown || fail "--find opened no palette over the dock window"
main_shown "$pid" && fail "--find brought the main window back from the dock"
echo "find: ok"

# A killed copy leaves its socket; the next copy takes the path over.
kill -KILL "$pid"; wait "$pid" 2>/dev/null || true; pid=""
[ -S "$XDG_RUNTIME_DIR/QuillboxV1.1_001_19760122.socket" ] || fail "no socket left by the killed copy"
start
timeout 10 "$program" --menu || fail "--menu did not reach the copy after a killed one"
until_ok 10 menus_shown "$pid" 1 || fail "no menu from the new copy"
xdotool key Escape
echo "stale socket: ok"

# Another runtime folder: the request reaches nothing, so that start runs
# a copy of its own (in a folder of its own) and ours shows no menu.
(cd "$work/other" && XDG_RUNTIME_DIR="$work/other-run" XDG_CONFIG_HOME="$work/other/.config" \
  exec "$program" --menu) &
other=$!
until_ok 30 main_shown "$other" || fail "the start with another runtime folder did not run"
until_ok 10 menus_shown "$other" 1 || fail "the other copy did not show its menu"
menus_shown "$pid" 0 || fail "a request from another runtime folder reached the running copy"
kill -KILL "$other"; wait "$other" 2>/dev/null || true; other=""
echo "other runtime folder: ok"
close

# No copy running: --menu starts one, which shows the menu of the collection
# in the user data folder, also from a folder without any data (as a key
# daemon standing in the home folder would start it).
mkdir -p "$work/keyd"
cd "$work/keyd"
start --menu
until_ok 10 menus_shown "$pid" 1 || fail "a copy started with --menu showed no menu"
read -r _ _ _ _ cold_h < <(menus_of "$pid")
[ "$cold_h" = "$menu_h" ] || fail "the cold --menu start showed another tree ($cold_h px, not $menu_h)"
[ ! -e "$work/keyd/Quillbox.dat" ] || fail "the cold --menu start made a data file where it was typed"
xdotool key Escape
until_ok 5 menus_shown "$pid" 0 || fail "Escape left the menu open"
close
echo "started by --menu: ok"

# A stray data file where the command is typed, while the user data folder
# holds none yet, is named, not used or moved.
cd "$folder"
XDG_DATA_HOME="$work/fresh" timeout 10 "$program" --export "$work/out.html" 2>"$work/err.txt" >/dev/null ||
  fail "--export failed"
grep -q -- "--data-dir" "$work/err.txt" || fail "no word on the stray data file: $(cat "$work/err.txt")"
[ -s "$folder/Quillbox.dat" ] || fail "the stray data file was moved"
echo "stray data file: ok"
DRIVE

drive "1024x768x24 -noreset" "$program" "$work/sample" "$work/opened" "$work" "$shot"
echo "PASSED"
