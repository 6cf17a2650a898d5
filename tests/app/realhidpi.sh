#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# The real program on a virtual X server at QT_SCALE_FACTOR=2, as on a screen
# scaled to 200 %: the window keeps its logical size (twice as many device
# pixels), keeps its shape, and its skin and buttons are painted from the
# large bitmaps, pixel for pixel, not from the small ones enlarged.
#   realhidpi.sh <quillbox> <res/bitmaps> [<data file> <screenshot.png>]
# Exits 77 (skipped) when xvfb-run, xdotool, xwd or ImageMagick is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"
program=$(realpath "$1")
bitmaps=$(realpath "$2")
data=${3:+$(realpath "$3")}
shot=${4:+$(realpath -m "$4")}
need_tools "xvfb xauth xdotool x11-apps imagemagick" xvfb-run xdotool xauth xwd convert compare
make_work data
[ -z "$data" ] || copy_data "$data" data
export QT_SCALE_FACTOR=2
unset QT_SCREEN_SCALE_FACTORS QT_AUTO_SCREEN_SCALE_FACTOR

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 bitmaps=$2 work=$3 shot=${4:-}
pid=""
trap '[ -z "$pid" ] || kill -KILL "$pid" 2>/dev/null || true' EXIT
cd "$work/data"
"$program" --data-dir . &
pid=$!
win=$(main_window 30) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
echo "window at $X,$Y, ${WIDTH}x$HEIGHT device pixels"
[ "$WIDTH" = 1112 ] && [ "$HEIGHT" = 904 ] || fail "not 556 x 452 logical pixels at scale 2"
[ "$(under 6 6)" != "$win" ] || fail "the corner is part of the window: not shaped"
[ "$(under 600 850)" = "$win" ] || fail "the leather is not part of the window"
xdotool mousemove $((X + 1090)) $((Y + 20)); sleep 0.5 # off the window: no hover
grab_window "$work/window.png"
# Pieces in device pixels: leather below the dial, and the close button.
differ() { compare -metric AE "$1" "$2" null: 2>&1 || true; }
for area in 120x30+560+840 60x60+1022+412; do
  convert "$work/window.png" -crop "$area" +repage "$work/shown.png"
  convert "$bitmaps/MainWnd@2x.png" -crop "$area" +repage "$work/large.png"
  convert "$bitmaps/MainWnd.bmp" -scale 200% -crop "$area" +repage "$work/small.png"
  if [ "$area" = 60x60+1022+412 ]; then # BtnClose sits at (511, 206) logical
    convert "$work/large.png" \( "$bitmaps/BtnClose@2x.png" -transparent '#FF0000' \) \
      -geometry +0+0 -compose over -composite "$work/large.png"
  fi
  large=$(differ "$work/shown.png" "$work/large.png")
  small=$(differ "$work/shown.png" "$work/small.png")
  echo "$area: $large pixels differ from the large bitmap, $small from the small one enlarged"
  [ "${large%% *}" -lt 40 ] || fail "$area is not painted from the large bitmap"
  [ "${small%% *}" -gt 200 ] || fail "$area looks like the small bitmap enlarged"
done
[ -z "$shot" ] || { cp "$work/window.png" "$shot"; echo "picture: $shot"; }
kill -KILL "$pid"; wait "$pid" 2>/dev/null || true; pid=""
DRIVE
drive 1600x1200x24 "$program" "$bitmaps" "$work" "$shot"
echo "PASSED"
