#!/usr/bin/env bash
# The real program with a pipe (mkfifo) where its data file should be: it
# does not wait on the pipe, names it on standard error and in a message
# box, and ends once the box is acknowledged; the next start, the pipe gone,
# shows the main window as usual. Both run without XDG_RUNTIME_DIR (as from
# ssh), so the marker lives in a private folder of the temporary folder, and
# nothing warns about the missing runtime folder.
#   realspecial.sh <quillbox> [<screenshot.png>]
# Exits 77 (skipped) when xvfb-run, xdotool or ImageMagick is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
shot=$(picture_path "${2:-}")
need_tools "xvfb xauth xdotool x11-apps imagemagick" xvfb-run xdotool xauth xwd convert

make_work data
mkfifo "$work/data/Quillbox.dat"

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 shot=${3:-}
cd "$folder"
fifo="$PWD/Quillbox.dat"
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
xdotool key --window "$box" --clearmodifiers Return 2>/dev/null || true
sleep 0.3
kill -0 "$pid" 2>/dev/null && xdotool mousemove --window "$box" $((WIDTH / 2)) $((HEIGHT - 25)) click 1
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
DRIVE

drive 1024x768x24 "$program" "$work/data" "$shot"
echo "PASSED"
