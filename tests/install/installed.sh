#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Starts the installed program the way the desktop menu does (the Exec line of
# its desktop entry) on a virtual X server, with a fresh home: the per-user
# data folder is made owner-only, the window shows, and its close button ends
# the program with the data file written there.
#   installed.sh <installed desktop entry>
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=../app/lib.sh
. "$(dirname "$0")/../app/lib.sh"
entry=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run"
chmod 700 "$work/run"
export HOME="$work/home" XDG_RUNTIME_DIR="$work/run" XDG_DATA_HOME="$work/home/data"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY SESSION_MANAGER XDG_CONFIG_HOME
exec_line=$(sed -n 's/^Exec=//p' "$entry" | head -1)
[ -n "$exec_line" ] || { echo "FAILED: no Exec line in $entry"; exit 1; }
cd "$work"

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
# The Exec line has no field codes or quoting, so plain words suffice.
read -r -a command <<<"$1"
echo "starting: ${command[*]}"
"${command[@]}" &
pid=$!
win=$(main_window 20) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
close_main 10 "$X" "$Y" "the close button did not end the program"
folder="$XDG_DATA_HOME/Quillbox"
[ -s "$folder/Quillbox.dat" ] || fail "no data file in $folder"
[ "$(stat -c %a "$folder")" = 700 ] || fail "$folder has mode $(stat -c %a "$folder"), not 700"
[ ! -e Quillbox.dat ] || fail "the data file went to the current folder"
echo "installed program: window shown, closed, $folder/Quillbox.dat written"
DRIVE
drive 1024x768x24 "$exec_line"
echo "PASSED"
