# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Sourced by test-windows.sh and run-windows.sh: what the Windows build needs on this host.
#
# pelmarin.exe is a 32-bit program, built on every host. Running Windows programs, though,
# needs a Wine that this host can run: 32-bit Wine needs a kernel that runs 32-bit
# programs, which some hosts do not (their kernels are built without IA-32 emulation, or
# boot with it turned off). So the host is tried once, with a 93-byte 32-bit program that
# only exits, and the programs then run as:
#   - the i686 build under 32-bit Wine (WINEARCH=win32) where that program ran;
#   - the x86_64 build of the same sources under 64-bit Wine (WINEARCH=win64) where not.
# PELORUS_WINE_ARCH=win32 or win64 chooses without trying (to run the other kind here).
#
# After windows_choose_wine: WINE_ARCH (win32|win64), WINE_REASON, WINE_LOADER, WINE_SERVER,
# WINE_TOOLCHAIN (the toolchain file of the build that runs) and WINE_BUILD (its folder).

# Whether this host runs a 32-bit x86 program: execve of one gives ENOEXEC where it does not.
windows_host_runs_32bit() {
    local probe status
    # In the build folder: the tests run from there, so it is no noexec mount.
    mkdir -p build
    probe=$(mktemp -p build probe32.XXXXXX)
    # ELF header (52 bytes), one loadable segment (32 bytes) at 0x08048000, then
    # "mov eax, 1; xor ebx, ebx; int 0x80": exit(0) by the 32-bit system call.
    printf '\177ELF\1\1\1\0\0\0\0\0\0\0\0\0\2\0\3\0\1\0\0\0\124\200\4\10\64\0\0\0' >"$probe"
    printf '\0\0\0\0\0\0\0\0\64\0\40\0\1\0\0\0\0\0\0\0' >>"$probe"
    printf '\1\0\0\0\0\0\0\0\0\200\4\10\0\200\4\10\135\0\0\0\135\0\0\0\5\0\0\0\0\20\0\0' >>"$probe"
    printf '\270\1\0\0\0\61\333\315\200' >>"$probe"
    chmod +x "$probe"
    status=0
    "$probe" 2>/dev/null || status=$?
    rm -f "$probe"
    return "$status"
}

windows_choose_wine() {
    case "${PELORUS_WINE_ARCH:-}" in
        win32 | win64)
            WINE_ARCH=$PELORUS_WINE_ARCH
            WINE_REASON="chosen by PELORUS_WINE_ARCH"
            ;;
        "")
            if windows_host_runs_32bit; then
                WINE_ARCH=win32
                WINE_REASON="this host runs 32-bit programs"
            else
                WINE_ARCH=win64
                WINE_REASON="this host runs no 32-bit program (a 32-bit test program failed to start)"
            fi
            ;;
        *)
            echo "PELORUS_WINE_ARCH must be win32 or win64, not '$PELORUS_WINE_ARCH'" >&2
            return 2
            ;;
    esac
    if [ "$WINE_ARCH" = win32 ]; then
        WINE_LOADER=/usr/lib/wine/wine
        WINE_SERVER=/usr/lib/wine/wineserver32
        WINE_TOOLCHAIN=cmake/mingw-w64-i686.cmake
        WINE_BUILD=build/windows
    else
        WINE_LOADER=/usr/lib/wine/wine64
        WINE_SERVER=/usr/lib/wine/wineserver64
        WINE_TOOLCHAIN=cmake/mingw-w64-x86_64.cmake
        WINE_BUILD=build/windows64
    fi
}

# Installs what is missing: both cross compilers (the 32-bit program is built everywhere),
# the Wine of the chosen kind, and what the builds and tests use.
windows_install_packages() {
    local packages=(g++-mingw-w64-i686-posix binutils-mingw-w64-i686
                    g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
                    wine wine64 googletest python3 xvfb xauth cmake ninja-build ccache)
    [ "$WINE_ARCH" = win32 ] && packages+=(wine32:i386)
    local missing=() package
    for package in "${packages[@]}"; do
        if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed"; then
            missing+=("$package")
        fi
    done
    [ ${#missing[@]} -eq 0 ] && return 0
    local as_root=()
    [ "$(id -u)" -ne 0 ] && as_root=(sudo)
    echo "Installing: ${missing[*]}"
    if [ "$WINE_ARCH" = win32 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
        "${as_root[@]}" dpkg --add-architecture i386
    fi
    "${as_root[@]}" apt-get update -qq </dev/null
    "${as_root[@]}" apt-get install -y -qq --no-install-recommends \
        -o Dpkg::Options::=--force-confdef -o Dpkg::Options::=--force-confold \
        -o Dpkg::Use-Pty=0 "${missing[@]}" </dev/null
}

# Configures and builds one of the two Windows builds, warnings as errors.
windows_build() {
    local folder=$1 toolchain=$2
    shift 2
    cmake -S . -B "$folder" -G Ninja --no-warn-unused-cli -DCMAKE_TOOLCHAIN_FILE="$toolchain" \
        -DCMAKE_BUILD_TYPE=Release -DPELORUS_WERROR=ON >/dev/null
    cmake --build "$folder" -j2 "$@"
}

# A fresh Wine prefix of the chosen kind under $1, with its own persistent wineserver,
# initialised (without that every program waits for Wine to set itself up). Its
# environment is exported; windows_stop_wine ends the server again.
windows_start_wine() {
    export WINEPREFIX=$1/prefix WINEARCH=$WINE_ARCH WINEDEBUG=-all WINESERVER=$WINE_SERVER
    # No Mono or Gecko installer prompts in a fresh prefix.
    export WINEDLLOVERRIDES="mscoree,mshtml="
    mkdir -p "$WINEPREFIX"
    "$WINE_SERVER" -p
    "$WINE_LOADER" wineboot -i
}

windows_stop_wine() {
    if [ -n "${WINEPREFIX:-}" ] && [ -d "$WINEPREFIX" ]; then
        "$WINE_SERVER" -k 2>/dev/null || true
    fi
}
