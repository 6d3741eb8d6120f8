// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>

#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// Capacity of the walk's queue: every window that gets a node takes one slot; when it
/// is full the walk adds no more nodes.
inline constexpr int WindowQueueSize = 65536;

/// Rebuilds the window tree for process `pid`: the root ("M" + hex pid, text `file`,
/// image 1), every top-level window of the process in z-order, then their children
/// breadth-first to any depth (keys "S" + hex handle, WindowCaption texts, image 2),
/// every node expanded as it is added. No desktop: the tree stays empty.
/// `processGone`: the process has ended, so the tree holds only its root.
void BuildWindowTree(platform::WindowSystem& windows, platform::WindowTree& TFRM, platform::Pid pid,
                     const std::string& file, bool processGone = false);

}  // namespace pelorus::details
