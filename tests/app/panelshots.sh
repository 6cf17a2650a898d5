#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Pictures of the options panel and the password prompt of the real program on
# a virtual X server, driven with xdotool as a user would: open the options,
# check "use password", type a password twice and save; close; start again and
# take the prompt.
#   panelshots.sh <quillbox> <data file> <options.png> <prompt.png>
# Needs xvfb-run, xauth, xdotool, xwd and ImageMagick's convert.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
data=$(realpath "$2")
options=$(realpath -m "$3")
prompt=$(realpath -m "$4")
for tool in xvfb-run xauth xdotool xwd convert; do
  command -v "$tool" >/dev/null || { echo "missing: $tool"; exit 77; }
done

make_work data
copy_data "$data" data

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 options=$2 prompt=$3
start() {
  "$program" --data-dir . &
  pid=$!
  win=$(main_window 20) || fail "no window"
  eval "$(xdotool getwindowgeometry --shell "$win")"
}
press() { click_control "$1"; sleep 0.4; }
type_into() { press "$1"; xdotool key ctrl+a; xdotool type --delay 30 "$2"; }
shoot() {
  xdotool mousemove $((X + 300)) $((Y + 425)); sleep 0.5
  grab_window "$1"
  echo "picture: $1"
}
close() {
  press BtnClose
  for _ in $(seq 50); do kill -0 "$pid" 2>/dev/null || break; sleep 0.2; done
  wait "$pid" || fail "the program ended with an error"
}

start
press BtnOpt
press UsePassword
type_into NewPassword secret12
type_into ConfirmPassword secret12
shoot "$options"
press BtnSave
close

start
type_into PromptPassword wrong
press BtnOK # refused
shoot "$prompt"
close
DRIVE

cd "$work/data"
drive 1024x768x24 "$program" "$options" "$prompt"
