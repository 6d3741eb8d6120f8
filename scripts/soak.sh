#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# The long soak: the main window refreshes its task list and opens processes over and
# over for MINUTES, beside a helper that starts and reaps processes as fast as it can (by
# the thousand a second), in one process. Prints the resident set and the open descriptors after every round of
# 5,000 refreshes and 500 openings, and at the end the figures after warm-up against
# those at the end; fails when descriptors grew or the resident set grew past its
# tolerance (not measured under AddressSanitizer, whose leak check at exit stands in).
# Usage: scripts/soak.sh [MINUTES] [PRESET]
#   MINUTES  how long it runs (default 60)
#   PRESET   release (default) or dev
# Runs at the lowest priority; the log goes to build/PRESET/soak.log as well.
set -euo pipefail
cd "$(dirname "$0")/.."
minutes="${1:-60}"
preset="${2:-release}"
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target pelorus_churn_soak_test
PELORUS_SOAK_SECONDS=$((minutes * 60)) PELORUS_SOAK_REFRESHES=5000 PELORUS_SOAK_OPENINGS=500 \
    PELORUS_SOAK_STORM_RATE=1000000 \
    nice -n 19 "build/$preset/tests/churn/pelorus_churn_soak_test" 2>&1 |
    tee "build/$preset/soak.log"
