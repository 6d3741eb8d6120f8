// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/processcontrol.h"
#include "platform/processsource.h"

namespace pelorus::platform {

/// Ends processes through a pidfd, so that the process checked is the process signalled.
///
/// The order matters: the pidfd is opened first and pins the process behind the PID;
/// the start time is read after that. If it still equals the recorded one, the pinned
/// process is the listed one, and the signal through the pidfd cannot reach a newer
/// process that takes the PID later. Two processes that take one PID within the same
/// clock tick have equal start times and cannot be told apart.
class PidfdProcessControl final : public ProcessControl {
public:
    /// `startTimes` answers the start-time question; it must outlive this object.
    explicit PidfdProcessControl(ProcessSource& startTimes);

    /// InvalidPid for pid <= 0 (nothing is looked up or signalled); NoSuchProcess when
    /// no process has the PID; Replaced when its start time differs from `startTime` or
    /// cannot be read (nothing is signalled); NotPermitted when the system refuses the
    /// SIGKILL; else Terminated. The pidfd is always closed.
    TerminateResult terminate(Pid pid, StartTime startTime) override;

private:
    ProcessSource& m_startTimes;
};

}  // namespace pelorus::platform
