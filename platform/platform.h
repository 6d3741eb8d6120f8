// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <memory>
#include <string>

#include "platform/processcontrol.h"
#include "platform/processsource.h"
#include "platform/windowsystem.h"

namespace pelorus::platform {

/// Everything the viewer asks of the operating system, behind the small interfaces of
/// this folder. The forms get one of these at start-up and never name a backend.
class Platform {
public:
    virtual ~Platform() = default;
    virtual ProcessSource& processSource() = 0;
    virtual ProcessControl& processControl() = 0;
    virtual WindowSystem& windowSystem() = 0;
};

/// The backends of this system, as platform/native picks them: on Linux /proc and pidfd,
/// with X11, a sway compositor or both for windows (platform/README.md); on Windows Tool
/// Help, process handles and user32. No window system connects before its first question.
std::unique_ptr<Platform> makeNativePlatform();

/// A backend that knows no process and no window: runs anywhere, ends nothing.
std::unique_ptr<Platform> makeNullPlatform();

/// Whether the desktops that the session names answer before any window opens (Linux):
/// an X server on `display` within the time a connection is given, a Wayland compositor
/// on the socket at `path`.
bool xDisplayAnswers(const std::string& display);
bool waylandSocketAnswers(const std::string& path);

}  // namespace pelorus::platform
