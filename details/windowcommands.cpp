// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowcommands.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

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

bool stillOpenedWindow(platform::WindowSystem& windows, platform::OpenedProcess& process,
                       const OpenedWindows& opened, platform::WindowHandle handle) {
    auto found = opened.index.find(handle);
    if (found == opened.index.end())
        return false;
    // Up from the window through the parents of unknown creator, to one whose creator
    // the walk knew; a top-level window's is always known.
    for (int level = 0; level <= kMaxWindowDepth; ++level) {
        const OpenedWindows::Node& node = opened.nodes[found->second];
        if (node.creator != 0) {
            const std::vector<platform::Pid> creator = windows.owners(std::span(&node.window, 1));
            if (creator.empty() || creator.front() != node.creator)
                return false;
            return process.stillRunning();
        }
        const auto parent = opened.index.find(node.parent);
        if (node.parent == 0 || parent == opened.index.end())
            return false;
        const auto siblings = windows.children(std::span(&node.parent, 1));
        if (siblings.empty() || std::find(siblings.front().begin(), siblings.front().end(),
                                          node.window) == siblings.front().end()) {
            return false;
        }
        found = parent;
    }
    return false;
}

std::vector<bool> stillOpenedWindows(platform::WindowSystem& windows,
                                     platform::ProcessSource& processes,
                                     const OpenedWindows& opened,
                                     std::span<const platform::WindowHandle> handles) {
    std::vector<bool> result(handles.size(), false);
    if (opened.pid <= 0 || handles.empty())
        return result;
    // The process must still be the one the opening checked: opened afresh by its PID
    // and the start time of the opening. One whose start time the system does not tell
    // cannot be told from a newer process under its PID, so none of its windows is acted on.
    const auto process = processes.open(opened.pid, opened.startTime);
    if (process == nullptr || !process->identityChecked())
        return result;
    for (std::size_t i = 0; i < handles.size(); ++i)
        result[i] = stillOpenedWindow(windows, *process, opened, handles[i]);
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
    // A node acts only on the window it stands for, checked right before the act; any
    // other is passed over silently, as Kill passes over a stale row. The process is opened
    // once: a newer one that takes its PID meanwhile is never the one asked about. One
    // whose start time the system does not tell cannot be told from a newer process under
    // its PID, so none of its windows is acted on.
    auto process =
        keys.empty() || opened.pid <= 0 ? nullptr : processes.open(opened.pid, opened.startTime);
    if (process != nullptr && !process->identityChecked())
        process.reset();
    const bool show = command == ButtonIndex::Show || command == ButtonIndex::ShowAll;
    bool timedOut = false;
    for (std::size_t i = 0; process != nullptr && i < keys.size(); ++i) {
        if (windows.deadlinePassed()) {
            timedOut = true;
            break;
        }
        if (stillOpenedWindow(windows, *process, opened, handleFromKey(keys[i])))
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
