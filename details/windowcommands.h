// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <chrono>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "details/windowtree.h"
#include "platform/processsource.h"
#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// The window handle in a node key: the key from its second character on, read as an
/// unsigned hexadecimal number up to the first non-digit; no digits give 0.
platform::WindowHandle handleFromKey(std::string_view key);

/// Shows (visible, restored when minimised, raised) or hides the window of a node key.
void SetWindowShown(platform::WindowSystem& windows, const std::string& Key, bool Show);

/// How long one window command may take. Hide all and Show all on the largest tree
/// (WindowQueueSize windows) take about 13 s on a local server without a manager, a usual
/// program's windows a fraction of a second; but a hide waits (a quarter of a second at
/// most) for the window manager to let each managed window go, and a server that another
/// client holds grabbed answers each question only after seconds. Past this limit the
/// command ends with what it has done, the main form shows again, and a note in the tree
/// says so.
inline constexpr std::chrono::seconds kCommandTimeLimit{30};

/// Whether `handle` still stands for the window its node was made for, asked right before
/// a command acts on it: the opened process still runs (`process` still has the start
/// time the opening checked), and the window still exists and was created by the process
/// that created it when the walk met it (for a top-level window, the opened process). A
/// window whose creator the window system did not know must still hang under the window
/// of its parent node, which must pass the same test. So a client that took over a
/// departed client's ids, whether the opened process's or another's, or an id that no
/// longer names a window, is never reached. A handle without a node gives false.
///
/// One question to the window system (the window's creator), one more for each parent
/// passed on the way up from a window of unknown creator, and one read of the process's
/// start time, after the window system's answers: a process that still runs then held its
/// PID all along, so the creator the window system named was that process.
bool stillOpenedWindow(platform::WindowSystem& windows, platform::OpenedProcess& process,
                       const OpenedWindows& opened, platform::WindowHandle handle);

/// stillOpenedWindow for each of `handles`, the process opened once by its PID and the
/// start time of the opening; all false when no such process runs.
std::vector<bool> stillOpenedWindows(platform::WindowSystem& windows,
                                     platform::ProcessSource& processes,
                                     const OpenedWindows& opened,
                                     std::span<const platform::WindowHandle> handles);

/// The window commands of the buttons under the tree: Show, Hide, Show all, Hide all;
/// any other button does nothing. The main form is hidden for the duration of each
/// command and shown (and active) again afterwards. Each node's window is checked right
/// before the command acts on it (see stillOpenedWindow), so no check goes stale however
/// long the command runs; a node that no longer stands for its window, and a note, is
/// passed over without a word. The command ends after `timeLimit` (kCommandTimeLimit) at
/// the latest, with a note in the tree that says so.
void runWindowCommand(platform::ButtonIndex command, platform::WindowTree& TFRM,
                      platform::WindowSystem& windows, platform::Form& frmMain,
                      platform::ProcessSource& processes, const OpenedWindows& opened,
                      std::chrono::milliseconds timeLimit = kCommandTimeLimit);

}  // namespace pelorus::details
