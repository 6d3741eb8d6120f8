#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Sets up, builds and runs the whole test suite. Usage: scripts/test.sh [release|dev]
# (dev: the debug build with AddressSanitizer and UndefinedBehaviorSanitizer).
# Tests that need an X server start their own Xvfb (and openbox); the widget tests use
# Qt's offscreen platform, so no display is needed.
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
scripts/setup.sh
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset"
ctest --preset "$preset"
