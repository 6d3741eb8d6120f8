// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/pidfdprocesscontrol.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/linux/pinnedprocess.h"

namespace pelorus::platform {
namespace {

// Debian 12's glibc has no wrapper for it; the syscall number is the same on every
// architecture since the unified table.
#ifndef SYS_pidfd_send_signal
constexpr long SYS_pidfd_send_signal = 424;
#endif

// It takes a /proc directory's descriptor as a pidfd: the one the process was pinned by.
int pidfdSendSignal(int pidfd, int signal) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0U));
}

/// What a refused open of its directory or a failed signal means for the row.
TerminateResult failure(int error) {
    switch (error) {
        case ENOENT:
        case ESRCH:
            return TerminateResult::NoSuchProcess;
        case EINVAL:
            return TerminateResult::OutOfReach;
        default:
            return TerminateResult::NotPermitted;
    }
}

/// What a process that could not be pinned means for the row.
TerminateResult unpinned(procfs::PinFailure pin) {
    switch (pin.reason) {
        case procfs::PinFailure::Ended:
            return TerminateResult::NoSuchProcess;
        case procfs::PinFailure::Replaced:
            return TerminateResult::Replaced;
        case procfs::PinFailure::Refused:
            break;
    }
    return failure(pin.error);
}

}  // namespace

PidfdProcessControl::PidfdProcessControl(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

TerminateResult PidfdProcessControl::terminate(Pid pid, StartTime startTime) {
    // kill(0) and kill(-1) reach whole process groups: never let such a value through.
    if (pid <= 0)
        return TerminateResult::InvalidPid;

    // The rows come from a /proc tree, whose PIDs are those of the PID namespace it was
    // mounted for; the viewer may run in another (under `unshare -pf` without a /proc of
    // its own), where the number names another process or none. So the process is pinned in
    // that same tree and signalled through its descriptor: that ends exactly the rows the
    // viewer can reach (its own namespace's and those below it, which a /proc from further up
    // lists under other numbers) and refuses the others, where their numbers would reach
    // whatever process they name here. Comparing the viewer's namespace with /proc's and
    // refusing every row where they differ would refuse more, and its second look-up could
    // itself race with the PID being taken again.
    const auto process = procfs::PinnedProcess::pin(m_procRoot, pid, startTime);
    if (!process)
        return unpinned(process.error());
    if (pidfdSendSignal(process->descriptor(), SIGKILL) != 0)
        return failure(errno);
    return TerminateResult::Terminated;
}

}  // namespace pelorus::platform
