// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowcommands.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "resources/strings.h"

namespace pelorus::details {
namespace {

/// The windows a command acts on, in the order of acting, as positions in `opened.nodes`:
/// node 1 is the process, never a window, and the notes come after the windows. The window
/// travels as a position, never read back from a key.
std::vector<std::size_t> commandNodes(platform::ButtonIndex command,
                                      const platform::WindowTree& TFRM,
                                      const OpenedWindows& opened) {
    const auto windowOf = [&](std::int32_t i) -> std::optional<std::size_t> {
        const auto position = static_cast<std::size_t>(i - 2);
        return i >= 2 && position < opened.nodes.size() ? std::optional(position) : std::nullopt;
    };
    // Counted in 32 bits: a 16-bit count turns negative past 32,767 nodes, which the
    // queue of the window walk allows, and every loop below would then run zero times.
    const std::int32_t n = TFRM.nodeCount();
    std::vector<std::size_t> nodes;
    const auto add = [&](std::int32_t i) {
        if (const auto node = windowOf(i))
            nodes.push_back(*node);
    };
    switch (command) {
        case platform::ButtonIndex::Show:
        case platform::ButtonIndex::Hide:
            // The first selected node, if it stands for a window.
            for (std::int32_t i = 2; i <= n; ++i) {
                if (TFRM.isSelected(i)) {
                    add(i);
                    break;
                }
            }
            break;
        case platform::ButtonIndex::ShowAll:
            // From the last node up, so that node 2 is raised last and ends on top.
            for (std::int32_t i = n; i >= 2; --i)
                add(i);
            break;
        default:
            for (std::int32_t i = 2; i <= n; ++i)
                add(i);
            break;
    }
    return nodes;
}

}  // namespace

std::optional<platform::WindowCheck> windowCheck(platform::WindowSystem& windows,
                                                 platform::OpenedProcess& process,
                                                 const OpenedWindows& opened, std::size_t node) {
    // Up from the window through the parents of unknown creator, to one whose creator
    // the walk knew; a top-level window's is always known. So a client that took over a
    // departed client's ids, whether the opened process's or another's, or an id that no
    // longer names a window, is never reached.
    for (int level = 0; node < opened.nodes.size() && level <= kMaxWindowDepth; ++level) {
        const OpenedWindows::Node& at = opened.nodes[node];
        if (at.creator != 0)
            return platform::WindowCheck{at.window, at.creator, &process};
        const auto parent = opened.index.find(at.parent);
        if (at.parent == 0 || parent == opened.index.end())
            return std::nullopt;
        const auto siblings = windows.children(std::span(&at.parent, 1));
        if (siblings.empty() || std::find(siblings.front().begin(), siblings.front().end(),
                                          at.window) == siblings.front().end()) {
            return std::nullopt;
        }
        node = parent->second;
    }
    return std::nullopt;
}

bool SetWindowShown(platform::WindowSystem& windows, platform::OpenedProcess& process,
                    const OpenedWindows& opened, std::size_t node, bool Show) {
    const auto check = windowCheck(windows, process, opened, node);
    if (!check)
        return false;
    const platform::WindowHandle window = opened.nodes[node].window;
    return Show ? windows.show(window, *check) : windows.hide(window, *check);
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
    // kCommandTimeLimit, 30 s: Hide all and Show all on the largest tree (WindowQueueSize
    // windows) take about 13 s on a local server without a manager, a usual program's
    // windows a fraction of a second; but a hide waits (a quarter of a second at most) for
    // the manager to let each managed window go, and a server that another client holds
    // grabbed answers each question only after seconds.
    const ActionDeadline deadline(windows, timeLimit);
    const std::vector<std::size_t> nodes = commandNodes(command, TFRM, opened);
    // A node acts only on the window it stands for, checked right before the act, so no
    // check goes stale however long the command runs; any other is passed over silently, as Kill
    // passes over a stale row. The process is opened once: a newer one that takes its PID meanwhile
    // is never the one asked about. One whose start time the system does not tell cannot be told
    // from a newer process under its PID, so none of its windows is acted on.
    auto process =
        nodes.empty() || opened.pid <= 0 ? nullptr : processes.open(opened.pid, opened.startTime);
    if (process != nullptr && !process->identityChecked())
        process.reset();
    const bool show = command == ButtonIndex::Show || command == ButtonIndex::ShowAll;
    bool timedOut = false;
    for (std::size_t i = 0; process != nullptr && i < nodes.size(); ++i) {
        if (windows.deadlinePassed()) {
            timedOut = true;
            break;
        }
        SetWindowShown(windows, *process, opened, nodes[i], show);
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
