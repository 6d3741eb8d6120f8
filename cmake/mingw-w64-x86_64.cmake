# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# The same Windows build for x86_64 with Debian's MinGW-w64 (g++-mingw-w64-x86-64-posix),
# linked static. pelmarin.exe stays a 32-bit program; this build keeps the sources free of
# 32-bit assumptions and runs the Windows tests under 64-bit Wine on hosts that run no
# 32-bit code (scripts/test-windows.sh decides which).
#   cmake -S . -B build/windows64 -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR AMD64)

set(PELORUS_MINGW x86_64-w64-mingw32)
set(CMAKE_C_COMPILER ${PELORUS_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELORUS_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PELORUS_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PELORUS_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The test executables run under 64-bit Wine: Debian's wine64 package puts its loader here,
# beside the 32-bit one, and /usr/bin/wine picks the 32-bit loader whenever it is installed.
find_program(PELORUS_WINE NAMES wine64 PATHS /usr/lib/wine NO_DEFAULT_PATH)
if(NOT PELORUS_WINE)
    find_program(PELORUS_WINE wine64)
endif()
if(PELORUS_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PELORUS_WINE})
endif()
