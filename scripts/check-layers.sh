#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Fails when a source file includes, or a folder's library links, a layer that is not
# below it. The layers, top down:
#   app -> about, details -> tasks -> resources -> platform/text -> platform
# with platform/toolkit (the forms' seam) beside the text library, and the backends
# (platform/linux, x11, sway, win32, null) below platform/native, the one place that
# names them. A form, or anything above platform/, never includes a backend. A file
# belongs to the deepest layer folder it lies in (app/win32 is app, platform/x11 is x11).
set -euo pipefail
cd "$(dirname "$0")/.."

backends="platform/linux platform/x11 platform/sway platform/win32 platform/null"
seam="platform platform/text platform/toolkit"

# The layers each layer may use, itself included.
declare -A allowed=(
    [platform]="platform"
    [platform/text]="platform/text platform"
    [platform/toolkit]="platform/toolkit platform"
    [platform/native]="platform/native $backends platform/text platform"
    [resources]="resources platform/text platform"
    [tasks]="tasks resources $seam"
    [details]="details tasks resources $seam"
    [about]="about resources $seam"
    # app links the composition root (platform/native) but includes only the seam.
    [app]="app about details tasks resources $seam"
)
for backend in $backends; do
    allowed[$backend]="$backend platform/text platform"
done
declare -A links_also=([app]="platform/native")

# The layer of a path: its deepest folder that is a layer.
layer_of() {
    local path=$1 layer=""
    for candidate in "${!allowed[@]}"; do
        if [[ $path == "$candidate"/* && ${#candidate} -gt ${#layer} ]]; then
            layer=$candidate
        fi
    done
    echo "$layer"
}

# The layer a library target belongs to.
layer_of_target() {
    case "$1" in
        pelorus_text) echo platform/text ;;
        pelorus_toolkit) echo platform/toolkit ;;
        pelorus_platform_native) echo platform/native ;;
        pelorus_platform_linux) echo platform/linux ;;
        pelorus_platform_x11) echo platform/x11 ;;
        pelorus_platform_sway) echo platform/sway ;;
        pelorus_platform_win32) echo platform/win32 ;;
        pelorus_platform) echo platform ;;
        pelorus_resources|pelorus_formatting|pelorus_pictures) echo resources ;;
        pelorus_tasks*) echo tasks ;;
        pelorus_details*) echo details ;;
        pelorus_about*) echo about ;;
        pelorus_app*) echo app ;;
        *) echo "" ;;
    esac
}

failures=0
while IFS=: read -r file line text; do
    layer=$(layer_of "$file")
    used=$(layer_of "$(sed -E 's/.*#include "([^"]+)".*/\1/' <<<"$text")")
    [ -z "$used" ] && continue  # a system, Qt or generated header
    if [[ " ${allowed[$layer]} " != *" $used "* ]]; then
        echo "$file:$line: $layer/ includes $used/, which is not below it" >&2
        failures=$((failures + 1))
    fi
done < <(grep -rnE '^\s*#\s*include "[a-z0-9_]+/' app about details tasks resources platform \
    --include='*.h' --include='*.cpp' --include='*.inc' || true)

while IFS=: read -r file line text; do
    layer=$(layer_of "$file")
    for target in $(grep -oE 'pelorus_[a-z0-9_]+' <<<"$text"); do
        used=$(layer_of_target "$target")
        [ -z "$used" ] && continue
        if [[ " ${allowed[$layer]} ${links_also[$layer]:-} " != *" $used "* ]]; then
            echo "$file:$line: $layer/ links $target ($used/), which is not below it" >&2
            failures=$((failures + 1))
        fi
    done
done < <(find app about details tasks resources platform -name CMakeLists.txt -print0 | xargs -0 awk '
    # One whole target_link_libraries(...) command a line, however many lines it spans.
    /target_link_libraries\(/ { open = 1; start = FNR; text = "" }
    open { text = text " " $0 }
    open && /\)/ { print FILENAME ":" start ":" text; open = 0 }')

if [ "$failures" -ne 0 ]; then
    echo "$failures dependencies point up or sideways" >&2
    exit 1
fi
echo "Layers: every include and link points down."
