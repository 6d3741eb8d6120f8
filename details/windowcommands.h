// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <chrono>
#include <cstddef>
#include <optional>

#include "details/windowtree.h"
#include "platform/processsource.h"
#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// The check a command makes of the window of `opened.nodes[node]` right before it acts on
/// it (the window system makes it, together with the act): the window, or for a window
/// whose creator the walk did not know the nearest window above it whose creator it knew,
/// must still have been created by that process, and `process` (the opened process) must
/// still run. A window of unknown creator must still hang under the window of its parent
/// node, and that one likewise, one question to the window system each. So a client that
/// took over a departed client's ids, whether the opened process's or another's, or an id
/// that no longer names a window, is never reached. nullopt when a window on the way up no
/// longer hangs where it did, or `node` names no node.
std::optional<platform::WindowCheck> windowCheck(platform::WindowSystem& windows,
                                                 platform::OpenedProcess& process,
                                                 const OpenedWindows& opened, std::size_t node);

/// Shows (visible, restored when minimised, raised) or hides the window of
/// `opened.nodes[node]`, only while its check (windowCheck) holds; whether it acted.
bool SetWindowShown(platform::WindowSystem& windows, platform::OpenedProcess& process,
                    const OpenedWindows& opened, std::size_t node, bool Show);

/// How long one window command may take. Hide all and Show all on the largest tree
/// (WindowQueueSize windows) take about 13 s on a local server without a manager, a usual
/// program's windows a fraction of a second; but a hide waits (a quarter of a second at
/// most) for the window manager to let each managed window go, and a server that another
/// client holds grabbed answers each question only after seconds. Past this limit the
/// command ends with what it has done, the main form shows again, and a note in the tree
/// says so.
inline constexpr std::chrono::seconds kCommandTimeLimit{30};

/// The window commands of the buttons under the tree: Show, Hide, Show all, Hide all;
/// any other button does nothing. The main form is hidden for the duration of each
/// command and shown (and active) again afterwards. Each node's window is checked right
/// before the command acts on it (see windowCheck), so no check goes stale however long the
/// command runs; a node that no longer stands for its window, and a note, is passed over
/// without a word. The tree's node i (from 2) is `opened.nodes[i - 2]`, so the window
/// travels as a position, never read back from a key. The command ends after `timeLimit`
/// (kCommandTimeLimit) at the latest, with a note in the tree that says so.
void runWindowCommand(platform::ButtonIndex command, platform::WindowTree& TFRM,
                      platform::WindowSystem& windows, platform::Form& frmMain,
                      platform::ProcessSource& processes, const OpenedWindows& opened,
                      std::chrono::milliseconds timeLimit = kCommandTimeLimit);

}  // namespace pelorus::details
