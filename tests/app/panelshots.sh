#!/usr/bin/env bash
# Pictures of the options panel and the password prompt of the real program on
# a virtual X server, driven with xdotool as a user would: open the options,
# check "use password", type a password twice and save; close; start again and
# take the prompt.
#   panelshots.sh <quillbox> <data file> <options.png> <prompt.png>
# Needs xvfb-run, xauth, xdotool, xwd and ImageMagick's convert.
set -euo pipefail

program=$(realpath "$1")
data=$(realpath "$2")
options=$(realpath -m "$3")
prompt=$(realpath -m "$4")
for tool in xvfb-run xauth xdotool xwd convert; do
  command -v "$tool" >/dev/null || { echo "missing: $tool"; exit 77; }
done

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run" "$work/data"
chmod 700 "$work/run"
cp "$data" "$work/data/Quillbox.dat"
chmod u+w "$work/data/Quillbox.dat"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY SESSION_MANAGER

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
program=$1 options=$2 prompt=$3
fail() { echo "FAILED: $*"; exit 1; }
start() {
  "$program" &
  pid=$!
  win=$(timeout 20 xdotool search --sync --onlyvisible --name '^Quillbox$' | head -1) || fail "no window"
  eval "$(xdotool getwindowgeometry --shell "$win")"
}
click() { xdotool mousemove $((X + $1)) $((Y + $2)) click 1; sleep 0.4; }
type_into() { click "$1" "$2"; xdotool key ctrl+a; xdotool type --delay 30 "$3"; }
shoot() {
  xdotool mousemove $((X + 300)) $((Y + 425)); sleep 0.5
  xwd -root -silent | convert xwd:- -crop "${WIDTH}x${HEIGHT}+$X+$Y" +repage "png:$1"
  echo "picture: $1"
}
close() {
  click $((511 + 16)) $((206 + 16))
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  wait "$pid" || fail "the program ended with an error"
}

start
click $((12 + 16)) $((237 + 16))       # BtnOpt
click $((102 + 7)) $((112 + 7))        # use password
type_into $((238 + 20)) $((148 + 12)) secret12
type_into $((238 + 20)) $((189 + 12)) secret12
shoot "$options"
click $((378 + 24)) $((262 + 13))      # BtnSave
close

start
type_into $((200 + 20)) $((172 + 12)) wrong
click $((368 + 24)) $((250 + 13))      # BtnOK: refused
shoot "$prompt"
close
DRIVE

cd "$work/data"
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/drive.sh" "$program" "$options" "$prompt"
