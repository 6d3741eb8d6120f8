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
/// (WindowQueueSize windows) take about 12 s on a local server without a manager, a usual
/// program's windows a fraction of a second; but a hide waits (a quarter of a second at
/// most) for the window manager to let each managed window go, and a server that another
/// client holds grabbed answers each question only after seconds. Past this limit the
/// command ends with what it has done, the main form shows again, and a note in the tree
/// says so.
inline constexpr std::chrono::seconds kCommandTimeLimit{30};

/// For each of `handles`, whether it still stands for the window its node was made for:
/// the opened process still runs (its start time is the one the opening checked), and
/// the window still exists and belongs to it by the tree's own rule: a top-level window
/// is still owned by the opened PID, any other window is still a child of the window its
/// node hangs under, which passes the same test. So a client that took over a departed
/// client's ids, or an id that no longer names a window, is never reached. A handle
/// without a node of the tree gives false.
///
/// Two questions to the window system for all the handles together (the owners of the
/// top-level windows above them, the children of the windows they hang under), whatever
/// their number, and one read of the process's start time.
std::vector<bool> stillOpenedWindows(platform::WindowSystem& windows,
                                     platform::ProcessSource& processes,
                                     const OpenedWindows& opened,
                                     std::span<const platform::WindowHandle> handles);

/// The window commands of the buttons under the tree: Show, Hide, Show all, Hide all;
/// any other button does nothing. The main form is hidden for the duration of each
/// command and shown (and active) again afterwards. A node whose window no longer stands
/// for the opened process (see stillOpenedWindows), and a note, is passed over without a
/// word. The command ends after `timeLimit` (kCommandTimeLimit) at the latest, with a note
/// in the tree that says so.
void runWindowCommand(platform::ButtonIndex command, platform::WindowTree& TFRM,
                      platform::WindowSystem& windows, platform::Form& frmMain,
                      platform::ProcessSource& processes, const OpenedWindows& opened,
                      std::chrono::milliseconds timeLimit = kCommandTimeLimit);

}  // namespace pelorus::details
