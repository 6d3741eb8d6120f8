# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# The native 32-bit Windows build with Debian's MinGW-w64 (g++-mingw-w64-i686-posix:
# GoogleTest needs the posix thread model), linked static so that pelmarin.exe needs no
# DLL of the toolchain. Tests run under Wine.
#   cmake -S . -B build/windows -G Ninja -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-i686.cmake
set(CMAKE_SYSTEM_NAME Windows)
set(CMAKE_SYSTEM_PROCESSOR x86)

set(PELORUS_MINGW i686-w64-mingw32)
set(CMAKE_C_COMPILER ${PELORUS_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELORUS_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PELORUS_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PELORUS_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# The test executables run under Wine (its prefix and display come from the environment).
find_program(PELORUS_WINE wine)
if(PELORUS_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PELORUS_WINE})
endif()
