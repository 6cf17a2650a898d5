#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Bookmarks in through the real program's options panel, driven as a user
# does on a virtual X server: Import offers a bookmark file and the browser
# profiles found (here a Chromium-family profile below a fake home), a file
# is picked in the file dialog with the keyboard, one message sums up, the
# columns show the new folder; while the window is open the command line
# refuses to import and exports what was last saved; a long import shows a
# progress dialog whose Cancel changes nothing; after Close the data file
# holds both imports.
#   realexchange.sh <quillbox> <sample-nopassword.dat> [<folder for pictures>]
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=$(realpath "$2")
shots=${3:+$(realpath -m "$3")}
need_tools "xvfb xauth xdotool" xvfb-run xdotool xauth

make_work home/.config/google-chrome/Default data
copy_data "$data" data

cat >"$work/bookmarks.html" <<'HTML'
<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<DL><p>
    <DT><H3>Travel &amp; maps</H3>
    <DL><p>
        <DT><A HREF="https://maps.example/">Maps</A>
        <DD>where to go
        <HR>
        <DT><A HREF="https://trains.example/">Trains</A>
    </DL><p>
    <DT><A HREF="javascript:void(0)">bookmarklet</A>
</DL><p>
HTML
cat >"$work/home/.config/google-chrome/Default/Bookmarks" <<'JSON'
{"roots": {"bookmark_bar": {"type": "folder", "name": "Bookmarks bar", "children": [
  {"type": "url", "name": "From the browser", "url": "https://browser.example/"}]}}}
JSON

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 work=$2 shots=${3:-}
cd "$work/data"
today=$(date +%F)
shot() {
  [ -n "$shots" ] && can_picture || return 0
  mkdir -p "$shots"
  grab_window "$shots/$1"
  echo "picture: $shots/$1"
}
# The window on top (a menu or a message box), alone: a picture of the
# screen does not show it under Xvfb.
shot_top() {
  [ -n "$shots" ] && can_picture || return 0
  mkdir -p "$shots"
  top=$(xwininfo -root -children | awk '/^ +0x/ { print $1; exit }')
  xwd -id "$top" -silent | convert xwd:- "png:$shots/$1"
  echo "picture: $shots/$1"
}
# The windows named Quillbox other than the main window (a message box).
others() { xdotool search --onlyvisible --name '^Quillbox$' 2>/dev/null | grep -vx "$win" || true; }
# A visible window named like $1, waited for: a search can fail outright
# while another window (a menu) goes away.
wait_window() {
  for _ in $(seq 50); do
    found=$(xdotool search --onlyvisible --name "$1" 2>/dev/null | head -1 || true)
    [ -n "$found" ] && { echo "$found"; return 0; }
    sleep 0.2
  done
  return 1
}
wait_message() {
  for _ in $(seq 50); do [ -n "$(others)" ] && return 0; sleep 0.2; done
  fail "no message: $1"
}

"$program" --data-dir . &
pid=$!
win=$(main_window 20) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
press() { click_control "$1"; sleep 0.6; }

# Options, then Import: the menu lists the file and the browser profile.
press BtnOpt
press BtnImport
sleep 1
shot_top import-menu.png
# The first entry: a bookmark file, picked by typing its path.
xdotool key Down Return
wait_window '^Import bookmarks$' >/dev/null || fail "no file dialog"
sleep 0.5
xdotool type --delay 20 "$work/bookmarks.html"
xdotool key Return
wait_message "after the file import"
sleep 1
shot_top import-summary.png
xdotool key Return
sleep 0.5
[ -z "$(others)" ] || fail "the message did not close"

# The main panel is back with the new folder selected in the left column.
shot imported.png

# While this copy runs, the command line does not import and says what an
# export holds: the tree as last saved, without the import yet.
if "$program" --data-dir . --import "$work/bookmarks.html" 2>"$work/err.txt"; then fail "--import ran beside the window"; fi
grep -q "Quillbox is running" "$work/err.txt" || fail "no clear refusal: $(cat "$work/err.txt")"
"$program" --data-dir . --export "$work/before.html" 2>"$work/err.txt" >/dev/null || fail "--export failed"
grep -q "last saved" "$work/err.txt" || fail "no word on what is exported: $(cat "$work/err.txt")"
grep -q "Imported bookmarks.html" "$work/before.html" && fail "the export holds what was not saved"
echo "command line beside the window: ok"

# A file big enough to take a while: the progress dialog shows, and its
# Cancel leaves the tree as it was.
{
  echo '<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><p>'
  awk 'BEGIN { for (i = 0; i < 2000000; ++i) print "<DT><A HREF=\"https://many.example/\">Many</A>" }'
} >"$work/big.html"
press BtnOpt
press BtnImport
xdotool key Down Return
wait_window '^Import bookmarks$' >/dev/null || fail "no file dialog"
sleep 0.5
xdotool type --delay 20 "$work/big.html"
xdotool key Return
wait_message "no progress dialog"
progress=$(others | head -1)
eval "$(xdotool getwindowgeometry --shell "$progress" | sed 's/^/P_/')"
shot_top progress.png
xdotool mousemove $((P_X + P_WIDTH - 45)) $((P_Y + P_HEIGHT - 18)) click 1
for _ in $(seq 50); do [ -z "$(others)" ] && break; sleep 0.2; done
[ -z "$(others)" ] || fail "a window stayed after Cancel (did the import run to its end?)"
echo "cancel: ok"

# The browser profile, the entry after the file's.
press BtnOpt
press BtnImport
xdotool key Down Down Return
wait_message "after the profile import"
xdotool key Return
sleep 0.5

# BtnClose saves.
press BtnClose
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && { kill "$pid"; fail "BtnClose did not end the program"; }
wait "$pid" || fail "the program ended with an error"

"$program" --data-dir . --export "$work/after.html" >/dev/null || fail "--export after Close failed"
grep -q "<H3>Imported bookmarks.html $today</H3>" "$work/after.html" || fail "the file import was not saved"
grep -q 'HREF="https://trains.example/">Trains</A>' "$work/after.html" || fail "an imported entry is missing"
grep -q "<H3>Imported Google Chrome Default $today</H3>" "$work/after.html" ||
  fail "the profile import was not saved"
grep -q 'HREF="https://browser.example/">From the browser</A>' "$work/after.html" ||
  fail "the browser's entry is missing"
grep -q "Imported big.html" "$work/after.html" && fail "the cancelled import was saved"
echo "saved: both imports are in the data file, the cancelled one is not"
DRIVE

drive 1024x768x24 "$program" "$work" "$shots"
echo "PASSED"
