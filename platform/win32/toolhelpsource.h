// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <optional>

#include "platform/processsource.h"

namespace pelorus::platform::win32 {

/// Processes, threads and modules from Tool Help snapshots, each snapshot handle closed when
/// its walk is destroyed; paths come in the system's 8-bit code page and are handed on as
/// UTF-8. An opened process holds a handle to the process for the length of the opening, so
/// the thread and module snapshots, taken by PID, describe the opened process or one that
/// has ended, never a newer one under its number.
class ToolHelpSource final : public ProcessSource {
public:
    /// CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0), PROCESSENTRY32 of 296 bytes (304
    /// in the 64-bit build). Each entry's start time is the creation time that a handle
    /// opened while the walk reads the entry tells, if that process was created before the
    /// snapshot was taken; else 0 (the process refuses the query, has ended, or a newer
    /// process has taken its PID since the snapshot).
    std::unique_ptr<Snapshot<ProcessEntry>> processes() override;
    /// Opens the process with a query handle when its creation time is `startTime`. A
    /// process that refuses the query and whose start time was unknown at the refresh is
    /// opened unchecked (identityChecked() false) while the snapshot lists its PID.
    /// Its threads: CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, pid), THREADENTRY32 of 28
    /// bytes, the threads of the whole system each with its owner (the opening keeps
    /// those of the process); a snapshot is a fixed list, so the walk ends by itself. Its
    /// modules: CreateToolhelp32Snapshot(TH32CS_SNAPMODULE, pid), MODULEENTRY32 of 548
    /// bytes (568 in the 64-bit build).
    std::unique_ptr<OpenedProcess> open(Pid pid, StartTime startTime) override;
    /// Backslash and lower case.
    PathConvention pathConvention() const override { return kWindowsPaths; }

    /// The creation time (GetProcessTimes) of the process that now has `pid`; nullopt when
    /// it cannot be read or the process has ended.
    std::optional<StartTime> startTime(Pid pid);
};

/// Whether an open process has ended: its object lives on while any handle to it is open,
/// so opening a PID does not tell that the process still runs.
bool hasEnded(void* process);

/// The creation time of an open process as one 64-bit number of 100 ns units; nullopt
/// when the system does not tell it.
std::optional<StartTime> creationTime(void* process);

/// What an open process is, against the start time a row recorded: the check that the
/// opening, its still-running check and Kill share.
enum class Identity {
    Same,   ///< it runs and was created at that time
    Ended,  ///< it has ended
    Other,  ///< it was created at another time, or the system does not tell when
};
Identity identityOf(void* process, StartTime startTime);

}  // namespace pelorus::platform::win32
