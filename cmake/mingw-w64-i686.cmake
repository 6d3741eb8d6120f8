# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# The native 32-bit Windows build, pelmarin.exe, with Debian's MinGW-w64
# (g++-mingw-w64-i686-posix). Tests run under 32-bit Wine.
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_PROCESSOR x86)
set(PELORUS_MINGW i686-w64-mingw32)
set(PELORUS_WINE_LOADER wine)
include(${CMAKE_CURRENT_LIST_DIR}/mingw-w64.cmake)
