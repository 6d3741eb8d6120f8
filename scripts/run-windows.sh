#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Sets up, builds and starts the Windows build under Wine on this desktop: pelmarin.exe, the
# 32-bit program, where the host runs 32-bit programs; else the x86_64 build of the same
# sources under 64-bit Wine (scripts/windows-host.sh tries the host and says which). Uses
# the Wine prefix in ~/.wine (or $WINEPREFIX) and the display of the session.
set -euo pipefail
cd "$(dirname "$0")/.."
. scripts/windows-host.sh

windows_choose_wine
echo "Starting $WINE_BUILD/app/win32/pelmarin.exe under ${WINE_ARCH} Wine ($WINE_REASON)"
windows_install_packages
windows_build "$WINE_BUILD" "$WINE_TOOLCHAIN" --target pelmarin

# A prefix made for one kind of Wine does not serve the other: the 64-bit one gets its own.
default_prefix=$HOME/.wine
[ "$WINE_ARCH" = win64 ] && default_prefix=$HOME/.wine64
export WINEPREFIX=${WINEPREFIX:-$default_prefix} WINEARCH=$WINE_ARCH WINESERVER=$WINE_SERVER
exec "$WINE_LOADER" "$WINE_BUILD/app/win32/pelmarin.exe"
