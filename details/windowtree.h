// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// Capacity of the walk's queue: every window that gets a node takes one slot; when it
/// is full the walk adds no more nodes, and a note says that windows were left out. The
/// bound on the tree's size: 65,536 windows are far more than any program makes (a busy
/// desktop has a few thousand in all), few enough for the tree control to hold, and the
/// most that the window commands are meant to go through within their time limit.
inline constexpr int WindowQueueSize = 65536;

/// How many levels of windows the tree shows below the process node (the top-level windows
/// are its first level). The windows below are left out, and a note says so.
inline constexpr int kMaxWindowDepth = 64;

/// How long one walk may take. The largest tree (WindowQueueSize windows with maximal
/// texts) takes about 3 s on a local server, a usual program's tree a few milliseconds;
/// but a server that another client holds grabbed, letting it go only for moments,
/// answers each question only after seconds, and a walk of a few hundred levels would
/// then hold the viewer for minutes. Past this limit the walk ends with what it has, and a
/// note says so.
inline constexpr std::chrono::seconds kWalkTimeLimit{10};

/// How many windows the walk asks about in one call: the children of at most this many
/// parents, the texts of at most this many windows. Keeps the answers held at once
/// bounded, however wide a level of the desktop is.
inline constexpr std::size_t kWalkChunk = 4096;

/// What the tree of one opening stands for, so that the window commands can tell a node's
/// window from a newer one that took its id: the opened process (its PID and the start time
/// the opening checked) and, per window node in the order of adding, the window of the node
/// it hangs under (0 for a top-level) and the process that created it when the walk met it
/// (0 when unknown; a top-level window's is the opened process). The tree's node i (from 2)
/// stands for `nodes[i - 2]`: the windows' nodes follow the process node, then the notes.
struct OpenedWindows {
    struct Node {
        platform::WindowHandle window = 0;
        platform::WindowHandle parent = 0;
        platform::Pid creator = 0;
    };

    platform::Pid pid = 0;
    platform::StartTime startTime = 0;
    std::vector<Node> nodes;
    /// window -> its position in `nodes`
    std::unordered_map<platform::WindowHandle, std::size_t> index;

    void add(platform::WindowHandle window, platform::WindowHandle parent, platform::Pid creator) {
        index.emplace(window, nodes.size());
        nodes.push_back({window, parent, creator});
    }
};

/// Bounds the questions to `windows` by a deadline for as long as it lives: one user
/// action (a walk, a command) from its start to its end.
class ActionDeadline {
public:
    ActionDeadline(platform::WindowSystem& windows, std::chrono::milliseconds limit)
        : m_windows(windows) {
        m_windows.setDeadline(platform::WindowSystem::Clock::now() + limit);
    }
    ~ActionDeadline() { m_windows.setDeadline(std::nullopt); }
    ActionDeadline(const ActionDeadline&) = delete;
    ActionDeadline& operator=(const ActionDeadline&) = delete;

private:
    platform::WindowSystem& m_windows;
};

/// Appends a note to the tree: a node under the process node (node 1) that says what the
/// tree or a command left out, in the program's own words. Its key ("N:" and `name`)
/// names no window, so no command acts on it; the same note is not added twice.
void addWindowNote(platform::WindowTree& TFRM, std::string_view name, const std::string& text);

/// Rebuilds the window tree for process `pid`: the root ("M" + hex pid, text `file`,
/// image 1), the process's top-levels in z-order, then their children breadth-first (keys
/// "S" + hex handle, WindowCaption texts, image 2), every node expanded. `processGone` or no
/// desktop: the root alone (and the time note when `timeLimit` passed seeking the desktop).
/// Notes under the root name any bound that cut the walk short (WindowQueueSize,
/// kMaxWindowDepth, `timeLimit`) or owners of another PID namespace. Start time left 0.
OpenedWindows buildWindowTree(platform::WindowSystem& windows, platform::WindowTree& TFRM,
                              platform::Pid pid, const std::string& file, bool processGone = false,
                              std::chrono::milliseconds timeLimit = kWalkTimeLimit);

}  // namespace pelorus::details
