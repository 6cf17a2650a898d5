#!/bin/sh
# SPDX-License-Identifier: MIT
# Runs one test program in a fresh temporary folder: its working folder, its
# HOME and its XDG folders all lie inside, so nothing it does can reach the
# user's own files or another test's. The folder is removed afterwards, also
# what a test left write-protected.
#   tests/isolated.sh <program> [arguments...]
set -u
top=$(mktemp -d "${TMPDIR:-/tmp}/quillbox-test.XXXXXX") || exit 1
cleanup() {
    chmod -R u+rwx "$top" 2>/dev/null
    rm -rf "$top"
}
trap cleanup EXIT
trap 'exit 130' INT TERM
mkdir -p "$top/home" "$top/config" "$top/data" "$top/cache" "$top/state" "$top/runtime" "$top/work"
chmod 700 "$top/runtime"
cd "$top/work" || exit 1
HOME="$top/home" XDG_CONFIG_HOME="$top/config" XDG_DATA_HOME="$top/data" \
    XDG_CACHE_HOME="$top/cache" XDG_STATE_HOME="$top/state" XDG_RUNTIME_DIR="$top/runtime" \
    "$@"
