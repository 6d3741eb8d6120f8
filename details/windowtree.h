// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// Capacity of the walk's queue: every window that gets a node takes one slot; when it
/// is full the walk adds no more nodes.
inline constexpr int WindowQueueSize = 65536;

/// How many windows the walk asks about in one call: the children of at most this many
/// parents, the texts of at most this many windows. Keeps the answers held at once
/// bounded, however wide a level of the desktop is.
inline constexpr std::size_t kWalkChunk = 4096;

/// What the tree of one opening stands for, so that the window commands can tell a
/// node's window from a newer one that took its id: the opened process (its PID and
/// the start time the opening checked) and, for each window node in the order of
/// adding, the window of the node it hangs under (0 for a top-level window).
struct OpenedWindows {
    struct Node {
        platform::WindowHandle window = 0;
        platform::WindowHandle parent = 0;
    };

    platform::Pid pid = 0;
    platform::StartTime startTime = 0;
    std::vector<Node> nodes;
    /// window -> its position in `nodes`
    std::unordered_map<platform::WindowHandle, std::size_t> index;

    void add(platform::WindowHandle window, platform::WindowHandle parent) {
        index.emplace(window, nodes.size());
        nodes.push_back({window, parent});
    }
};

/// Rebuilds the window tree for process `pid`: the root ("M" + hex pid, text `file`,
/// image 1), every top-level window of the process in z-order, then their children
/// breadth-first to any depth (keys "S" + hex handle, WindowCaption texts, image 2),
/// every node expanded as it is added. No desktop: the tree stays empty.
/// `processGone`: the process has ended, so the tree holds only its root.
/// Returns what the tree stands for (its start time left 0 for the caller to fill in).
///
/// The walk asks one tree level at a time, in chunks of kWalkChunk windows, and never
/// asks for the texts of more windows than the queue has room for.
OpenedWindows buildWindowTree(platform::WindowSystem& windows, platform::WindowTree& TFRM,
                              platform::Pid pid, const std::string& file, bool processGone = false);

}  // namespace pelorus::details
