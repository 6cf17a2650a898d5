# SPDX-License-Identifier: MIT
# shellcheck shell=bash disable=SC2154 # $win, $pid and $opened belong to the drive
# Shared steps of the real-window scripts; sourced, never run. The scripts
# source it at the top, and their drive.sh (run under xvfb-run) sources it
# again through $TESTLIB for the functions it uses on the virtual screen.

TESTLIB=$(realpath "${BASH_SOURCE[0]}")
export TESTLIB

# need_tools "<apt packages>" <tool>...: exits 77 (skipped) when one is missing.
need_tools() {
  local packages=$1 tool
  shift
  for tool in "$@"; do
    if ! command -v "$tool" >/dev/null; then
      echo "SKIPPED: $tool is not installed (apt-get install $packages)"
      exit 77
    fi
  done
}

# can_picture: true when xwd and ImageMagick's convert are there to save one.
can_picture() { command -v xwd >/dev/null && command -v convert >/dev/null; }

# picture_path [<path>]: prints the path made absolute, or nothing (with a
# note) when there is no path or xwd or convert is missing to take it.
picture_path() {
  [ -n "${1:-}" ] || return 0
  if can_picture; then
    realpath -m "$1"
  else
    echo "no xwd or convert: no picture" >&2
  fi
}

# make_work [<folder>...]: $work, a temporary folder removed at exit, with a
# private home, configuration and runtime folder for the program, the named
# folders inside it, and an X session of its own (no Wayland, no session
# manager).
make_work() {
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  mkdir -p "$work/home" "$work/run" "${@/#/$work/}"
  chmod 700 "$work/run"
  export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
  export QT_QPA_PLATFORM=xcb
  unset WAYLAND_DISPLAY SESSION_MANAGER
  # Leaks of the X and font libraries at exit are not the program's.
  export ASAN_OPTIONS="${ASAN_OPTIONS:+$ASAN_OPTIONS:}detect_leaks=0"
}

# copy_data <data file> <folder in $work>: a writable copy as Quillbox.dat.
copy_data() {
  cp "$1" "$work/$2/Quillbox.dat"
  chmod u+w "$work/$2/Quillbox.dat"
}

# own_desktop: $work/bin first on PATH, and no desktop session, sandbox portal
# or browser setting, so that the program looks its opener up on PATH.
own_desktop() {
  mkdir -p "$work/bin"
  export PATH="$work/bin:$PATH"
  unset XDG_CURRENT_DESKTOP DESKTOP_SESSION KDE_FULL_SESSION GNOME_DESKTOP_SESSION_ID SNAP \
    BROWSER DEFAULT_BROWSER DBUS_SESSION_BUS_ADDRESS
}

# recording_opener: own_desktop with an xdg-open that notes its process id
# and its arguments, a line a call, in $work/opened; the ids give the order
# in which the program started the requests, whichever of them writes first.
recording_opener() {
  own_desktop
  cat >"$work/bin/xdg-open" <<OPENER
#!/bin/sh
echo "\$\$ \$*" >>"$work/opened"
OPENER
  chmod +x "$work/bin/xdg-open"
  : >"$work/opened"
}

# drive <screen> <argument>...: runs $work/drive.sh with the arguments on a
# virtual X server whose screen is <screen> ("1024x768x24", and any more
# server options after it).
drive() {
  local screen=$1
  shift
  xvfb-run -a -s "-screen 0 $screen" bash "$work/drive.sh" "$@"
}

# In drive.sh, on the virtual screen:

# fail <message>: ends the drive as failed.
fail() {
  echo "FAILED: $*"
  exit 1
}

# until_ok <seconds> <command...>: runs the command every 0.1 s until it
# succeeds; false when it has not by then.
until_ok() {
  local tries=$(($1 * 10))
  shift
  while ! "$@" >/dev/null 2>&1; do
    tries=$((tries - 1))
    [ "$tries" -gt 0 ] || return 1
    sleep 0.1
  done
}

# main_window <seconds>: waits that long for the main window to show and
# prints its id; false when it does not.
main_window() { timeout "$1" xdotool search --sync --onlyvisible --name '^Quillbox$' | head -1; }

# grab_box <width>x<height>+<x>+<y> <png>: saves that part of the screen.
grab_box() { xwd -root -silent | convert xwd:- -crop "$1" +repage "png:$2"; }

# grab_window <png>: saves the window whose geometry is in $X $Y $WIDTH
# $HEIGHT (as xdotool getwindowgeometry --shell sets them).
grab_window() { grab_box "${WIDTH}x${HEIGHT}+$X+$Y" "$1"; }

