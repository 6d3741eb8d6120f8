// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <functional>
#include <string>

namespace pelorus::app {

/// What decides where the window can open, read before Qt is started.
struct SessionEnvironment {
    /// The Qt platforms asked for (QT_QPA_PLATFORM or -platform, which wins), ";"-separated;
    /// empty when Qt chooses by itself.
    std::string platform;
    /// The X server (DISPLAY or -display, which wins); empty when none is named.
    std::string display;
    /// WAYLAND_DISPLAY; empty when not set.
    std::string waylandDisplay;
    /// XDG_RUNTIME_DIR, where a Wayland socket named by a relative name lies; empty when
    /// not set.
    std::string runtimeDirectory;
    /// Whether Qt's Wayland platform plugin is installed.
    bool waylandPlatformInstalled = false;
};

/// The environment of this process with the Qt options of its command line.
SessionEnvironment readSessionEnvironment(int argc, char** argv);

/// Where the window opens. Without a check here, Qt aborts when it finds no display, with
/// a message that advises reinstalling the program.
struct SessionChoice {
    /// The Qt platform to ask for, when Qt would not find it by itself; empty to let Qt
    /// choose.
    std::string platform;
    /// When no platform can open the window: the message for standard error, saying what is
    /// missing and how to get a graphical session. Empty otherwise.
    std::string missing;
};

/// The socket of the Wayland compositor that Qt's Wayland platform would connect to:
/// WAYLAND_DISPLAY ("wayland-0" when not set) in XDG_RUNTIME_DIR, or WAYLAND_DISPLAY itself
/// when it is an absolute path.
std::string waylandSocket(const SessionEnvironment& session);

/// Chooses where the window opens. `xServerAnswers`(display) and
/// `compositorAnswers`(waylandSocket) are asked only when the choice depends on them: a
/// Wayland platform asked for without a compositor would make Qt abort as well.
SessionChoice chooseSession(const SessionEnvironment& session,
                            const std::function<bool(const std::string&)>& xServerAnswers,
                            const std::function<bool(const std::string&)>& compositorAnswers);

}  // namespace pelorus::app
