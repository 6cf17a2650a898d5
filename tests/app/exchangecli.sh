#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# quillbox --import FILE and --export FILE, run as a user runs them, without a
# display: under the data file's password (one line on standard input), a
# wrong password and a file that is no bookmark file refused without touching
# the data file, and what was imported is in what is exported next.
#   exchangecli.sh <quillbox> <sample-secret12.dat>
set -euo pipefail

program=$(realpath "$1")
data=$(realpath "$2")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home/.config/Quillbox" "$work/run" "$work/data"
chmod 700 "$work/run"
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/.config" XDG_RUNTIME_DIR="$work/run"
unset DISPLAY WAYLAND_DISPLAY
cd "$work"
fail() { echo "FAILED: $*"; exit 1; }

cp "$data" data/Quillbox.dat
chmod u+w data/Quillbox.dat
# The check value of the password "secret12", as the options panel stores it.
printf '[1.1]\nPasswd=3064455386\n' >home/.config/Quillbox/Quillbox.conf
cp data/Quillbox.dat before.dat
quillbox() { "$program" --data-dir "$work/data" "$@"; }

cat >bookmarks.html <<'HTML'
<!DOCTYPE NETSCAPE-Bookmark-file-1>
<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">
<DL><p>
    <DT><H3>Work &amp; fun</H3>
    <DL><p>
        <DT><A HREF="https://a.example/?x=1&amp;y=2">Caf&eacute;</A>
        <DD>a description
        <HR>
        <DT><A HREF="javascript:void(0)">bookmarklet</A>
    </DL><p>
    <DT><A HREF="file:///tmp/a%20b.txt">A file</A>
</DL><p>
HTML
printf '\x89PNG\r\n\x1a\n\0\0\0\rIHDR' >picture.png

if printf 'wrong\n' | quillbox --import bookmarks.html 2>err.txt; then fail "a wrong password was taken"; fi
grep -q "wrong password" err.txt || fail "no word about the password: $(cat err.txt)"
cmp -s before.dat data/Quillbox.dat || fail "a refused import changed the data file"
echo "wrong password: refused"

if quillbox --import no-such.html </dev/null 2>err.txt; then fail "a missing file was imported"; fi
[ "$(grep -o 'no-such.html' err.txt | wc -l)" -eq 1 ] || fail "the path not named once: $(cat err.txt)"
if quillbox --import /dev/zero </dev/null 2>err.txt; then fail "a device was imported"; fi
grep -q "not a regular file" err.txt || fail "no clear message: $(cat err.txt)"
echo "missing file, device: refused"

if quillbox --import picture.png </dev/null 2>err.txt; then fail "a picture was imported"; fi
grep -q "not a bookmark file" err.txt || fail "no clear message: $(cat err.txt)"
cmp -s before.dat data/Quillbox.dat || fail "a refused import changed the data file"
echo "not a bookmark file: refused"

printf 'secret12\n' | quillbox --import bookmarks.html >out.txt || fail "import failed"
grep -q "Imported 2 bookmarks, 1 folder and 1 separator" out.txt || fail "summary: $(cat out.txt)"
grep -q "1 description, 1 bookmarklet" out.txt || fail "skipped kinds: $(cat out.txt)"
echo "import: $(head -1 out.txt)"

printf 'secret12\n' | quillbox --export exported.html >/dev/null || fail "export failed"
grep -q '<META HTTP-EQUIV="Content-Type" CONTENT="text/html; charset=UTF-8">' exported.html ||
  fail "no charset line"
grep -q "<H3>Imported bookmarks.html $(date +%F)</H3>" exported.html || fail "no imported folder"
grep -q '<H3>Work &amp; fun</H3>' exported.html || fail "no imported subfolder"
grep -q 'HREF="https://a.example/?x=1&amp;y=2">Café</A>' exported.html || fail "no imported entry"
grep -q 'HREF="file:///tmp/a%20b.txt">A file</A>' exported.html || fail "no local path"
[ "$(grep -c '<DT><A ' exported.html)" -gt 2 ] || fail "the sample's own entries are missing"
echo "export: $(grep -c '<DT>' exported.html) items"

# A long import shows how far it has come on a terminal, and only there.
{
  echo '<!DOCTYPE NETSCAPE-Bookmark-file-1><DL><p>'
  for i in $(seq 1 5000); do echo "<DT><A HREF=\"http://example.org/$i\">Page $i</A>"; done
  echo '</DL><p>'
} >many.html
script -qec "printf 'secret12\n' | '$program' --data-dir '$work/data' --import many.html" \
  /dev/null >tty.txt || fail "import on a terminal failed: $(cat tty.txt)"
grep -q "Reading the bookmarks: [0-9]*%" tty.txt || fail "no progress on a terminal: $(cat tty.txt)"
grep -q "Imported 5,000 bookmarks" tty.txt || fail "no summary on a terminal: $(cat tty.txt)"
if grep -q "Reading the bookmarks" out.txt err.txt; then fail "progress went to a file"; fi
echo "progress on a terminal: shown"

# XBEL out by the name's ending, and back in by its content under another name.
printf 'secret12\n' | quillbox --export exported.xbel >/dev/null || fail "XBEL export failed"
grep -q '<xbel version="1.0">' exported.xbel || fail "not XBEL: $(head -3 exported.xbel)"
grep -q '<bookmark href="https://a.example/?x=1&amp;y=2">' exported.xbel || fail "no XBEL entry"
cp exported.xbel exported-xbel.txt
printf 'secret12\n' | quillbox --import exported-xbel.txt >out.txt || fail "XBEL import failed"
grep -q "Imported .* bookmarks" out.txt || fail "XBEL summary: $(cat out.txt)"
echo "XBEL: $(head -1 out.txt)"

if printf 'secret12\n' | quillbox --export /nonexistent/folder/x.html 2>err.txt >/dev/null; then
  fail "an export to nowhere succeeded"
fi
grep -q "cannot write" err.txt || fail "no clear message: $(cat err.txt)"
echo "PASSED"
