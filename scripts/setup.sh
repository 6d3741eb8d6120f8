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
    libxcb1-dev libxcb-res0-dev nlohmann-json3-dev
    libgtest-dev libgmock-dev libbenchmark-dev
    # run and test: X server, the window managers the X tests run under, X tools, a font
    xvfb xauth openbox icewm fluxbox x11-utils x11-apps xdotool fonts-dejavu-core
    # the Wayland tests: a headless compositor with its Xwayland, and Qt's Wayland platform
    # for the native test client and the viewer
    sway xwayland qt6-wayland
    # the tests run a helper as an unprivileged user
    util-linux
    # the screen reader tests: a session bus (dbus-daemon, dbus-send), the accessibility bus
    # launcher and registry
    dbus-daemon dbus-bin at-spi2-core
    # the package check: the desktop entry, the AppStream metainfo, the Debian package
    desktop-file-utils appstream dpkg-dev file groff-base
    # the checks of the code: formatting and clang-tidy
    clang-format clang-tidy
    # the fuzz targets: clang with libFuzzer and the sanitizers' runtime
    clang-14 libclang-rt-14-dev
)

missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
# apt-get must not stop at a question: -y answers its own, the dpkg options keep a changed
# configuration file without asking, and with no input to read (</dev/null) debconf takes
# the default answers. All of it goes in apt-get's own arguments, never in an environment
# variable: a sudoers entry that allows apt-get alone refuses "sudo env ... apt-get" and
# "sudo DEBIAN_FRONTEND=... apt-get" (setting a variable needs a permission of its own).
apt_options=(-y -q -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold
    -o Dpkg::Use-Pty=0)
if [ "$(id -u)" -eq 0 ]; then
    export DEBIAN_FRONTEND=noninteractive
    apt-get update -qq </dev/null
    apt-get install "${apt_options[@]}" --no-install-recommends "${missing[@]}" </dev/null
    exit 0
fi
if ! command -v sudo >/dev/null; then
    echo "Missing packages: ${missing[*]}" >&2
    echo "Run this as root, or install sudo, to install them." >&2
    exit 1
fi
sudo apt-get update -qq </dev/null
sudo apt-get install "${apt_options[@]}" --no-install-recommends "${missing[@]}" </dev/null
