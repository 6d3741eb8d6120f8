// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <optional>

#include "platform/processsource.h"

namespace pelorus::testing {

/// The start time a process snapshot of `source` records for `pid`, as a refresh would;
/// nullopt when the snapshot does not list it.
inline std::optional<platform::StartTime> startTimeOf(platform::ProcessSource& source,
                                                      platform::Pid pid) {
    auto snapshot = source.processes();
    platform::ProcessEntry entry;
    while (snapshot->next(entry)) {
        if (entry.pid == pid)
            return entry.startTime;
    }
    return std::nullopt;
}

}  // namespace pelorus::testing
