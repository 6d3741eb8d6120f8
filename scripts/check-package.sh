#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Builds the Debian package from a build folder (default build/release, built already) and
# checks it as a user would get it: its derived dependencies, the installed files (desktop
# entry, AppStream metainfo, icons, manual page) and the installed program, which must
# explain a missing display and open its window on a private Xvfb.
# Usage: scripts/check-package.sh [build folder]
set -euo pipefail
cd "$(dirname "$0")/.."
build="${1:-build/release}"
id=org.pelorus.viewer

work=$(mktemp -d)
pids=()
cleanup() {
    # Whatever this script started, ended by its PID.
    for pid in "${pids[@]}"; do
        kill "$pid" 2>/dev/null || true
        wait "$pid" 2>/dev/null || true
    done
    rm -rf "$work"
}
trap cleanup EXIT
fail() {
    echo "package check failed: $*" >&2
    exit 1
}
# Polls `condition` for up to 30 seconds.
wait_for() {
    for _ in $(seq 300); do
        if eval "$1"; then return 0; fi
        sleep 0.1
    done
    return 1
}

rm -rf "$build/package"
cpack --config "$build/CPackConfig.cmake" -B "$build/package" >/dev/null
deb=$(echo "$build"/package/pelorus-viewer_*.deb)
[ -f "$deb" ] || fail "no package was built"
echo "Package: $deb"

# The dependencies are dpkg-shlibdeps' findings: at least Qt, xcb and the C library, each
# of them installable here.
depends=$(dpkg-deb -f "$deb" Depends)
echo "Depends: $depends"
for library in libqt6widgets6 libqt6gui6 libqt6core6 libxcb1 libc6; do
    grep -q "\b$library\b" <<<"$depends" || fail "$library is not among the dependencies"
done
for package in $(tr ',' '\n' <<<"$depends" | sed 's/(.*//; s/|.*//' | tr -d ' '); do
    dpkg-query -W "$package" >/dev/null 2>&1 || fail "dependency $package is not installable here"
done

root="$work/root"
dpkg-deb -x "$deb" "$root"
usr="$root/usr"
[ -x "$usr/bin/pelmarin" ] || fail "usr/bin/pelmarin is missing"

entry="$usr/share/applications/$id.desktop"
desktop-file-validate "$entry" || fail "the desktop entry does not validate"
grep -qx "Name=Pelorus Viewer" "$entry" || fail "the desktop entry has the wrong name"
grep -qx "Exec=pelmarin" "$entry" || fail "the desktop entry does not start pelmarin"
grep -qx "Icon=$id" "$entry" || fail "the desktop entry names another icon"
grep -qx "Categories=System;Monitor;" "$entry" || fail "the desktop entry has other categories"

appstreamcli validate --no-net "$usr/share/metainfo/$id.metainfo.xml" ||
    fail "the AppStream metainfo does not validate"

for size in 16 32 48 64 128 256; do
    icon="$usr/share/icons/hicolor/${size}x${size}/apps/$id.png"
    file "$icon" | grep -q "PNG image data, $size x $size," || fail "no $size px icon"
done

manual="$usr/share/man/man1/pelmarin.1.gz"
[ -f "$manual" ] || fail "the manual page is missing"
warnings=$(zcat "$manual" | LC_ALL=C.UTF-8 groff -man -ww -z 2>&1)
[ -z "$warnings" ] || fail "the manual page has warnings: $warnings"
for section in NAME SYNOPSIS DESCRIPTION KEYS "EXIT STATUS"; do
    zcat "$manual" | grep -q "^\.SH \"\?$section\"\?$" || fail "the manual page has no $section"
done

# No display at all: a message and status 1, not Qt's abort.
status=0
env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM "$usr/bin/pelmarin" 2>"$work/err" || status=$?
[ "$status" -eq 1 ] || fail "without a display the program ended with $status"
grep -q "needs a graphical session" "$work/err" || fail "without a display: $(cat "$work/err")"

# On a private X server the installed program opens its window.
Xvfb -displayfd 3 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
pids+=($!)
wait_for '[ -s "$work/display" ]' || fail "Xvfb did not start"
display=":$(head -n1 "$work/display")"
DISPLAY="$display" QT_QPA_PLATFORM=xcb "$usr/bin/pelmarin" 2>"$work/err" &
app=$!
pids=("$app" "${pids[@]}")
wait_for 'DISPLAY="$display" xwininfo -root -tree | grep -q "\"Pelorus Viewer "' ||
    fail "the installed program opened no window: $(cat "$work/err")"
kill -0 "$app" 2>/dev/null || fail "the installed program ended"
echo "The installed program opened its window on $display."
