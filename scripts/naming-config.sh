#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Writes .clang-tidy from scripts/clang-tidy.in and the design's names in
# scripts/design-names.txt, so that the names are listed once. --check compares instead
# and fails when .clang-tidy is not what the two give (scripts/check-style.sh runs it).
set -euo pipefail
cd "$(dirname "$0")/.."

names=$(grep -vE '^(#|$)' scripts/design-names.txt | paste -sd '|')
config=$(sed "s/@DESIGN_NAMES@/${names//\\/\\\\}/g" scripts/clang-tidy.in)
if [ "${1:-}" = --check ]; then
    if [ "$config" != "$(cat .clang-tidy)" ]; then
        echo ".clang-tidy is not made from scripts/clang-tidy.in and design-names.txt:" \
            "run scripts/naming-config.sh" >&2
        exit 1
    fi
    exit 0
fi
printf '%s\n' "$config" >.clang-tidy
