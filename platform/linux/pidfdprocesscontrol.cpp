// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/pidfdprocesscontrol.h"

#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>

#include "platform/linux/procfsfiles.h"

namespace pelorus::platform {
namespace {

// Debian 12's glibc has no wrappers for these two; the syscall numbers are the same on
// every architecture since the unified table.
#ifndef SYS_pidfd_open
constexpr long SYS_pidfd_open = 434;
#endif
#ifndef SYS_pidfd_send_signal
constexpr long SYS_pidfd_send_signal = 424;
#endif

int pidfdOpen(Pid pid) {
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0U));
}

/// ESRCH: the process has ended; every other refusal is the system's.
TerminateResult failure(int error) {
    return error == ESRCH ? TerminateResult::NoSuchProcess : TerminateResult::NotPermitted;
}

int pidfdSendSignal(int pidfd, int signal) {
    return static_cast<int>(::syscall(SYS_pidfd_send_signal, pidfd, signal, nullptr, 0U));
}

}  // namespace

PidfdProcessControl::PidfdProcessControl(ProcessSource& startTimes) : m_startTimes(startTimes) {}

TerminateResult PidfdProcessControl::terminate(Pid pid, StartTime startTime) {
    // kill(0) and kill(-1) reach whole process groups: never let such a value through.
    if (pid <= 0)
        return TerminateResult::InvalidPid;

    const procfs::UniqueFd pidfd(pidfdOpen(pid));
    if (!pidfd.valid())
        return failure(errno);
    const auto current = m_startTimes.startTime(pid);
    if (!current || *current != startTime)
        return TerminateResult::Replaced;

    if (pidfdSendSignal(pidfd.get(), SIGKILL) != 0)
        return failure(errno);
    return TerminateResult::Terminated;
}

}  // namespace pelorus::platform
