#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# XBEL in and out of the real program on a virtual X server: an XBEL file
# (named .txt: what it holds decides) imported with --import shows in the
# columns; Options -> Export, the file type switched to XBEL in the file
# dialog with the keyboard and a name typed without a suffix, writes an XBEL
# file of that name with the suffix, which imports back.
#   realxbel.sh <quillbox> <sample-nopassword.dat>
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=$(realpath "$2")
need_tools "xvfb xauth xdotool" xvfb-run xdotool xauth

make_work data
copy_data "$data" data
cat >"$work/desk.txt" <<'XBEL'
<?xml version="1.0" encoding="UTF-8"?>
<!DOCTYPE xbel PUBLIC "+//IDN python.org//DTD XML Bookmark Exchange Language 1.0//EN//XML" "http://www.python.org/topics/xml/dtds/xbel-1.0.dtd">
<xbel version="1.0">
  <folder><title>Desk &amp; shelf</title>
    <bookmark href="https://shelf.example/"><title>Shelf</title><desc>kept</desc></bookmark>
    <separator/>
    <bookmark href="https://lamp.example/"><title><![CDATA[Lamp <new>]]></title></bookmark>
  </folder>
</xbel>
XBEL

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 work=$2
cd "$work/data"
today=$(date +%F)

"$program" --data-dir . --import "$work/desk.txt" >/dev/null 2>&1 || fail "--import of XBEL failed"

"$program" --data-dir . &
pid=$!
win=$(main_window 20) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
others() { xdotool search --onlyvisible --name '^Quillbox$' 2>/dev/null | grep -vx "$win" || true; }
message_shown() { [ -n "$(others)" ]; }
message_gone() { [ -z "$(others)" ]; }

click_control BtnOpt
sleep 0.6
click_control BtnExport
until_ok 10 xdotool search --onlyvisible --name '^Export bookmarks$' || fail "no file dialog"
dialog=$(xdotool search --onlyvisible --name '^Export bookmarks$' | head -1)
until_ok 10 test "$(xdotool getwindowfocus)" = "$dialog" || fail "the file dialog has no focus"
sleep 0.8
# The name field has the focus with the suggested name selected: a name
# without a suffix, then the file type (the next field) one down: XBEL;
# Alt+S saves.
xdotool key ctrl+a
xdotool type --delay 20 "$work/mine"
xdotool key Tab Down
sleep 0.3
xdotool key alt+s
until_ok 10 message_shown || fail "no message after the export"
sleep 0.5
xdotool key Return
until_ok 5 message_gone || fail "the message did not close"
[ -f "$work/mine.xbel" ] || fail "no mine.xbel: $(ls "$work")"
head -c 200 "$work/mine.xbel" | grep -q '<xbel' || fail "mine.xbel is not XBEL: $(head -c 200 "$work/mine.xbel")"
grep -q "Imported desk.txt $today" "$work/mine.xbel" || fail "the imported folder is not in the export"
grep -q 'Lamp &lt;new&gt;' "$work/mine.xbel" || fail "the CDATA title is not in the export"
echo "export through the file type: ok"

close_main 10 "$X" "$Y"
"$program" --data-dir . --import "$work/mine.xbel" >/dev/null 2>&1 || fail "the export does not import back"
"$program" --data-dir . --export "$work/all.html" >/dev/null || fail "--export failed"
[ "$(grep -c 'HREF="https://lamp.example/"' "$work/all.html")" = 2 ] ||
  fail "the round trip lost the lamp"
echo "round trip: ok"
DRIVE

drive 1024x768x24 "$program" "$work"
echo "PASSED"
