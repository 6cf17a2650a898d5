#!/usr/bin/env bash
# Reads the help file with chmlib's own tools, a reader written by others:
# enum_chmLib must list every file of the help project and extract_chmLib
# must give back each one byte for byte; the same for a generated project
# large enough to need several listing chunks and an index chunk.
#   chmlib.sh <qb_makechm> <quillbox.chm> <res/help>
# Exits 77 (skipped) when libchm-bin is not installed.
set -euo pipefail
makechm=$1 chm=$2 source=$3
for tool in enum_chmLib extract_chmLib; do
  if ! command -v "$tool" >/dev/null; then
    echo "SKIPPED: $tool is not installed (apt-get install libchm-bin)"
    exit 77
  fi
done
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
  local file=$1 folder=$2 hhp=$3 out="$work/out-$(basename "$1")"
  enum_chmLib "$file" >"$work/list" || fail "enum_chmLib cannot open $file"
  awk '{ print $NF }' "$work/list" >"$work/names"
  extract_chmLib "$file" "$out" >/dev/null || fail "extract_chmLib cannot open $file"
  local count=0
  while IFS= read -r name; do
    grep -qxF "/$name" "$work/names" || fail "enum_chmLib does not list /$name"
    cmp -s "$folder/$name" "$out/$name" || fail "/$name extracted from $file differs"
    count=$((count + 1))
  done < <(project_files "$hhp")
  [ "$count" -gt 0 ] || fail "no files in $hhp"
  echo "$file: $count files listed and extracted byte for byte"
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
