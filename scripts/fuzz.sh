#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Builds the fuzz targets of tests/fuzz with clang and libFuzzer and runs each of them.
# Usage: scripts/fuzz.sh [SECONDS] [TARGET...]
#   SECONDS  how long each target runs (default 5: the short run of CI; 600 for the long
#            run of the README)
#   TARGET   only these targets (default: all)
# Each target starts from its seed corpus under tests/fuzz/corpus/TARGET; what it adds
# goes to build/fuzz/corpus/TARGET, never into the repository. A finding stops the script
# with the target's output and leaves the input that caused it in build/fuzz/findings/.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
seconds="${1:-5}"
shift || true
build=build/fuzz
cxx="$(command -v clang++-14 || command -v clang++)"
cmake -S tests/fuzz -B "$build" -G Ninja -DCMAKE_CXX_COMPILER="$cxx" >/dev/null
cmake --build "$build" -j 2
if [ "$#" -gt 0 ]; then
    targets=("$@")
else
    mapfile -t targets <"$build/targets.txt"
fi
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
    [ -n "$target" ] || continue
    mkdir -p "$build/corpus/$target"
    log="$build/$target.log"
    echo "== $target: ${seconds}s"
    if ! "$build/$target" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
        -print_final_stats=1 -artifact_prefix="$build/findings/$target-" \
        "$build/corpus/$target" "tests/fuzz/corpus/$target" >"$log" 2>&1; then
        cat "$log"
        echo "fuzz target $target found a fault" >&2
        exit 1
    fi
    grep -E "^stat::number_of_executed_units|^Done" "$log" || true
done
