// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/pinnedprocess.h"

#include <fcntl.h>

#include <cerrno>
#include <utility>

#include "platform/linux/procfsparse.h"

namespace pelorus::platform::procfs {
namespace {

Failed<PinFailure> ended() {
    return Failed{PinFailure{PinFailure::Ended}};
}

Failed<PinFailure> replaced() {
    return Failed{PinFailure{PinFailure::Replaced}};
}

/// A file of the directory could not be read: the process has gone, or something else
/// keeps it from being checked.
Failed<PinFailure> unreadable(int error) {
    return error == ESRCH || error == ENOENT ? ended() : replaced();
}

}  // namespace

PinnedProcess::PinnedProcess(UniqueFd directory, Pid pid, StartTime startTime,
                             std::int32_t threadCount)
    : m_directory(std::move(directory)),
      m_pid(pid),
      m_startTime(startTime),
      m_threadCount(threadCount) {}

Result<PinnedProcess, PinFailure> PinnedProcess::pin(const std::string& procRoot, Pid pid,
                                                     StartTime startTime) {
    if (pid <= 0)
        return ended();
    const auto root = openDirectoryAt(AT_FDCWD, procRoot.c_str());
    if (!root)
        return ended();  // a tree that cannot be opened lists no process
    auto directory = openDirectoryAt(root->get(), std::to_string(pid).c_str());
    if (!directory) {
        const int error = directory.error();
        if (error == ENOENT || error == ESRCH)
            return ended();
        return Failed{PinFailure{PinFailure::Refused, error}};
    }
    // Read through the descriptor opened first: a process that takes the PID after this
    // check is never reached.
    const auto statText = readRecordAt(directory->get(), "stat");
    if (!statText)
        return unreadable(statText.error());
    const auto stat = parseStat(*statText);
    if (!stat || stat->startTime != startTime)
        return replaced();
    // A thread's directory opens under its TID too, though the root does not list it: a PID
    // that a thread of another process has taken opens as that thread. A signal through it
    // would end the whole process it belongs to.
    const auto leader = isThreadGroupLeader(directory->get());
    if (!leader)
        return unreadable(leader.error());
    if (!*leader)
        return replaced();
    return PinnedProcess(std::move(*directory), pid, startTime, stat->threadCount);
}

bool PinnedProcess::stillRunning() const {
    const auto statText = readRecordAt(m_directory.get(), "stat");
    const auto stat = statText ? parseStat(*statText) : std::nullopt;
    return stat && stat->startTime == m_startTime;
}

}  // namespace pelorus::platform::procfs
