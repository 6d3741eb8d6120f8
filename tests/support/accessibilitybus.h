// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <memory>
#include <string>

#include "tests/support/xserver.h"

namespace pelorus::testing {

/// The accessibility bus of a desktop session, made private to a test: a session bus of
/// its own (no services started on demand), the accessibility bus launcher on it, which
/// starts the accessibility bus, the registry on that bus, and the flag a screen reader
/// sets when it starts. Qt 6.4 joins the accessibility bus only when the launcher is on
/// the session bus and says a screen reader is on (it reads the flag once, when its bridge
/// starts), so this must be up before the QApplication. Everything started here is ended
/// by its PID when the object goes.
class AccessibilityBus {
public:
    /// `display` is the private X server's (the launcher publishes the bus on it as on a
    /// desktop). Null when a part cannot be started.
    static std::unique_ptr<AccessibilityBus> start(const std::string& display);
    ~AccessibilityBus();
    AccessibilityBus(const AccessibilityBus&) = delete;
    AccessibilityBus& operator=(const AccessibilityBus&) = delete;

    /// For DBUS_SESSION_BUS_ADDRESS.
    const std::string& sessionAddress() const { return m_sessionAddress; }
    /// The accessibility bus, as the launcher hands it out.
    const std::string& address() const { return m_address; }

private:
    AccessibilityBus() = default;

    std::string m_directory;  ///< the session bus's configuration and the launcher's runtime
    std::string m_sessionAddress;
    std::string m_address;
    ChildProcess m_session;
    ChildProcess m_launcher;
    ChildProcess m_registry;
};

}  // namespace pelorus::testing
