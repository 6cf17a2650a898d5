#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Builds the Debian package from the testing build (the one tools/test.sh
# makes, so CI builds nothing twice), checks it with lintian (no error and no
# warning may remain), installs it with apt-get, starts the installed program
# from its desktop entry on a virtual X server, closes it, opens its help both
# ways, and removes the package again. Installing needs root (tools/asroot.sh).
#   tools/package.sh            build, check, install, try, remove
#   tools/package.sh --keep     leave the package installed
set -euo pipefail
root=$(cd "$(dirname "$0")/.." && pwd)
keep=${1:-}
asroot=$root/tools/asroot.sh
"$root/tools/deps.sh"
cd "$root"
cmake --preset testing >/dev/null
cmake --build --preset testing
cd build/testing
rm -f quillbox_*.deb
cpack -G DEB >/dev/null
deb=$(ls quillbox_*.deb)
echo "package: $deb ($(stat -c %s "$deb") bytes)"
dpkg-deb -f "$deb" Depends
lintian --fail-on error,warning "$deb"
echo "lintian: no errors, no warnings"
"$asroot" env DEBIAN_FRONTEND=noninteractive \
  apt-get install -y -q --no-install-recommends "./$deb" >/dev/null
[ "$keep" = --keep ] ||
  trap '"$asroot" env DEBIAN_FRONTEND=noninteractive apt-get remove -y -q quillbox >/dev/null
        echo "package removed"' EXIT
"$root/tests/install/installed.sh" /usr/share/applications/quillbox.desktop
"$root/tests/app/realhelp.sh" /usr/bin/quillbox
