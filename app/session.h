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

/// Chooses where the window opens. `xServerAnswers`(display) is asked only when the
/// choice depends on it.
SessionChoice chooseSession(const SessionEnvironment& session,
                            const std::function<bool(const std::string&)>& xServerAnswers);

}  // namespace pelorus::app
