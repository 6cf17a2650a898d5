#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Reads the help file with readers written by others, each one that is
# installed: chmlib's tools (enum_chmLib must list every file of the help
# project, extract_chmLib must give each back byte for byte, test_chmLib must
# find each by name through the directory's index) and 7-Zip's own reader of
# the format. The same for a generated project large enough to need several
# listing chunks and an index chunk.
#   readers.sh <qb_makechm> <quillbox.chm> <res/help>
# Exits 77 (skipped) when none of them is installed.
set -euo pipefail
makechm=$1 chm=$2 source=$3
have() { command -v "$1" >/dev/null; }
chmlib=false sevenzip=""
have enum_chmLib && have extract_chmLib && have test_chmLib && chmlib=true
for tool in 7zz 7z; do
  if [ -z "$sevenzip" ] && have "$tool"; then sevenzip=$tool; fi
done
if ! $chmlib && [ -z "$sevenzip" ]; then
  echo "SKIPPED: no reader installed (apt-get install libchm-bin 7zip)"
  exit 77
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

# The files of a help project: [FILES] and the contents file.
project_files() {
  sed -e 's/\r$//' "$1" | awk '
    /^\[/ { files = ($0 == "[FILES]"); next }
    /^;/ || /^$/ { next }
    files { print; next }
    /^Contents file=/ { sub(/^Contents file=/, ""); print }'
}

# check <chm> <project folder> <project file>
check() {
  local file=$1 folder=$2 hhp=$3 out
  out="$work/out-$(basename "$file")"
  project_files "$hhp" >"$work/files"
  [ -s "$work/files" ] || fail "no files in $hhp"
  if $chmlib; then
    enum_chmLib "$file" >"$work/list" || fail "enum_chmLib cannot open $file"
    awk '{ print $NF }' "$work/list" >"$work/names"
    extract_chmLib "$file" "$out/chmlib" >/dev/null || fail "extract_chmLib cannot open $file"
    while IFS= read -r name; do
      grep -qxF "/$name" "$work/names" || fail "enum_chmLib does not list /$name"
      cmp -s "$folder/$name" "$out/chmlib/$name" || fail "extract_chmLib: /$name differs"
      test_chmLib "$file" "/$name" "$work/found" >/dev/null || fail "test_chmLib does not find /$name"
      cmp -s "$folder/$name" "$work/found" || fail "test_chmLib: /$name differs"
    done <"$work/files"
    echo "chmlib: $file: $(wc -l <"$work/files") files listed, extracted and found by name"
  fi
  if [ -n "$sevenzip" ]; then
    "$sevenzip" x -y -o"$out/7z" "$file" >/dev/null || fail "$sevenzip cannot extract $file"
    while IFS= read -r name; do
      cmp -s "$folder/$name" "$out/7z/$name" || fail "$sevenzip: /$name differs"
    done <"$work/files"
    echo "$sevenzip: $file: $(wc -l <"$work/files") files extracted"
  fi
}

check "$chm" "$source" "$source/quillbox.hhp"

mkdir -p "$work/many/sub"
{
  printf '[OPTIONS]\nDefault topic=Page-100.html\n\n[FILES]\n'
  for i in $(seq 100 399); do
    name=$([ $((i % 2)) -eq 0 ] && echo "Page-$i.html" || echo "sub/page-$i.html")
    head -c $((i * 29)) /dev/urandom >"$work/many/$name"
    echo "$name"
  done
} >"$work/many/many.hhp"
"$makechm" "$work/many/many.hhp" "$work/many.chm"
check "$work/many.chm" "$work/many" "$work/many/many.hhp"
