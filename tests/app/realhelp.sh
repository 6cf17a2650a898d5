#!/usr/bin/env bash
# The Help button of the real program on a virtual X server, with a desktop
# that has no program for the help file and then one that has: a recording
# xdg-open first on PATH refuses the help file (exit status 4, as xdg-open
# does when nothing opens a file), and a stand-in xdg-mime names the default
# program for the help file's type, or none.
#   realhelp.sh <quillbox>
# Works for a build (help beside the program) and an installed program (help
# in ../share/quillbox). Exits 77 (skipped) when xvfb-run or xdotool is missing.
set -euo pipefail
program=$(command -v "$1")
program=$(realpath "$program")
for tool in xvfb-run xdotool xauth; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (apt-get install xvfb xauth xdotool)"
    exit 77
  fi
done
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run" "$work/data" "$work/bin"
chmod 700 "$work/run"
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

export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
export PATH="$work/bin:$PATH" QT_QPA_PLATFORM=xcb
unset WAYLAND_DISPLAY SESSION_MANAGER XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION \
  GNOME_DESKTOP_SESSION_ID SNAP BROWSER DEFAULT_BROWSER DBUS_SESSION_BUS_ADDRESS
export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
program=$1 work=$2
fail() { echo "FAILED: $*"; exit 1; }
pid=""
trap '[ -z "$pid" ] || kill "$pid" 2>/dev/null || true' EXIT
cd "$work/data"
until_ok() {
  local tries=$(($1 * 10)); shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1)); [ "$tries" -gt 0 ] || return 1; sleep 0.1
  done
}
opened_lines() { [ "$(wc -l <"$work/opened")" = "$1" ]; }
"$program" &
pid=$!
win=$(timeout 30 xdotool search --sync --onlyvisible --name '^Quillbox$' | head -1) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
help() { xdotool mousemove $((X + 18 + 16)) $((Y + 278 + 16)) click 1; }

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

xdotool mousemove $((X + 511 + 16)) $((Y + 206 + 16)) click 1
until_ok 20 bash -c "! kill -0 $pid" || fail "the close button did not end the program"
wait "$pid" || fail "the program ended with an error"
pid=""
DRIVE
xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/drive.sh" "$program" "$work"
echo "PASSED"
