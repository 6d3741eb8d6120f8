// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <memory>
#include <optional>

#include "platform/snapshot.h"
#include "platform/types.h"

namespace pelorus::platform {

/// The running processes, as the task list shows them.
class ProcessSource {
public:
    virtual ~ProcessSource() = default;

    /// A fresh snapshot of the running processes in the system's order (on Linux the
    /// order of /proc, ascending PID). A process that ends while the snapshot is read
    /// is left out. Never null: a snapshot that cannot be taken delivers nothing.
    virtual std::unique_ptr<Snapshot<ProcessEntry>> processes() = 0;

    /// The start time of the process that now has `pid`; nullopt when no such process
    /// runs or its start time cannot be read.
    virtual std::optional<StartTime> startTime(Pid pid) = 0;

    /// How this system writes paths.
    virtual PathConvention pathConvention() const = 0;
};

/// The threads of one process, for the detail list.
class ThreadSource {
public:
    virtual ~ThreadSource() = default;

    /// The threads of process `pid` in the system's order, each with its own base
    /// priority. A thread that ends while it is read is skipped. Never null: a process
    /// that has gone delivers nothing.
    virtual std::unique_ptr<Snapshot<ThreadEntry>> threads(Pid pid) = 0;
};

/// The loaded modules (files) of one process, for the detail list.
class ModuleSource {
public:
    virtual ~ModuleSource() = default;

    /// The files loaded into process `pid`, each once, in the order of their first
    /// mapping. Never null: a process that has gone or refuses access delivers nothing.
    /// Pid 0 stands for the viewer itself, whose entries then carry its own PID.
    virtual std::unique_ptr<Snapshot<ModuleEntry>> modules(Pid pid) = 0;
};

}  // namespace pelorus::platform
