#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program on a virtual X server: strong protection ticked at the
# options with a password seals the data file; the next start asks for the
# password and opens the tree with it; Ctrl+L locks the window again, and
# while it is locked neither "quillbox --menu" nor the dock shows a bookmark.
# Unlocked, the dock's menu ends with "&Lock", which locks it as Ctrl+L does.
#   realstrong.sh <quillbox> <data file without password> [<screenshot folder>]
# Exits 77 (skipped) when xvfb-run, xdotool or ImageMagick is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=$(realpath "$2")
shots=${3:+$(realpath -m "$3")}
need_tools "xvfb xauth xdotool x11-apps imagemagick" xvfb-run xdotool xauth xwd convert

make_work data
cp "$data" "$work/data/Quillbox.dat"

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 shots=${3:-}
pid=""
trap '[ -n "$pid" ] && kill -KILL "$pid" 2>/dev/null || true' EXIT
cd "$folder"
settings="$XDG_CONFIG_HOME/Quillbox/Quillbox.conf"
password='a long pass phrase, every byte counts'

# The share of dark (text) pixels in a rectangle of the window: w h x y.
ink() { convert "$1" -crop "$2x$3+$4+$5" +repage -colorspace Gray -negate -threshold 50% \
          -format '%[fx:mean]' info:; }
shoot() {
  grab_window "$PWD/$1.png"
  [ -z "$shots" ] || { mkdir -p "$shots" && cp "$PWD/$1.png" "$shots/strong-$1.png"; }
}
rows_shown() { [ "$(ink "$1.png" 88 50 62 122 | awk '{print ($1 > 0.01)}')" = 1 ]; }
# A picture now, with rows in it (the key's derivation takes its time).
shows_rows() { shoot "$1" && rows_shown "$1"; }
sealed() { head -c 16 Quillbox.dat | grep -qa 'Quillbox-Seal'; }
start() {
  "$program" --data-dir . &
  pid=$!
  win=$(main_window 20) || fail "no window"
  sleep 0.5
  eval "$(xdotool getwindowgeometry --shell "$win")"
  main_x=$X main_y=$Y
}
type_into() {
  click_control "$1" "$main_x" "$main_y"
  sleep 0.2
  xdotool type --delay 20 "$2"
}

start
click_control BtnOpt "$main_x" "$main_y"
sleep 0.5
click_control StrongProtection "$main_x" "$main_y"
sleep 0.3
type_into NewPassword "$password"
type_into ConfirmPassword "$password"
shoot options
click_control BtnSave "$main_x" "$main_y"
until_ok 20 sealed || fail "the data file is not sealed"
! grep -a -q 'www\.' Quillbox.dat || fail "the data file shows its addresses"
echo "options: the data file is sealed"
close_main 20 "$main_x" "$main_y"
! grep -q '^Passwd=[1-9]' "$settings" || fail "a check value was stored: $(cat "$settings")"
echo "closed: no check value in the settings"

start
shoot prompt
rows_shown prompt && fail "rows shown at the prompt"
type_into PromptPassword "$password"
click_control BtnOK "$main_x" "$main_y"
until_ok 20 shows_rows opened || fail "the password did not open the tree"
echo "restart: the prompt opened the tree"

xdotool key --window "$win" ctrl+l
sleep 1
shoot locked
rows_shown locked && fail "rows shown after Lock"
timeout 10 "$program" --data-dir . --menu || fail "--menu did not reach the running copy"
sleep 1
[ "$(windows | wc -l)" = 0 ] || fail "a menu or the dock came up while locked: $(windows)"
click_control BtnDock "$main_x" "$main_y"
sleep 1
[ "$(windows | wc -l)" = 0 ] || fail "the dock came up while locked"
shoot locked-menu
rows_shown locked-menu && fail "rows shown after --menu while locked"
echo "locked: no bookmark shown"

type_into PromptPassword "$password"
click_control BtnOK "$main_x" "$main_y"
until_ok 20 shows_rows unlocked || fail "the password did not unlock"

# The dock's menu: its last item is "&Lock" (without a password it would be
# "&Close", which would end the program).
click_control BtnDock "$main_x" "$main_y"
until_ok 10 dock_shown || fail "no dock window"
dock=$(dock_window)
read -r _ dock_x dock_y _ < <(windows | grep "^$dock ")
xdotool mousemove $((dock_x + 20)) $((dock_y + 20)) click 3
until_ok 10 menus_shown 1 || fail "no menu at a right press on the dock"
sleep 0.3
grab_box "320x260+$dock_x+$dock_y" "$PWD/dock-menu.png"
[ -z "$shots" ] || cp "$PWD/dock-menu.png" "$shots/strong-dock-menu.png"
xdotool key Up Return
until_ok 10 main_shown || fail "the main window did not come back from the dock's Lock"
sleep 1
! dock_shown || fail "the dock stayed after its Lock"
eval "$(xdotool getwindowgeometry --shell "$win")"
main_x=$X main_y=$Y
shoot dock-locked
rows_shown dock-locked && fail "rows shown after the dock's Lock"
! ended || fail "the dock's last item ended the program"
click_control BtnDock "$main_x" "$main_y"
sleep 1
[ "$(windows | wc -l)" = 0 ] || fail "a dock or a menu came up while locked: $(windows)"
echo "dock: its menu's Lock locked the window"

type_into PromptPassword "$password"
click_control BtnOK "$main_x" "$main_y"
until_ok 20 shows_rows unlocked-again || fail "the password did not unlock after the dock's Lock"
close_main 20 "$main_x" "$main_y"
head -c 16 Quillbox.dat | grep -qa 'Quillbox-Seal' || fail "the data file is no longer sealed"
echo "unlocked and closed: ok"
DRIVE

drive 1024x768x24 "$program" "$work/data" "$shots"
echo "PASSED"
