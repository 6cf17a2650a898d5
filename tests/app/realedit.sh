#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Editing without fear in the real program on a virtual X server, driven as a
# user does: a folder deleted with the Delete key comes back with its content
# on Ctrl+Z (a row deleted after it stays deleted), a row dragged with the mouse onto a folder moves into it, and
# after Close the data file holds the result (read back with --export).
#   realedit.sh <quillbox> [<screenshot.png>]
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
shot=${2:+$(realpath -m "$2")}
need_tools "xvfb xauth xdotool" xvfb-run xdotool xauth

make_work data

# Root holds one imported folder: A {a1, a2}, B {b1}, c.
cat >"$work/start.html" <<'HTML'
<!DOCTYPE NETSCAPE-Bookmark-file-1>
<DL><p>
    <DT><H3>A</H3>
    <DL><p>
        <DT><A HREF="http://a1.example/">a1</A>
        <DT><A HREF="http://a2.example/">a2</A>
    </DL><p>
    <DT><H3>B</H3>
    <DL><p>
        <DT><A HREF="http://b1.example/">b1</A>
    </DL><p>
    <DT><A HREF="http://c.example/">c</A>
</DL><p>
HTML
(cd "$work/data" && "$program" --data-dir . --import "$work/start.html" >/dev/null) || { echo "FAILED: --import"; exit 1; }

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 shot=${3:-}
cd "$folder"
"$program" --data-dir . &
pid=$!
win=$(main_window 20) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
sleep 0.5
at() { row_point "$1" "$2"; }
click() { click_row "$1" "$2"; sleep 0.4; }

click 0 0            # the imported folder: A, B, c in the middle
click 1 0            # A: a1, a2 on the right
xdotool key Delete; sleep 0.5
xdotool key ctrl+z; sleep 0.5
click 2 1            # a2, in A as it came back
xdotool key Delete; sleep 0.5

# c (middle row 2) dragged onto B (middle row 1), in small steps.
read -r cx cy < <(at 1 2)
read -r bx by < <(at 1 1)
xdotool mousemove "$cx" "$cy"; sleep 0.2
xdotool mousedown 1; sleep 0.2
for step in 1 2 3 4 5 6 7 8; do
  xdotool mousemove "$cx" $((cy - step * (cy - by) / 8)); sleep 0.1
done
sleep 0.4
xdotool mouseup 1; sleep 0.6
click 1 1            # B shows b1 and c on the right
if [ -n "$shot" ] && can_picture; then
  grab_window "$shot"
  echo "picture: $shot"
fi

# BtnClose.
close_main 10 "$X" "$Y"
DRIVE

drive 1024x768x24 "$program" "$work/data" "$shot"

(cd "$work/data" && "$program" --data-dir . --export "$work/end.html" >/dev/null 2>&1) || { echo "FAILED: --export"; exit 1; }
# The names in order as the file nests them: A back with a1 (a2 deleted
# after the undo), c in B.
names=$(grep -o '<H3[^>]*>[^<]*</H3>\|<A [^>]*>[^<]*</A>\|</DL>' "$work/end.html" |
  sed -e 's/<[^>]*>\([^<]*\)<\/[^>]*>/\1/' -e 's/<\/DL>/)/' | tr '\n' ' ')
echo "saved: $names"
case "$names" in
  *"A a1 ) B b1 c ) )"*) echo "PASSED" ;;
  *) echo "FAILED: the data file does not hold A with its content and c inside B"; exit 1 ;;
esac
