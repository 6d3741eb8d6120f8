# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# The same Windows build for x86_64 with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix).
# pelmarin.exe stays a 32-bit program; this build keeps the sources free of 32-bit
# assumptions and runs the Windows tests under 64-bit Wine on hosts that run no 32-bit
# program (scripts/test-windows.sh decides which).
#   cmake -S . -B build/windows64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(PELORUS_MINGW x86_64-w64-mingw32)
# Debian's wine64 package puts its loader in /usr/lib/wine, beside the 32-bit one;
# /usr/bin/wine picks the 32-bit loader whenever that is installed.
set(PELORUS_WINE_LOADER wine64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
