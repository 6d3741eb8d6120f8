// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>

#include "platform/processcontrol.h"

namespace pelorus::platform {

/// Ends processes through the descriptor of their /proc directory (procfs::PinnedProcess),
/// so that the process checked is the process signalled, whatever PID namespace the viewer
/// runs in: a PID is never handed to the kernel as a number. A process in a PID namespace
/// the viewer cannot see (an ancestor of its own) is refused by the kernel (EINVAL) and its
/// row left alone (OutOfReach).
class PidfdProcessControl final : public ProcessControl {
public:
    /// `procRoot`: the /proc tree the task list was read from.
    explicit PidfdProcessControl(std::string procRoot = "/proc");

    /// InvalidPid for pid <= 0 (nothing is looked up or signalled); NoSuchProcess when
    /// no process has the PID in the /proc tree or it ends meanwhile; Replaced when its
    /// start time differs from `startTime` or cannot be read, or the PID names a thread of
    /// another process (nothing is signalled);
    /// OutOfReach when it lives in a PID namespace the viewer cannot signal into;
    /// NotPermitted when the system refuses the SIGKILL; else Terminated. The descriptor
    /// is always closed.
    TerminateResult terminate(Pid pid, StartTime startTime) override;

private:
    std::string m_procRoot;
};

}  // namespace pelorus::platform
