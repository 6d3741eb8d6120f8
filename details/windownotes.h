// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// Adds under the root of the tree (its node 1) one note for each reason the window
/// system gave, at its last desktop(), for windows it cannot show (a Wayland session whose
/// compositor tells nothing, a compositor that does not answer or counts PIDs elsewhere),
/// so that a tree without those windows says why. Notes are added as addWindowNote adds
/// them: no window, no command acts on them, each reason once.
void addUnseenWindowNotes(platform::WindowSystem& windows, platform::WindowTree& TFRM);

}  // namespace pelorus::details
