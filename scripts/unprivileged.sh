#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Runs the process, detail-list and kill tests of a built preset as an ordinary user
# (nobody), and then again with /proc mounted hidepid=2 in a private mount namespace,
# where an ordinary user sees no other user's processes at all. Needs root, to change
# user and to mount; without root it says so and runs nothing.
# Usage: scripts/unprivileged.sh [release|dev]
set -euo pipefail
cd "$(dirname "$0")/.."
preset="${1:-release}"
if [ "$(id -u)" != 0 ]; then
    echo "unprivileged run skipped: needs root to run the tests as another user"
    exit 0
fi
tests=(
    "build/$preset/tests/linux/pelorus_linux_test"
    "build/$preset/tests/linux/pelorus_linux_details_test"
    "build/$preset/tests/logic/pelorus_logic_tasks_test"
)
as_nobody=(setpriv --reuid=65534 --regid=65534 --clear-groups --reset-env
           env TMPDIR=/tmp ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}")

echo "== as nobody"
for test in "${tests[@]}"; do
    "${as_nobody[@]}" "$test" --gtest_brief=1
done

echo "== as nobody, /proc mounted hidepid=2"
unshare --mount --propagation private -- sh -euc '
    mount -t proc -o hidepid=2 proc /proc
    for test in "$@"; do
        setpriv --reuid=65534 --regid=65534 --clear-groups --reset-env \
            env TMPDIR=/tmp ASAN_OPTIONS="${ASAN_OPTIONS:-}" LSAN_OPTIONS="${LSAN_OPTIONS:-}" \
            "$test" --gtest_brief=1
    done' unprivileged "${tests[@]}"
