#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Check links in the real program on a virtual X server against a local web
# server this script starts (Python's standard library, on a free port, stopped
# however the script ends): the options panel's Links button lists the gone
# entries of an imported folder, Delete in the review panel removes them (the
# data file saved after the pause no longer holds them), and Ctrl+Z in the
# columns brings them back. Then Doubles lists the entry filed twice.
#   reallinks.sh <quillbox> [<screenshot.png>]
# With a path it saves the review of the links there and that of the
# duplicates beside it (<name>-duplicates.png).
# Exits 77 (skipped) when xvfb-run, xdotool or python3 is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=lib.sh
. "$(dirname "$0")/lib.sh"

program=$(realpath "$1")
shot=${2:+$(realpath -m "$2")}
need_tools "xvfb xauth xdotool python3" xvfb-run xdotool xauth python3

make_work data

cat >"$work/server.py" <<'PY'
import http.server, sys
class Answer(http.server.BaseHTTPRequestHandler):
    def answer(self):
        codes = {"/ok": 200, "/missing": 404, "/gone": 410}
        if self.path == "/old":
            self.send_response(301)
            self.send_header("Location", "/new")
        else:
            self.send_response(200 if self.path == "/new" else codes.get(self.path, 404))
        self.send_header("Content-Length", "0")
        self.end_headers()
    do_HEAD = answer
    do_GET = answer
    def log_message(self, *args):
        pass
server = http.server.ThreadingHTTPServer(("127.0.0.1", 0), Answer)
with open(sys.argv[1], "w") as f:
    f.write(str(server.server_address[1]))
server.serve_forever()
PY
python3 "$work/server.py" "$work/port" &
server=$!
trap 'kill "$server" 2>/dev/null; rm -rf "$work"' EXIT
until_ok 10 test -s "$work/port" || { echo "FAILED: the local web server did not start"; exit 1; }
base="http://127.0.0.1:$(cat "$work/port")"

cat >"$work/start.html" <<HTML
<!DOCTYPE NETSCAPE-Bookmark-file-1>
<DL><p>
    <DT><A HREF="$base/ok">Fine page</A>
    <DT><A HREF="$base/missing">Missing page</A>
    <DT><A HREF="$base/old">Moved page</A>
    <DT><A HREF="$base/gone">Gone page</A>
    <DT><A HREF="file://$work/nothing-here.txt">Lost file</A>
    <DT><A HREF="HTTP://127.0.0.1:$(cat "$work/port")/ok">Same page</A>
</DL><p>
HTML
(cd "$work/data" && "$program" --data-dir . --import "$work/start.html" >/dev/null) || { echo "FAILED: --import"; exit 1; }

names() {
  (cd "$work/data" && "$program" --data-dir . --export "$work/$1.html" >/dev/null 2>&1) || return 1
  grep -o '<A [^>]*>[^<]*</A>' "$work/$1.html" | sed -e 's/<[^>]*>//g' | tr '\n' '|'
}

cat >"$work/drive.sh" <<'DRIVE'
set -euo pipefail
. "$TESTLIB"
program=$1 folder=$2 work=$3 shot=${4:-}
cd "$folder"
"$program" --data-dir . &
pid=$!
win=$(main_window 20) || fail "no window"
eval "$(xdotool getwindowgeometry --shell "$win")"
sleep 0.5
click_control BtnOpt; sleep 0.4
click_control BtnLinks
until_ok 20 named_window 'Quillbox review' || fail "no review panel"
sleep 2 # the check of five addresses on this machine
panel=$(named_window 'Quillbox review')
if [ -n "$shot" ] && can_picture; then
  eval "$(xdotool getwindowgeometry --shell "$panel" | sed 's/^/P/')"
  grab_box "$((PX + PWIDTH - X + 4))x$((HEIGHT > PHEIGHT ? HEIGHT : PHEIGHT))+$X+$Y" "$shot"
  echo "picture: $shot"
fi
xdotool windowactivate --sync "$panel" 2>/dev/null || xdotool windowfocus "$panel"
sleep 0.3
xdotool key Delete # the gone group, selected when the check ended
sleep 4            # past the save pause
echo "after delete: $(cd "$folder" && "$program" --data-dir . --export "$work/mid.html" >/dev/null 2>&1 &&
  grep -o '<A [^>]*>[^<]*</A>' "$work/mid.html" | sed -e 's/<[^>]*>//g' | tr '\n' '|')" >"$work/mid.txt"
click_control BtnMain; sleep 0.3
click_row 0 0; sleep 0.3
xdotool key ctrl+z; sleep 0.5
click_control BtnOpt; sleep 0.4
click_control BtnDoubles; sleep 1
[ "$(xdotool getwindowname "$panel")" = 'Quillbox review' ] || fail "no review panel for duplicates"
if [ -n "$shot" ] && can_picture; then
  grab_box "$((PX + PWIDTH - X + 4))x$((HEIGHT > PHEIGHT ? HEIGHT : PHEIGHT))+$X+$Y" "${shot%.png}-duplicates.png"
  echo "picture: ${shot%.png}-duplicates.png"
fi
close_main 10 "$X" "$Y"
DRIVE

drive 1920x1080x24 "$program" "$work/data" "$work" "$shot"

mid=$(cat "$work/mid.txt")
end=$(names end) || { echo "FAILED: --export"; exit 1; }
echo "$mid"
echo "after undo: $end"
case "$mid" in
  "after delete: Fine page|Moved page|Same page|") ;;
  *) echo "FAILED: Delete did not remove exactly the gone entries"; exit 1 ;;
esac
case "$end" in
  "Fine page|Missing page|Moved page|Gone page|Lost file|Same page|") echo "PASSED" ;;
  *) echo "FAILED: undo did not bring the gone entries back"; exit 1 ;;
esac
