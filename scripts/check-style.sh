#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# The checks of the code's shape: dependencies only downward, the repository's format,
# and clang-tidy's naming rule and bug checks on the program's own sources. Usage:
# scripts/check-style.sh [build folder with compile_commands.json, default build/release]
# scripts/check-style.sh --win32 [the i686 Windows build folder, default build/windows]
#   clang-tidy alone, over the Win32 sources, as the cross compiler sees them.
set -euo pipefail
cd "$(dirname "$0")/.."

if [ "${1:-}" = --win32 ]; then
    build="${2:-build/windows}"
    mapfile -t program < <(git ls-files 'app/*.cpp' 'about/*.cpp' 'resources/*.cpp' \
        'platform/*.cpp' | grep -E '/win32/|/win32native\.cpp$')
    # clang reads the MinGW compiler's own headers, in its order, for its target.
    extra=(-extra-arg=--target=i686-w64-mingw32 -extra-arg=-nostdinc -extra-arg=-nostdinc++)
    while read -r folder; do
        extra+=("-extra-arg=-isystem$folder")
    done < <(i686-w64-mingw32-g++-posix -xc++ -E -v /dev/null 2>&1 |
        sed -n '/<...> search starts here/,/End of search list/s/^ \(\/.*\)/\1/p')
    run-clang-tidy -p "$build" -quiet "${extra[@]}" "${program[@]}" >"$build/clang-tidy.log" 2>&1 || {
        grep -E "error:|warning:" "$build/clang-tidy.log" | sort -u >&2
        echo "clang-tidy found the faults above (whole log: $build/clang-tidy.log)" >&2
        exit 1
    }
    echo "clang-tidy: no finding in ${#program[@]} Win32 sources."
    exit 0
fi
build="${1:-build/release}"

scripts/check-layers.sh
scripts/naming-config.sh --check

mapfile -t sources < <(git ls-files '*.h' '*.cpp')
clang-format --dry-run --Werror "${sources[@]}"
echo "Format: every file as .clang-format has it."

mapfile -t program < <(git ls-files 'app/*.cpp' 'about/*.cpp' 'details/*.cpp' 'tasks/*.cpp' \
    'resources/*.cpp' 'platform/*.cpp' | grep -v '/win32/')
run-clang-tidy -p "$build" -quiet "${program[@]}" >"$build/clang-tidy.log" 2>&1 || {
    grep -E "error:|warning:" "$build/clang-tidy.log" | sort -u >&2
    echo "clang-tidy found the faults above (whole log: $build/clang-tidy.log)" >&2
    exit 1
}
echo "clang-tidy: no finding in ${#program[@]} sources."
