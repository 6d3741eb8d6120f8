// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>

namespace pelorus::platform {

/// Whether a Wayland compositor takes connections on the socket at `path`. A local
/// connect is answered at once, so this never waits; a compositor that accepts and then
/// never answers is not found out here.
bool waylandCompositorAnswers(const std::string& path);

}  // namespace pelorus::platform
