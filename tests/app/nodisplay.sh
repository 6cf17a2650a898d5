#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# quillbox started without a desktop session (over ssh, in a container): no
# DISPLAY, no WAYLAND_DISPLAY, no platform chosen. The window's starts say so
# in one line and end with status 1 instead of Qt's abort; what needs no
# window still works, and a new data folder gets the data file alone.
#   nodisplay.sh <quillbox>
set -euo pipefail

program=$(realpath "$1")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/run" "$work/data"
chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" \
  XDG_DATA_HOME="$work/home/.local/share" XDG_RUNTIME_DIR="$work/run"
unset DISPLAY WAYLAND_DISPLAY QT_QPA_PLATFORM
cd "$work"
fail() { echo "FAILED: $*"; exit 1; }

for args in "" "--menu" "--find" "--data-dir data" "X11 chosen"; do
  status=0
  if [ "$args" = "X11 chosen" ]; then
    QT_QPA_PLATFORM=xcb "$program" </dev/null >out.txt 2>err.txt || status=$?
  else
    # shellcheck disable=SC2086 # the options are words
    "$program" $args </dev/null >out.txt 2>err.txt || status=$?
  fi
  [ "$status" -eq 1 ] || fail "quillbox $args: exit status $status: $(cat err.txt)"
  [ "$(wc -l <err.txt)" -eq 1 ] || fail "quillbox $args: not one line: $(cat err.txt)"
  grep -q "needs a desktop session" err.txt || fail "quillbox $args: $(cat err.txt)"
  grep -q -- "--help, --import and --export work without one" err.txt ||
    fail "quillbox $args: no word of what works: $(cat err.txt)"
  [ ! -s out.txt ] || fail "quillbox $args wrote to standard output: $(cat out.txt)"
done
echo "window without a session: $(cat err.txt)"

"$program" --help >out.txt 2>err.txt || fail "--help: $(cat err.txt)"
grep -q -- "--export <file>" out.txt || fail "--help: $(cat out.txt)"
"$program" --data-dir data --export bookmarks.html </dev/null >out.txt 2>err.txt ||
  fail "--export: $(cat err.txt)"
grep -q "<DL>" bookmarks.html || fail "--export wrote no bookmark file"
[ -e data/Quillbox.dat ] || fail "no data file"
[ ! -e data/Quillbox.org ] || fail "the fallback file was made"
echo "--help, --export: work"
echo "PASSED"
