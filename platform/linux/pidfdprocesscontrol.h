// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <string>

#include "platform/processcontrol.h"

namespace pelorus::platform {

/// Ends processes through the descriptor of their /proc directory (procfs::PinnedProcess),
/// so that the process checked is the process signalled, whatever PID namespace the viewer
/// runs in.
///
/// The rows of the task list come from a /proc tree, whose PIDs are those of the PID
/// namespace that tree was mounted for. The viewer may run in another one (started under
/// `unshare -pf` without a /proc of its own): there a PID number names another process,
/// or none. So the number is never handed to the kernel as a number: the process is
/// pinned in that same /proc tree and the signal goes through its descriptor. The
/// kernel refuses the signal (EINVAL) when that process lives in a PID namespace the
/// viewer cannot see: an ancestor of its own. The row is then left alone, where sending
/// its number would have reached whatever process the number names in the viewer's
/// namespace. This was chosen over comparing the viewer's PID namespace with that of
/// /proc and refusing every row where they differ: the descriptor ends exactly the rows
/// the viewer can reach (those of its own namespace and of namespaces below it, which a
/// /proc from further up lists under other numbers), refuses only the others, and needs
/// no second look-up that could itself race with the PID being taken again.
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
