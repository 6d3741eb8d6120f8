#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Sets up, builds (release) and starts the viewer.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/setup.sh
cmake --preset release >/dev/null
cmake --build --preset release --target pelmarin
exec build/release/app/pelmarin
