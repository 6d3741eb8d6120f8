#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# The checks of the code's shape: dependencies only downward, the repository's format,
# and clang-tidy's naming rule and bug checks on the program's own sources. Usage:
# scripts/check-style.sh [build folder with compile_commands.json, default build/release]
set -euo pipefail
cd "$(dirname "$0")/.."
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
