#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Sets up, cross-builds and tests the Windows build under Wine. pelmarin.exe, the 32-bit
# program, is built on every host with warnings as errors (build/windows); the tests run
# where this host can run them: the i686 build under 32-bit Wine where the host runs 32-bit
# programs, else the x86_64 build of the same sources (build/windows64) under 64-bit Wine
# (scripts/windows-host.sh tries the host and says which). Installs what is missing (Wine,
# MinGW-w64, Xvfb, GoogleTest's sources), then runs ctest under a Wine of its own: a fresh
# WINEPREFIX, its own Xvfb, a persistent wineserver and an initialised prefix, all ended
# again at the end.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-host.sh

windows_choose_wine
echo "Windows tests: $WINE_BUILD under ${WINE_ARCH} Wine ($WINE_REASON)"
windows_install_packages

windows_build build/windows cmake/mingw-w64-i686.cmake
if [ "$WINE_BUILD" != build/windows ]; then
    windows_build "$WINE_BUILD" "$WINE_TOOLCHAIN"
fi

work=$(mktemp -d)
xvfb=""
cleanup() {
    # The wineserver of our prefix, then our X server, each by what we started.
    windows_stop_wine
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
windows_start_wine "$work"
ctest --test-dir "$WINE_BUILD" --output-on-failure -j2 --timeout 300
echo "Windows tests ran as $WINE_BUILD under ${WINE_ARCH} Wine ($WINE_REASON)"
