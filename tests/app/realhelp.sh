#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The Help button of the real program on a virtual X server, with a desktop
# that has no program for the help file and then one that has: a recording
# xdg-open first on PATH refuses the help file (exit status 4, as xdg-open
# does when nothing opens a file), and a stand-in xdg-mime names the default
# program for the help file's type, or none.
#   realhelp.sh <quillbox>
# Works for a build (help beside the program) and an installed program (help
# in ../share/quillbox). Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
program=$(command -v "$1")
program=$(realpath "$program")
need_tools "xvfb xauth xdotool" xvfb-run xdotool xauth
make_work data
own_desktop
cat >"$work/bin/xdg-open" <<OPENER
#!/bin/sh
echo "\$*" >>"$work/opened"
case "\$1" in *.chm) exit 4 ;; esac
OPENER
cat >"$work/bin/xdg-mime" <<MIME
#!/bin/sh
[ "\$*" = "query default application/vnd.ms-htmlhelp" ] && cat "$work/chm-handler"
exit 0
MIME
chmod +x "$work/bin/xdg-open" "$work/bin/xdg-mime"
: >"$work/opened"
: >"$work/chm-handler"

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 work=$2
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true' EXIT
cd "$work/data"
opened=$work/opened
"$program" --data-dir . &
pid=$!
win=$(main_window 30) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
help() { click_control BtnHelp; }

help # no program for the help file: the pages in the browser
until_ok 10 opened_lines 1 || fail "Help opened nothing"
last=$(tail -1 "$work/opened")
[[ $last == file://*/help/index.html ]] || fail "without a program for the help file Help opened $last"
[ -s "${last#file://}" ] || fail "$last does not exist"
echo "no handler: $last"

echo chmviewer.desktop >"$work/chm-handler"
help # a program for the help file: the help file itself
until_ok 10 opened_lines 2 || fail "Help opened nothing"
last=$(tail -1 "$work/opened")
[[ $last == file://*/quillbox.chm ]] || fail "with a program for the help file Help opened $last"
[ -s "${last#file://}" ] || fail "$last does not exist"
echo "handler: $last"

close_main 20 "$X" "$Y" "the close button did not end the program"
pid=""
DRIVE
drive 1024x768x24 "$program" "$work"
echo "PASSED"
