#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs a build into a scratch DESTDIR and checks the tree a package gets:
# every file in its place, the desktop entry and the AppStream metainfo valid
# under the freedesktop.org validators, the manual page clean under groff, and
# the installed program answering --version.
#   installtree.sh <build folder>
# Exits 77 (skipped) when a validator is missing.
set -euo pipefail
# shellcheck source-path=SCRIPTDIR source=../app/lib.sh
. "$(dirname "$0")/../app/lib.sh"
build=$(realpath "$1")
need_tools "desktop-file-utils appstream groff-base" desktop-file-validate appstreamcli groff
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

DESTDIR="$work" cmake --install "$build" --prefix /usr >/dev/null
root="$work/usr"
expected=(
  bin/quillbox
  share/applications/quillbox.desktop
  share/metainfo/org.example.quillbox.metainfo.xml
  share/man/man1/quillbox.1.gz
  share/doc/quillbox/copyright
  share/doc/quillbox/changelog.gz
  share/quillbox/quillbox.chm
  share/quillbox/help/index.html
  share/quillbox/help/style.css
  share/quillbox/help/main-window.png
)
for size in 16 24 32 48 64 128 256; do
  expected+=("share/icons/hicolor/${size}x${size}/apps/quillbox.png")
done
for f in "${expected[@]}"; do
  [ -s "$root/$f" ] || fail "$f is missing"
done
[ -x "$root/bin/quillbox" ] || fail "the program is not executable"
# Every page the help file holds is also there as HTML, and the icons are
# the sizes their folders say.
while read -r f; do
  [ -s "$root/share/quillbox/help/$f" ] || fail "help page $f is missing"
done < <(sed -n '/^\[FILES\]/,$p' "$(dirname "$0")/../../res/help/quillbox.hhp" | tail -n +2 | grep .)
for size in 16 24 32 48 64 128 256; do
  # A PNG's width and height are the big-endian words at bytes 16 and 20.
  read -r _ _ w2 w3 _ _ h2 h3 < <(od -An -tu1 -j16 -N8 "$root/share/icons/hicolor/${size}x${size}/apps/quillbox.png")
  if [ $((w2 * 256 + w3)) != "$size" ] || [ $((h2 * 256 + h3)) != "$size" ]; then
    fail "the ${size}px icon is not $size x $size"
  fi
done
echo "install tree: ${#expected[@]} files in place"

desktop-file-validate "$root/share/applications/quillbox.desktop" || fail "desktop-file-validate"
grep -qx 'Exec=quillbox' "$root/share/applications/quillbox.desktop" ||
  fail "the desktop entry does not keep the data in the per-user folder"
appstreamcli validate --no-net "$root/share/metainfo/org.example.quillbox.metainfo.xml" ||
  fail "appstreamcli validate"
# Compressed without a name or time in the header, so a rebuild gives the same bytes.
gzip -t "$root/share/man/man1/quillbox.1.gz" || fail "the manual page is no gzip file"
[ "$(od -An -tu1 -j3 -N5 "$root/share/man/man1/quillbox.1.gz" | tr -s ' ')" = " 0 0 0 0 0" ] ||
  fail "the manual page's gzip header keeps a name or a time"
warnings=$(zcat "$root/share/man/man1/quillbox.1.gz" | groff -man -ww -z 2>&1)
[ -z "$warnings" ] || fail "groff: $warnings"
grep -q "^License: Expat" "$root/share/doc/quillbox/copyright" || fail "no licence in copyright"
version=$("$root/bin/quillbox" --version)
[[ $version == "quillbox "* ]] || fail "--version printed '$version'"
echo "PASSED"
