#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# Installs the Debian 12 packages that building, running and testing need,
# skipping those already present. Installing needs root: tools/asroot.sh uses
# sudo, or su where there is no sudo.
set -euo pipefail
pkgs=(g++ cmake ninja-build ccache qt6-base-dev libgl-dev
      libxml2-dev libqt6sql6-sqlite libsodium-dev pkg-config
      libgtest-dev libgmock-dev libbenchmark-dev libssl-dev
      clang libclang-rt-14-dev clang-format-14 clang-tidy-14 xvfb xauth xdotool x11-apps x11-utils fonts-dejavu-core
      dpkg-dev desktop-file-utils appstream groff-base imagemagick shellcheck
      libchm-bin 7zip syncthing curl jq lintian python3)
missing=()
for p in "${pkgs[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0
echo "Installing: ${missing[*]}"
# One call, so that su asks for root's password once.
# shellcheck disable=SC2016 # expanded by the shell that runs as root
"$(dirname "$0")/asroot.sh" sh -c 'apt-get update -q &&
  DEBIAN_FRONTEND=noninteractive apt-get install -y -q --no-install-recommends "$@"' \
  sh "${missing[@]}"
