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
/// it (the window system makes it, with the act): the window, or for one of unknown creator
/// the nearest window above it whose creator the walk knew, must still have been created by
/// that process, and `process` (the opened process) must still run. nullopt when a window of
/// unknown creator on the way up no longer hangs under its parent node's window (one
/// question to the window system each), or `node` names no node.
std::optional<platform::WindowCheck> windowCheck(platform::WindowSystem& windows,
                                                 platform::OpenedProcess& process,
                                                 const OpenedWindows& opened, std::size_t node);

/// Shows (visible, restored when minimised, raised) or hides the window of
/// `opened.nodes[node]`, only while its check (windowCheck) holds; whether it acted.
bool SetWindowShown(platform::WindowSystem& windows, platform::OpenedProcess& process,
                    const OpenedWindows& opened, std::size_t node, bool Show);

/// How long one window command may take: past it the command ends with what it has done,
/// the main form shows again, and a note in the tree says so.
inline constexpr std::chrono::seconds kCommandTimeLimit{30};

/// The window commands of the buttons under the tree: Show, Hide, Show all, Hide all; any
/// other button does nothing. The main form is hidden for each command and shown (and
/// active) again afterwards. Each node's window is checked right before the act (see
/// windowCheck); a node that no longer stands for its window, and a note, is passed over
/// without a word. The command ends after `timeLimit` at the latest, with a note saying so.
void runWindowCommand(platform::ButtonIndex command, platform::WindowTree& TFRM,
                      platform::WindowSystem& windows, platform::Form& frmMain,
                      platform::ProcessSource& processes, const OpenedWindows& opened,
                      std::chrono::milliseconds timeLimit = kCommandTimeLimit);

}  // namespace pelorus::details
