#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Sets up, builds and runs the whole test suite. Usage: scripts/test.sh [release|dev]
# (dev: the debug build with AddressSanitizer and UndefinedBehaviorSanitizer).
# Tests that need an X server start their own Xvfb (and openbox); the widget tests use
# Qt's offscreen platform, so no display is needed. A test that cannot run here (one
# that needs root, say) is skipped; the list at the end says why each one was.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
status=0
ctest --preset "$preset" || status=$?

# GoogleTest writes a skipped case's reason between its "Skipped" line and its
# "[  SKIPPED ]" line; CTest keeps every case's output in its log.
log="build/$preset/Testing/Temporary/LastTest.log"
if [ -f "$log" ]; then
    awk '
        /^[0-9]+\/[0-9]+ Test: / {
            name = $0; sub(/^[0-9]+\/[0-9]+ Test: /, "", name)
            reason = ""; reading = 0; told = 0; next
        }
        /: Skipped$/ { reading = 1; next }
        /^\[  SKIPPED \]/ {
            if (!told) {
                if (reason == "") reason = "no reason given"
                printf "  %s: %s\n", name, reason
                told = 1
            }
            reading = 0; next
        }
        reading && NF { reason = (reason == "" ? $0 : reason "; " $0) }
    ' "$log" >"build/$preset/skipped-tests.txt"
    if [ -s "build/$preset/skipped-tests.txt" ]; then
        echo "Skipped tests, and why:"
        cat "build/$preset/skipped-tests.txt"
    fi
fi
exit "$status"
