#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs what is missing, builds Quillbox and starts it, with the options
# given. The data file "Quillbox.dat" lives in ~/.local/share/Quillbox unless
# --data-dir names another folder. The window needs a desktop session.
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
"$root/tools/deps.sh"
cmake -S "$root" --preset release >/dev/null
cmake --build "$root/build/release" --target quillbox
exec "$root/build/release/app/quillbox" "$@"
