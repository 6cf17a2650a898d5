#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program with a pipe (mkfifo) where its data file should be: it
# does not wait on the pipe, names it on standard error and in a message
# box, and ends once the box is acknowledged; the next start, the pipe gone,
# shows the main window as usual. Both run without XDG_RUNTIME_DIR (as from
# ssh), so the marker lives in a private folder of the temporary folder, and
# nothing warns about the missing runtime folder. A data folder that cannot
# be written (a read-only mount for root, else a folder without write
# permission) is named in a message box too, not only on standard error.
#   realpipe.sh <quillbox> [<screenshot.png>]
# Exits 77 (skipped) when xvfb-run, xdotool or ImageMagick is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
shot=$(picture_path "${2:-}")
need_tools "xvfb xauth xdotool x11-apps imagemagick" xvfb-run xdotool xauth xwd convert

make_work data readonly
mkfifo "$work/data/Quillbox.dat"
if [ "$(id -u)" = 0 ] && mount -t tmpfs -o ro none "$work/readonly" 2>/dev/null; then
  trap 'umount "$work/readonly"; rm -rf "$work"' EXIT
else
  chmod 500 "$work/readonly"
fi

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 readonly=$3 shot=${4:-}
cd "$folder"
fifo="$PWD/Quillbox.dat"
# acknowledge: presses OK at the lower right of the message box $box.
acknowledge() { xdotool mousemove --window "$box" $((WIDTH - 50)) $((HEIGHT - 22)) click 1; }
unset XDG_RUNTIME_DIR
mkdir -m 700 tmp
export TMPDIR=$PWD/tmp

"$program" --data-dir . 2>err.txt &
pid=$!
box=$(main_window 20) || { kill "$pid"; fail "no message box"; }
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$box")"
[ -n "$shot" ] && grab_window "$shot"
grep -qF "quillbox: $fifo is a pipe, not a regular file." err.txt || fail "not said on standard error: $(cat err.txt)"
# A message box, not the skinned main window: the program waits only for it.
[ "$WIDTH" -lt 600 ] || fail "a window of ${WIDTH}x$HEIGHT, not a message box"
acknowledge
until_ok 10 ended || { kill "$pid"; fail "the program did not end after the message"; }
wait "$pid" && fail "the refused start ended as a success"
[ -p "$fifo" ] || fail "the pipe was replaced"
[ -d "$TMPDIR/quillbox-$(id -u)" ] || fail "no private runtime folder in $TMPDIR"
! grep -q XDG_RUNTIME_DIR err.txt || fail "a warning about the runtime folder: $(cat err.txt)"
echo "pipe: named, ended"

rm "$fifo"
"$program" --data-dir . 2>err.txt &
pid=$!
win=$(main_window 20) || { kill "$pid"; fail "no window at the next start"; }
eval "$(xdotool getwindowgeometry --shell "$win")"
close_main 10 "$X" "$Y"
[ -f "$fifo" ] || fail "no data file saved"
[ ! -s err.txt ] || fail "said on the terminal: $(cat err.txt)"
echo "next start: ok"

"$program" --data-dir "$readonly" 2>err.txt &
pid=$!
box=$(main_window 20) || { kill "$pid"; fail "no message box for the read-only folder"; }
sleep 0.5
eval "$(xdotool getwindowgeometry --shell "$box")"
grab_window readonly.png
grep -qF "quillbox: cannot write in the data folder $readonly" err.txt || fail "not said on standard error: $(cat err.txt)"
[ "$WIDTH" -lt 600 ] || fail "a window of ${WIDTH}x$HEIGHT, not a message box"
acknowledge
until_ok 10 ended || { kill "$pid"; fail "the program did not end after the message"; }
wait "$pid" && fail "the refused start ended as a success"
echo "read-only folder: named in a box"
DRIVE

drive 1024x768x24 "$program" "$work/data" "$work/readonly" "$shot"
echo "PASSED"
