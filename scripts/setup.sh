#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Installs the Debian 12 packages that building, running and testing the viewer need,
# only those that are missing, with apt-get as root (through sudo when not root).
set -euo pipefail

packages=(
    # build
    build-essential cmake ninja-build pkg-config ccache qt6-base-dev
    libxcb1-dev libxcb-res0-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # run and test: X server, the window managers the X tests run under, X tools, a font
    xvfb xauth openbox icewm fluxbox x11-utils x11-apps xdotool fonts-dejavu-core
    # the tests run a helper as an unprivileged user
    util-linux
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

as_root=()
if [ "$(id -u)" -ne 0 ]; then
    if ! command -v sudo >/dev/null; then
        echo "Missing packages: ${missing[*]}" >&2
        echo "Run this as root, or install sudo, to install them." >&2
        exit 1
    fi
    as_root=(sudo)
fi
echo "Installing: ${missing[*]}"
"${as_root[@]}" apt-get update -qq
# env, not a plain assignment: sudo would drop the variable and apt could stop at a prompt.
"${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
    apt-get install -y -qq --no-install-recommends "${missing[@]}"
