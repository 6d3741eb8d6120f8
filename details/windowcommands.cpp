// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowcommands.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>
#include <unordered_set>

#include "resources/strings.h"

namespace pelorus::details {
namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

}  // namespace

platform::WindowHandle handleFromKey(std::string_view key) {
    if (key.empty())
        return 0;
    std::uint32_t handle = 0;
    for (const char c : key.substr(1)) {
        const int digit = hexDigit(c);
        if (digit < 0)
            break;
        handle = handle * 16 + static_cast<std::uint32_t>(digit);
    }
    return handle;
}

void SetWindowShown(platform::WindowSystem& windows, const std::string& Key, bool Show) {
    const platform::WindowHandle handle = handleFromKey(Key);
    platform::WindowPlacement placement = windows.placement(handle);
    if (Show) {
        placement.showCmd = platform::SW_SHOW;
        windows.setPlacement(handle, placement);
        placement = windows.placement(handle);
        if (placement.showCmd == platform::SW_SHOWMINIMIZED) {
            placement.showCmd = platform::SW_SHOWNORMAL;
            windows.setPlacement(handle, placement);
        }
        windows.raise(handle);
    } else {
        placement.showCmd = platform::SW_HIDE;
        windows.setPlacement(handle, placement);
    }
}

std::vector<bool> stillOpenedWindows(platform::WindowSystem& windows,
                                     platform::ProcessSource& processes,
                                     const OpenedWindows& opened,
                                     std::span<const platform::WindowHandle> handles) {
    std::vector<bool> result(handles.size(), false);
    if (opened.pid <= 0 || handles.empty())
        return result;
    // The process must still be the one the opening checked: opened afresh by its PID
    // and the start time of the opening.
    const auto process = processes.open(opened.pid, opened.startTime);
    if (process == nullptr || !process->stillRunning())
        return result;

    // The nodes to judge: those asked about and every node above them, in node order
    // (a parent is always added before its children).
    std::vector<bool> needed(opened.nodes.size(), false);
    for (const platform::WindowHandle handle : handles) {
        auto found = opened.index.find(handle);
        while (found != opened.index.end() && !needed[found->second]) {
            needed[found->second] = true;
            const platform::WindowHandle parent = opened.nodes[found->second].parent;
            found = parent != 0 ? opened.index.find(parent) : opened.index.end();
        }
    }
    // Two questions for all of them at once: the owners of the top-level windows, and the
    // children of every window a judged node hangs under.
    std::vector<platform::WindowHandle> tops;
    std::vector<platform::WindowHandle> parents;
    std::unordered_map<platform::WindowHandle, std::size_t> parentIndex;
    for (std::size_t i = 0; i < opened.nodes.size(); ++i) {
        if (!needed[i])
            continue;
        const auto& node = opened.nodes[i];
        if (node.parent == 0) {
            tops.push_back(node.window);
        } else if (parentIndex.emplace(node.parent, parents.size()).second) {
            parents.push_back(node.parent);
        }
    }
    const std::vector<platform::Pid> owners = windows.owners(tops);
    const auto children = windows.children(parents);
    std::unordered_set<platform::WindowHandle> ownTops;
    for (std::size_t i = 0; i < tops.size() && i < owners.size(); ++i) {
        if (owners[i] == opened.pid)
            ownTops.insert(tops[i]);
    }

    std::vector<bool> valid(opened.nodes.size(), false);
    for (std::size_t i = 0; i < opened.nodes.size(); ++i) {
        if (!needed[i])
            continue;
        const auto& node = opened.nodes[i];
        if (node.parent == 0) {
            valid[i] = ownTops.contains(node.window);
            continue;
        }
        const std::size_t parentNode = opened.index.at(node.parent);
        const std::size_t asked = parentIndex.at(node.parent);
        valid[i] = valid[parentNode] && asked < children.size() &&
                   std::find(children[asked].begin(), children[asked].end(), node.window) !=
                       children[asked].end();
    }
    for (std::size_t i = 0; i < handles.size(); ++i) {
        const auto found = opened.index.find(handles[i]);
        result[i] = found != opened.index.end() && valid[found->second];
    }
    return result;
}

void runWindowCommand(platform::ButtonIndex command, platform::WindowTree& TFRM,
                      platform::WindowSystem& windows, platform::Form& frmMain,
                      platform::ProcessSource& processes, const OpenedWindows& opened,
                      std::chrono::milliseconds timeLimit) {
    using platform::ButtonIndex;
    if (command != ButtonIndex::Show && command != ButtonIndex::Hide &&
        command != ButtonIndex::ShowAll && command != ButtonIndex::HideAll) {
        return;
    }
    frmMain.setVisible(false);
    const ActionDeadline deadline(windows, timeLimit);
    // Counted in 32 bits: a 16-bit count turns negative past 32,767 nodes, which the
    // queue of the window walk allows, and every loop below would then run zero times.
    const std::int32_t n = TFRM.nodeCount();
    // The nodes to act on, in the order of acting; node 1 is the process, never a window.
    std::vector<std::string> keys;
    switch (command) {
        case ButtonIndex::Show:
        case ButtonIndex::Hide:
            for (std::int32_t i = 2; i <= n; ++i) {
                if (TFRM.isSelected(i)) {
                    keys.push_back(TFRM.key(i));
                    break;
                }
            }
            break;
        case ButtonIndex::ShowAll:
            // From the last node up, so that node 2 is raised last and ends on top.
            for (std::int32_t i = n; i >= 2; --i)
                keys.push_back(TFRM.key(i));
            break;
        default:
            for (std::int32_t i = 2; i <= n; ++i)
                keys.push_back(TFRM.key(i));
            break;
    }
    // A node acts only on the window it stands for; any other is passed over silently,
    // as Kill passes over a stale row.
    std::vector<platform::WindowHandle> handles;
    handles.reserve(keys.size());
    for (const auto& key : keys)
        handles.push_back(handleFromKey(key));
    const std::vector<bool> still = stillOpenedWindows(windows, processes, opened, handles);
    const bool show = command == ButtonIndex::Show || command == ButtonIndex::ShowAll;
    bool timedOut = false;
    for (std::size_t i = 0; i < keys.size(); ++i) {
        if (windows.deadlinePassed()) {
            timedOut = true;
            break;
        }
        if (still[i])
            SetWindowShown(windows, keys[i], show);
    }
    // The last act may have been cut short as well.
    if (timedOut || windows.deadlinePassed()) {
        addWindowNote(
            TFRM, "command",
            resources::replaceAll(
                resources::LoadString(resources::StringId::WindowCommandTimedOut), "$",
                std::to_string(std::chrono::ceil<std::chrono::seconds>(timeLimit).count())));
    }
    frmMain.setVisible(true);
}

}  // namespace pelorus::details
