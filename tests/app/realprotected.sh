#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program on a virtual X server with a password-protected data file
# and no settings (a file copied from another machine): the prompt asks for
# the data file's own password and says why, the password opens the tree,
# and Close saves it and stores the password's check value in the settings.
#   realprotected.sh <quillbox> <protected data file> [<screenshot.png>]
# The data file is tests/data/sample-secret12.dat (password "secret12").
# Exits 77 (skipped) when xvfb-run, xdotool or ImageMagick is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=$(realpath "$2")
shot=${3:+$(realpath -m "$3")}
need_tools "xvfb xauth xdotool x11-apps imagemagick" xvfb-run xdotool xauth xwd convert

make_work data
cp "$data" "$work/data/Quillbox.dat"
chmod 644 "$work/data/Quillbox.dat"

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 shot=${3:-}
cd "$folder"
settings="$XDG_CONFIG_HOME/Quillbox/Quillbox.conf"

"$program" --data-dir . &
pid=$!
win=$(main_window 20) || fail "no window"
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$win")"
# The share of dark (text) pixels in a rectangle of the window: w h x y.
ink() { convert "$1" -crop "$2x$3+$4+$5" +repage -colorspace Gray -negate -threshold 50% \
          -format '%[fx:mean]' info:; }

grab_window "$PWD/prompt.png"
[ -n "$shot" ] && cp "$PWD/prompt.png" "$shot"
# The explanation above the password box, and nothing in the first column yet.
[ "$(ink prompt.png 400 40 80 70 | awk '{print ($1 > 0.02)}')" = 1 ] || fail "no explanation shown"
[ "$(ink prompt.png 88 50 62 122 | awk '{print ($1 < 0.002)}')" = 1 ] || fail "rows shown at the prompt"
echo "prompt: ok"

# Type the data file's password into the prompt box, press OK.
click_control PromptPassword
sleep 0.3
xdotool type --delay 50 secret12
click_control BtnOK
sleep 1
grab_window "$PWD/tree.png"
[ "$(ink tree.png 88 50 62 122 | awk '{print ($1 > 0.01)}')" = 1 ] || fail "the tree is not shown"
[ "$(ink tree.png 400 40 80 70 | awk '{print ($1 < 0.2)}')" = 1 ] || fail "the explanation stayed"
echo "tree: ok"

close_main 10 "$X" "$Y"
grep -qx 'Passwd=3064455386' "$settings" || fail "the settings do not hold the check value: $(cat "$settings")"
[ "$(stat -c %a "$settings")" = 600 ] || fail "the new settings file is readable by others"
[ "$(stat -c %a Quillbox.dat)" = 644 ] || fail "the data file lost the mode its owner gave it"
[ ! -e Quillbox.dat.bak ] || fail "a file that opened was kept as a backup"
echo "closed: the settings hold the check value"

# The next start asks as for any protected file, without the explanation.
"$program" --data-dir . &
pid=$!
main_window 20 >/dev/null || fail "no window at restart"
sleep 0.5
grab_window "$PWD/again.png"
[ "$(ink again.png 400 40 80 70 | awk '{print ($1 < 0.002)}')" = 1 ] || fail "explained again"
click_control BtnClose
for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
kill -0 "$pid" 2>/dev/null && { kill "$pid"; fail "BtnClose did not end the program at the prompt"; }
echo "restart: ok"
DRIVE

drive 1024x768x24 "$program" "$work/data" "$shot"
echo "PASSED"
