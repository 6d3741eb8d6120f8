// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <chrono>
#include <string>

namespace pelorus::platform {

/// How long a connection to an X server may take before the server counts as gone.
inline constexpr std::chrono::seconds kXConnectLimit{5};

/// Whether an X server accepts a connection on `display` (empty: the one DISPLAY names)
/// within `limit`. A server that has stopped answering (a suspended one, say) would hold
/// a plain connect for ever; the attempt is then left to itself and the answer is no.
bool xServerAnswers(const std::string& display, std::chrono::milliseconds limit);

}  // namespace pelorus::platform
