// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <chrono>
#include <string>

struct xcb_connection_t;

namespace pelorus::platform {

/// How long a connection to an X server may take before the server counts as gone.
inline constexpr std::chrono::seconds kXConnectLimit{5};

/// A connection to the X server on `display` (empty: the one DISPLAY names) made within
/// `limit`, and the screen its name chooses in `screen`; null when the server refused it
/// or did not answer in time. A server that has stopped answering (a suspended one, say)
/// would hold a plain connect for ever: the attempt is then left to itself on a thread of
/// its own, and closes what it opened when it ends.
xcb_connection_t* connectWithin(const std::string& display, std::chrono::milliseconds limit,
                                int* screen = nullptr);

/// Whether an X server accepts a connection on `display` within `limit` (see
/// connectWithin).
bool xServerAnswers(const std::string& display, std::chrono::milliseconds limit);

}  // namespace pelorus::platform