# under <x> <y>: moves the pointer to that point of the window at $X $Y and
# prints the id of the window under it.
under() {
  xdotool mousemove $((X + $1)) $((Y + $2))
  sleep 0.2
  eval "$(xdotool getmouselocation --shell)"
  echo "$WINDOW"
}

# windows: the visible windows of the program other than the main window
# $win, a line each: id x y width height.
windows() {
  local w geometry
  for w in $(xdotool search --onlyvisible --class quillbox 2>/dev/null); do
    [ "$w" = "$win" ] && continue
    geometry=$(xdotool getwindowgeometry --shell "$w" 2>/dev/null) || continue
    eval "$geometry"
    echo "$w $X $Y $WIDTH $HEIGHT"
  done
}
# named_window <title>: the id of the visible window of that exact title;
# false when there is none. The program names its windows "Quillbox" (main),
# "Quillbox dock" and "Quillbox find" (the quick-find palette).
named_window() { xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -1 | grep .; }
# dock_window: the id of the visible dock window.
dock_window() { named_window 'Quillbox dock'; }
# dock_shown: the dock window is visible.
dock_shown() { dock_window >/dev/null; }
# menus_shown <n>: as many windows besides the dock (menus) are shown.
menus_shown() {
  [ "$(windows | awk -v dock="$(dock_window || true)" '$1 != dock' | wc -l)" = "$1" ]
}
# main_shown: the main window $win is visible.
main_shown() { xdotool search --onlyvisible --name '^Quillbox$' | grep -qx "$win"; }

# opened_lines <n>: the recording opener ($opened) has been called n times.
opened_lines() { [ "$(wc -l <"$opened")" = "$1" ]; }
# ended [<pid>]: the process (by default $pid) has ended.
ended() { ! kill -0 "${1:-$pid}" 2>/dev/null; }

# control_rect <name>: prints the place of the main window's control of that
# role name (app/MainControls.h) as "x y width height" from the window's
# corner, read from the table the build writes: $QB_CONTROLS (set by
# qb_add_real_test), else the testing build's (build target qb_controls).
control_rect() {
  local table=${QB_CONTROLS:-$(dirname "$TESTLIB")/../../build/testing/tools/controls.txt}
  awk -v name="$1" '$1 == name { print $2, $3, $4, $5; found = 1 } END { exit !found }' "$table" ||
    fail "no control $1 in $table"
}

# control_centre <name>: the middle of that control as "x y" from the corner.
control_centre() {
  local at x y w h
  at=$(control_rect "$1") || exit 1
  read -r x y w h <<<"$at"
  echo $((x + w / 2)) $((y + h / 2))
}

# point_control <name> [<x> <y>]: moves the pointer onto the middle of the
# named control of the main window whose corner is at x y (by default $X $Y).
point_control() {
  local at cx cy
  at=$(control_centre "$1") || exit 1
  read -r cx cy <<<"$at"
  xdotool mousemove $((${2:-$X} + cx)) $((${3:-$Y} + cy))
}

# click_control <name> [<x> <y>]: point_control, then a left click, e.g.
#   click_control BtnOpt; click_control BtnClose "$main_x" "$main_y"
click_control() {
  point_control "$@"
  xdotool click 1
}

# row_point <column> <row> [<x> <y>]: prints the screen point "x y" on row r
# (from 0) of list column c (0 left, 1 middle, 2 right: List1..List3) of the
# main window whose corner is at x y (by default $X $Y), 40 pixels in from the
# column's left edge. Rows are 18 pixels high, the first 2 below the top.
row_point() {
  local at x y
  at=$(control_rect "List$(($1 + 1))") || exit 1
  read -r x y _ <<<"$at"
  echo $((${3:-$X} + x + 40)) $((${4:-$Y} + y + 2 + 18 * $2 + 9))
}

# click_row <column> <row> [<x> <y>]: a left click at row_point.
click_row() {
  local at x y
  at=$(row_point "$@") || exit 1
  read -r x y <<<"$at"
  xdotool mousemove "$x" "$y" click 1
}

# close_main <seconds> <x> <y> [<message>]: presses BtnClose of the main
# window whose corner is at x y; fails with the message (and kills $pid)
# unless $pid ends within the seconds, and fails when it ends with an error.
close_main() {
  local message=${4:-BtnClose did not end the program}
  click_control BtnClose "$2" "$3"
  until_ok "$1" ended || {
    kill "$pid"
    fail "$message"
  }
  wait "$pid" || fail "the program ended with an error"
}
