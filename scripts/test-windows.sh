#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Sets up, cross-builds and tests the native 32-bit Windows build (pelmarin.exe) under
# Wine. Installs what is missing (the i386 architecture, Wine, MinGW-w64, Xvfb, GoogleTest's
# sources), builds into build/windows, then runs ctest under a Wine of its own: a fresh
# WINEPREFIX, its own Xvfb, a persistent wineserver and an initialised prefix (without
# them every test waits for Wine to start), all ended again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(wine wine32:i386 g++-mingw-w64-i686-posix binutils-mingw-w64-i686 googletest
          xvfb xauth cmake ninja-build ccache)
missing=()
for package in "${packages[@]}"; do
    if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
        missing+=("$package")
    fi
done
if [ ${#missing[@]} -ne 0 ]; then
    as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    echo "Installing: ${missing[*]}"
    if ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
    fi
    "${as_root[@]}" apt-get update -qq
    "${as_root[@]}" env DEBIAN_FRONTEND=noninteractive \
        apt-get install -y -qq --no-install-recommends "${missing[@]}"
fi

build=build/windows
cmake -S . -B "$build" -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake \
    -DCMAKE_BUILD_TYPE=Release -DPELORUS_WERROR=ON >/dev/null
cmake --build "$build" -j2

work=$(mktemp -d)
xvfb=""
cleanup() {
    # The wineserver of our prefix, then our X server, each by what we started.
    WINEPREFIX="$work/prefix" wineserver -k 2>/dev/null || true
    if [ -n "$xvfb" ]; then
        kill "$xvfb" 2>/dev/null || true
        wait "$xvfb" 2>/dev/null || true
    fi
    rm -rf "$work"
}
trap cleanup EXIT

# Xvfb picks a free display and writes its number to the descriptor we give it.
Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb=$!
for _ in $(seq 100); do
    [ -s "$work/display" ] && break
    sleep 0.1
done
[ -s "$work/display" ] || { echo "Xvfb did not start" >&2; exit 1; }

export DISPLAY=":$(cat "$work/display")"
export WINEPREFIX="$work/prefix" WINEARCH=win32 WINEDEBUG=-all
# No Mono or Gecko installer prompts in a fresh prefix.
export WINEDLLOVERRIDES="mscoree,mshtml="
mkdir -p "$WINEPREFIX"
wineserver -p
wineboot -i
ctest --test-dir "$build" --output-on-failure -j2 --timeout 300
