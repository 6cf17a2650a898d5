#!/usr/bin/env bash
# What the real window offers without a mouse, on a virtual X server: resting
# the pointer on a bitmap button shows its tooltip, Tab moves a visible focus
# frame onto the buttons, and Space presses the focused one (the close button,
# which saves and ends the program).
#   realaccess.sh <quillbox> <data file> [<screenshot.png>]
# With a path it saves a picture of the tooltip and the focus frame.
# Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
program=$(realpath "$1")
data=$(realpath "$2")
shot=${3:+$(realpath -m "$3")}
for tool in xvfb-run xdotool xauth; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (apt-get install xvfb xauth xdotool)"
    exit 77
  fi
done
if [ -n "$shot" ] && ! { command -v xwd && command -v convert; } >/dev/null; then
  shot=""
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run" "$work/data"
chmod 700 "$work/run"
cp "$data" "$work/data/Quillbox.dat"
chmod u+w "$work/data/Quillbox.dat"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY SESSION_MANAGER
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
program=$1 work=$2 shot=${3:-}
fail() { echo "FAILED: $*"; exit 1; }
pid=""
trap '[ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true' EXIT
cd "$work/data"
until_ok() {
  local tries=$(($1 * 10)); shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1)); [ "$tries" -gt 0 ] || return 1; sleep 0.1
  done
}
others() { xdotool search --onlyvisible --pid "$pid" 2>/dev/null | grep -vx "$win" | wc -l; }
others_are() { [ "$(others)" = "$1" ]; }
ended() { ! kill -0 "$pid" 2>/dev/null; }
touch before
"$program" &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quillbox$' | head -1) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"

# The pointer at rest on Options (the "*" key) of the active window: its
# tooltip shows.
xdotool mousemove $((X + 90)) $((Y + 60)) click 1
sleep 0.3
xdotool mousemove $((X + 12 + 16)) $((Y + 237 + 16))
sleep 0.2
xdotool mousemove $((X + 12 + 17)) $((Y + 237 + 16))
until_ok 5 others_are 1 || fail "no tooltip over the options button"
echo "tooltip: ok"

# Tab from the columns onto the buttons; the first is the close button.
xdotool mousemove $((X + 90)) $((Y + 60)) click 1 # the left column takes the focus
until_ok 5 others_are 0 || fail "the tooltip stayed"
xdotool key Tab Tab Tab
sleep 0.3
if [ -n "$shot" ]; then
  xdotool mousemove $((X + 12 + 16)) $((Y + 237 + 16)); sleep 0.2
  xdotool mousemove $((X + 12 + 17)) $((Y + 237 + 16))
  until_ok 5 others_are 1 || true
  sleep 1.5
  xwd -root -silent | convert xwd:- -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "png:$shot"
  # The root window shows the tooltip black under Xvfb: it is taken on its own.
  tip=$(xdotool search --onlyvisible --pid "$pid" | grep -vx "$win" | head -1 || true)
  if [ -n "$tip" ]; then
    eval "$(xdotool getwindowgeometry --shell "$tip" | sed 's/^/T_/')"
    xwd -id "$tip" -silent | convert xwd:- "$work/tip.png"
    convert "$shot" "$work/tip.png" -geometry +$((T_X - X))+$((T_Y - Y)) -composite "$shot"
  fi
  echo "picture: $shot"
fi
ended && fail "Tab ended the program"
xdotool key space
until_ok 20 ended || fail "Space on the focused close button did not end the program"
wait "$pid" || fail "the program ended with an error"
pid=""
[ Quillbox.dat -nt before ] || fail "the close button pressed by Space did not save"
echo "Tab and Space: ok"
DRIVE
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/drive.sh" "$program" "$work" "$shot"
echo "PASSED"
