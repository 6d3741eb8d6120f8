// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <memory>

#include "platform/snapshot.h"
#include "platform/types.h"

namespace pelorus::platform {

/// One process held open for the length of an opening: every question goes to the
/// process that was checked when it was opened, never to its PID number again, so a
/// newer process that takes the PID meanwhile is never described in its place. Once the
/// process has ended, its walks deliver nothing.
class OpenedProcess {
public:
    virtual ~OpenedProcess() = default;

    /// The PID it had when it was opened.
    virtual Pid pid() const = 0;

    /// The start time that was checked when it was opened.
    virtual StartTime startTime() const = 0;

    /// Whether the process still runs: its start time, read again from the process held
    /// open, still equals the one checked at opening. False once it has ended.
    virtual bool stillRunning() = 0;

    /// Whether the process was checked by its start time. False where the system refuses
    /// to tell it (on Windows a service or another user's process): the opening still
    /// shows what the system-wide snapshots give under its PID, stillRunning() then only
    /// says that a process of that PID and name is still listed, and nothing acts on it.
    virtual bool identityChecked() const { return true; }

    /// Its threads in the system's order, each with its own base priority, each thread
    /// once. A thread that ends while it is read is skipped. The walk ends by itself
    /// however fast the process starts new threads: it delivers at most twice the
    /// number the process had when it was opened (at least 64, at most 65,536), and
    /// says through cutShort() when more were listed.
    virtual std::unique_ptr<Snapshot<ThreadEntry>> threads() = 0;

    /// The files loaded into it, each once, in the order of their first mapping, read as
    /// they are asked for. Nothing when it has ended or refuses access. A walk may end at
    /// a bound of the system's backend (on Linux, the bytes it reads of the maps file);
    /// it then says so through cutShort().
    virtual std::unique_ptr<Snapshot<ModuleEntry>> modules() = 0;
};

/// The most threads one walk delivers, whatever the process does meanwhile.
inline constexpr int MaxThreadWalk = 65536;

/// The running processes, as the task list shows them.
class ProcessSource {
public:
    virtual ~ProcessSource() = default;

    /// A fresh snapshot of the running processes in the system's order (on Linux the
    /// order of /proc, ascending PID). A process that ends while the snapshot is read
    /// is left out. Never null: a snapshot that cannot be taken delivers nothing.
    virtual std::unique_ptr<Snapshot<ProcessEntry>> processes() = 0;

    /// Opens the process that now has `pid`, if it is the one that started at
    /// `startTime` (as the last refresh recorded it). Null when no such process runs,
    /// its start time cannot be read or differs (the PID now names a newer process), the
    /// PID names a thread rather than a process (a thread of another process took it, even
    /// within the same clock tick), or `pid` is below 0. On Linux no process has PID 0
    /// either.
    virtual std::unique_ptr<OpenedProcess> open(Pid pid, StartTime startTime) = 0;

    /// How this system writes paths.
    virtual PathConvention pathConvention() const = 0;
};

}  // namespace pelorus::platform
