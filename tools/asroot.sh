#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Runs a command as root: directly when you are root, through sudo where it is
# installed, and otherwise through su, which asks for root's password (a
# Debian installed with a root password has no sudo).
#   tools/asroot.sh apt-get install ...
set -euo pipefail
if [ "$(id -u)" -eq 0 ]; then
  exec "$@"
elif command -v sudo >/dev/null; then
  exec sudo "$@"
else
  echo "Root's password for: $*" >&2
  exec su root -c "$(printf '%q ' "$@")"
fi
