#!/usr/bin/env bash
# SPDX-License-Identifier: MIT
# SPDX-FileCopyrightText: Pelorus Viewer authors
#
# Fails when a source file includes, or a folder's library links, a folder that is not
# below it. The layers, top down:
#   app -> about, details -> tasks -> resources -> platform
# (about and details are side by side; resources may use platform's plain types).
set -euo pipefail
cd "$(dirname "$0")/.."

# The folders each folder may use, itself included.
declare -A allowed=(
    [platform]="platform"
    [resources]="resources platform"
    [tasks]="tasks resources platform"
    [details]="details tasks resources platform"
    [about]="about resources platform"
    [app]="app about details tasks resources platform"
)

# The folder a library target belongs to.
folder_of_target() {
    case "$1" in
        pelorus_platform*|pelorus_toolkit) echo platform ;;
        pelorus_resources|pelorus_formatting|pelorus_pictures) echo resources ;;
        pelorus_tasks*) echo tasks ;;
        pelorus_details*) echo details ;;
        pelorus_about*) echo about ;;
        pelorus_app*) echo app ;;
        *) echo "" ;;
    esac
}

failures=0
for folder in "${!allowed[@]}"; do
    while IFS=: read -r file line text; do
        used=$(sed -E 's/.*#include "([a-z0-9_]+)\/.*/\1/' <<<"$text")
        [ -z "${allowed[$used]+set}" ] && continue  # a system or Qt header
        if [[ " ${allowed[$folder]} " != *" $used "* ]]; then
            echo "$file:$line: $folder/ includes $used/, which is not below it" >&2
            failures=$((failures + 1))
        fi
    done < <(grep -rnE '^\s*#\s*include "[a-z0-9_]+/' "$folder" --include='*.h' --include='*.cpp' --include='*.inc' || true)

    while IFS=: read -r file line text; do
        for target in $(grep -oE 'pelorus_[a-z0-9_]+' <<<"$text"); do
            used=$(folder_of_target "$target")
            [ -z "$used" ] && continue
            if [[ " ${allowed[$folder]} " != *" $used "* ]]; then
                echo "$file:$line: $folder/ links $target ($used/), which is not below it" >&2
                failures=$((failures + 1))
            fi
        done
    done < <(find "$folder" -name CMakeLists.txt -print0 | xargs -0 awk '
        # One whole target_link_libraries(...) command a line, however many lines it spans.
        /target_link_libraries\(/ { open = 1; start = FNR; text = "" }
        open { text = text " " $0 }
        open && /\)/ { print FILENAME ":" start ":" text; open = 0 }')
done

if [ "$failures" -ne 0 ]; then
    echo "$failures dependencies point up or sideways" >&2
    exit 1
fi
echo "Layers: every include and link points down."
