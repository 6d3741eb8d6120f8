# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# What both Windows toolchain files share, once PELORUS_MINGW names the target triplet:
# Debian's MinGW-w64 in its posix thread model (GoogleTest needs it), linked static so
# that the executables need no DLL of the toolchain, and the test executables run under
# PELORUS_WINE_LOADER (found in PATH or /usr/lib/wine), the Wine of the build's
# architecture, when it is installed.
set(CMAKE_SYSTEM_NAME Windows)

set(CMAKE_C_COMPILER ${PELORUS_MINGW}-gcc-posix)
set(CMAKE_CXX_COMPILER ${PELORUS_MINGW}-g++-posix)
set(CMAKE_RC_COMPILER ${PELORUS_MINGW}-windres)

set(CMAKE_FIND_ROOT_PATH /usr/${PELORUS_MINGW})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)

set(CMAKE_EXE_LINKER_FLAGS_INIT "-static")

# Its prefix and display come from the environment.
find_program(PELORUS_WINE NAMES ${PELORUS_WINE_LOADER} PATHS /usr/lib/wine)
if(PELORUS_WINE)
    set(CMAKE_CROSSCOMPILING_EMULATOR ${PELORUS_WINE})
endif()
