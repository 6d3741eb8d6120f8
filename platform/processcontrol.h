// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/types.h"

namespace pelorus::platform {

/// What became of a termination request. The viewer reports none of these to the user;
/// they exist for the tests and for whoever reads the code.
enum class TerminateResult {
    Terminated,     ///< the signal was delivered
    NoSuchProcess,  ///< the process had already ended
    Replaced,       ///< the PID now names a newer process: left alone
    NotPermitted,   ///< the system refused
    OutOfReach,     ///< it lives in a PID namespace the viewer cannot signal into
    InvalidPid,     ///< 0 or below: never signalled (it would reach whole process groups)
};

/// Ends processes.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;

    /// Ends process `pid` at once, but only if it is still the process that started at
    /// `startTime` (as the last refresh recorded it); otherwise the PID was taken by a
    /// newer process and nothing is signalled. Never throws, never blocks.
    virtual TerminateResult terminate(Pid pid, StartTime startTime) = 0;
};

}  // namespace pelorus::platform
