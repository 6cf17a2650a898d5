#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# A first start of the real program on a virtual X server: the collection is
# empty, so the left column offers the browser profiles found below a fake
# home with their bookmark counts (a damaged one is left out), a bookmark
# file, and the key for a first entry. Clicking the profile's button imports
# it as the Import menu does; the offers give way to the imported tree. The
# column's own keys work through the offers: Insert names a first entry.
#   realfirststart.sh <quillbox> [<picture.png>]
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
shot=$(picture_path "${2:-}")
need_tools "xvfb xauth xdotool" xvfb-run xdotool xauth

make_work data home/.config/chromium/Default home/.mozilla/firefox/broken.default
cat >"$work/home/.config/chromium/Default/Bookmarks" <<'JSON'
{"roots": {"bookmark_bar": {"type": "folder", "name": "Bookmarks bar", "children": [
  {"type": "url", "name": "News", "url": "https://news.example/"},
  {"type": "folder", "name": "Recipes", "children": [
    {"type": "url", "name": "Bread", "url": "https://bread.example/"},
    {"type": "url", "name": "Soup", "url": "https://soup.example/"}]}]},
  "other": {"type": "folder", "name": "Other bookmarks", "children": [
    {"type": "url", "name": "Maps", "url": "https://maps.example/"}]}}}
JSON
# A Firefox profile whose database is no database: it cannot be read.
printf '[Profile0]\nName=default\nIsRelative=1\nPath=broken.default\n' \
  >"$work/home/.mozilla/firefox/profiles.ini"
head -c 8192 /dev/zero >"$work/home/.mozilla/firefox/broken.default/places.sqlite"

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 work=$2 shot=${3:-}
cd "$work/data"
today=$(date +%F)
others() { xdotool search --onlyvisible --name '^Quillbox$' 2>/dev/null | grep -vx "$win" || true; }
message_shown() { [ -n "$(others)" ]; }
message_gone() { [ -z "$(others)" ]; }
wait_message() {
  until_ok 10 message_shown || fail "no message: $1"
}
# The rows (from the column's top) where a strip of the left column, 10 to
# 13 pixels in (left of the text), is the leather of a button.
button_rows() {
  local at x y
  at=$(control_rect List1)
  read -r x y _ <<<"$at"
  grab_box "3x200+$((X + x + 10))+$((Y + y))" "$work/strip.png"
  convert "$work/strip.png" -scale '1x200!' -depth 8 txt:- |
    awk -F'[:(,)]' 'NR > 1 && $4 >= 95 && $4 < 140 && $5 < 95 && $6 < 60 { print $2 }'
}
offers_shown() { [ "$(button_rows | wc -l)" -gt 10 ]; }
offers_hidden() { ! offers_shown; }
# How many buttons: runs of button rows.
button_count() { button_rows | awk 'NR == 1 || $1 != last + 1 { n++ } { last = $1 } END { print n + 0 }'; }

"$program" --data-dir . &
pid=$!
win=$(main_window 20) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
two_buttons() { [ "$(button_count)" = 2 ]; }
# The counts arrive from the background (slowly in a sanitizer build).
until_ok 15 offers_shown || fail "a first start shows no offers in the left column"
until_ok 15 two_buttons || fail "not one profile's button and the file's: $(button_count) buttons"
sleep 0.3
[ -z "$shot" ] || { grab_window "$shot"; echo "picture: $shot"; }
echo "first start: the offers show"

# Insert goes to the column through the offers: a row to name, the offers
# gone; Escape drops the unnamed row and they are back.
click_row 0 11
# A slow build may still be taking the first click as the window's
# activation: a second one puts the focus in the column.
sleep 0.5
click_row 0 11
xdotool key Insert
until_ok 5 offers_hidden || fail "the offers stayed over a new row"
xdotool key Escape
until_ok 5 offers_shown || fail "the offers did not come back after the new row was dropped"
echo "Insert through the offers: ok"

# The first button below the line on what Quillbox keeps: the Chromium
# profile (the damaged Firefox one is not offered).
at=$(control_rect List1)
read -r lx ly lw _ <<<"$at"
row=$(button_rows | head -1)
[ -n "$row" ] || fail "no button found"
xdotool mousemove $((X + lx + lw / 2)) $((Y + ly + row + 8)) click 1
wait_message "after the profile import"
sleep 0.5
xdotool key Return
until_ok 5 message_gone || fail "the message did not close"
until_ok 5 offers_hidden || fail "the offers stayed over the imported tree"
[ -z "$shot" ] || { grab_window "${shot%.png}-imported.png"; echo "picture: ${shot%.png}-imported.png"; }

click_control BtnClose
until_ok 10 ended || { kill "$pid"; fail "BtnClose did not end the program"; }
wait "$pid" || fail "the program ended with an error"
"$program" --data-dir . --export "$work/after.html" >/dev/null || fail "--export failed"
grep -q "<H3>Imported Chromium Default $today</H3>" "$work/after.html" ||
  fail "the profile's folder is not in the collection"
grep -q 'HREF="https://soup.example/">Soup</A>' "$work/after.html" || fail "an entry is missing"
grep -qi "firefox" "$work/after.html" && fail "the damaged profile came in"
echo "imported: the profile's tree"
DRIVE

drive 1024x768x24 "$program" "$work" "$shot"
echo "PASSED"
