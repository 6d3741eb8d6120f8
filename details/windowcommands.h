// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>
#include <string_view>

#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"

namespace pelorus::details {

/// The window handle in a node key: the key from its second character on, read as an
/// unsigned hexadecimal number up to the first non-digit; no digits give 0.
platform::WindowHandle HandleFromKey(std::string_view key);

/// Shows (visible, restored when minimised, raised) or hides the window of a node key.
void SetWindowShown(platform::WindowSystem& windows, const std::string& Key, bool Show);

/// The window commands of the buttons under the tree: Show, Hide, Show all, Hide all;
/// any other button does nothing. The main form is hidden for the duration of each
/// command and shown (and active) again afterwards.
void RunWindowCommand(platform::ButtonIndex command, platform::WindowTree& TFRM,
                      platform::WindowSystem& windows, platform::Form& frmMain);

}  // namespace pelorus::details
