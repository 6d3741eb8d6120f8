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

    const auto process = procfs::PinnedProcess::pin(m_procRoot, pid, startTime);
    if (!process)
        return unpinned(process.error());
    if (pidfdSendSignal(process->descriptor(), SIGKILL) != 0)
        return failure(errno);
    return TerminateResult::Terminated;
}

}  // namespace pelorus::platform
