// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/pidfdprocesscontrol.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <cerrno>
#include <utility>

#include "platform/linux/procfsfiles.h"
#include "platform/linux/procfsparse.h"

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

/// What a failed open, read or signal means for the row.
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

/// Whether a read through the directory failed because its process has gone.
bool gone(int error) {
    return error == ESRCH || error == ENOENT;
}

}  // namespace

PidfdProcessControl::PidfdProcessControl(std::string procRoot) : m_procRoot(std::move(procRoot)) {}

TerminateResult PidfdProcessControl::terminate(Pid pid, StartTime startTime) {
    // kill(0) and kill(-1) reach whole process groups: never let such a value through.
    if (pid <= 0)
        return TerminateResult::InvalidPid;

    const auto root = procfs::openDirectoryAt(AT_FDCWD, m_procRoot.c_str());
    if (!root)
        return TerminateResult::NoSuchProcess;
    const auto process = procfs::openDirectoryAt(root->get(), std::to_string(pid).c_str());
    if (!process)
        return failure(process.error());
    const auto statText = procfs::readRecordAt(process->get(), "stat");
    if (!statText)
        return gone(statText.error()) ? TerminateResult::NoSuchProcess : TerminateResult::Replaced;
    const auto stat = procfs::parseStat(*statText);
    if (!stat || stat->startTime != startTime)
        return TerminateResult::Replaced;
    // The directory of a thread that took the PID would pass on the signal to the whole
    // process the thread belongs to.
    const auto leader = procfs::isThreadGroupLeader(process->get());
    if (!leader)
        return gone(leader.error()) ? TerminateResult::NoSuchProcess : TerminateResult::Replaced;
    if (!*leader)
        return TerminateResult::Replaced;

    if (pidfdSendSignal(process->get(), SIGKILL) != 0)
        return failure(errno);
    return TerminateResult::Terminated;
}

}  // namespace pelorus::platform
