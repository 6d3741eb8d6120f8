// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstdint>
#include <string>

#include "platform/linux/procfsfiles.h"
#include "platform/types.h"

namespace pelorus::platform::procfs {

/// Why no process was pinned.
struct PinFailure {
    enum Reason {
        Ended,     ///< no process has the PID in the tree (or the tree cannot be opened), or it
                   ///< ended while it was checked
        Replaced,  ///< its start time differs or cannot be read, or the PID names a thread
        Refused,   ///< its directory could not be opened for another reason: `error`
    };
    Reason reason;
    /// The errno of the refused open; 0 for the other reasons.
    int error = 0;
};

/// One process pinned by the descriptor of its /proc directory and checked through it: the
/// opening, its still-running check and Kill all ask this one place. Once that process has
/// ended, reads through the descriptor fail (ESRCH) even if a newer process has taken the
/// PID, so what passed the check is what every later read and the signal reach. Two
/// processes that take one PID within the same clock tick (equal start times) are one.
class PinnedProcess {
public:
    /// Opens directory `pid` of the /proc tree at `procRoot`, reads stat through it and
    /// pins it if its start time is `startTime` and its status names it as its own thread
    /// group. A PID of 0 or below is never looked up: Ended. A stat or status that cannot be
    /// read means Ended when the process has gone (ESRCH, ENOENT), else Replaced.
    static Result<PinnedProcess, PinFailure> pin(const std::string& procRoot, Pid pid,
                                                 StartTime startTime);

    /// Whether it is still the process that was pinned: its stat, read again through the
    /// descriptor, gives the start time checked at pinning. False once it has ended.
    bool stillRunning() const;

    /// The descriptor of its /proc directory: to read its files from, and its pidfd.
    int descriptor() const { return m_directory.get(); }
    Pid pid() const { return m_pid; }
    StartTime startTime() const { return m_startTime; }
    /// How many threads it had when it was pinned.
    std::int32_t threadCount() const { return m_threadCount; }

private:
    PinnedProcess(UniqueFd directory, Pid pid, StartTime startTime, std::int32_t threadCount);

    UniqueFd m_directory;
    Pid m_pid;
    StartTime m_startTime;
    std::int32_t m_threadCount;
};

}  // namespace pelorus::platform::procfs
