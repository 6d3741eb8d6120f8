// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>

#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// Adds under the root of the tree of process `pid` one note for each reason the window
/// system gave, at its last desktop(), for windows it cannot show (a Wayland session whose
/// compositor tells nothing, a compositor that does not answer or counts PIDs elsewhere),
/// so that a tree without those windows says why. A note is a node without a window: its
/// key is "N-" and the text's number, which names no handle (0), so no window command
/// ever acts on it; its text is the reason from the string table, without an image.
void addUnseenWindowNotes(platform::WindowSystem& windows, platform::WindowTree& TFRM,
                          platform::Pid pid);

}  // namespace pelorus::details
