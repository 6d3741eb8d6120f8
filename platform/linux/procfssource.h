// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <memory>
#include <optional>
#include <string>

#include "platform/processsource.h"

namespace pelorus::platform {

/// Processes, threads and modules read from a /proc tree. The root is a parameter so
/// that tests can point it at a tree of their own; every read is relative to it.
///
/// Each process is read through one descriptor of its own directory, opened once, so
/// that the fields of one entry cannot come from two processes that shared a PID. An
/// entry whose stat file cannot be read or parsed (the process ended, the entry is not a
/// process) is left out; that is the one way an entry is dropped.
class ProcfsSource final : public ProcessSource, public ThreadSource, public ModuleSource {
public:
    explicit ProcfsSource(std::string procRoot = "/proc");

    /// The numeric entries of the root in the order the directory lists them, read one
    /// by one as next() is called. Path text: the exe link; when the link is absent or
    /// unreadable by right, the first string of cmdline (of its first 4 KiB) if it is an
    /// absolute path, else comm if cmdline is not empty, else "[comm]"; when reading the
    /// link fails otherwise, comm. Base priority of the main thread; start time from stat.
    /// An unreadable or empty root delivers nothing.
    std::unique_ptr<Snapshot<ProcessEntry>> processes() override;

    /// Field 22 of the process's stat file; nullopt for pid <= 0 or when it cannot be read.
    std::optional<StartTime> startTime(Pid pid) override;

    /// Linux paths: '/', case kept.
    PathConvention pathConvention() const override;

    /// The entries of PID/task in directory order, each with the base priority of its
    /// own stat file. A thread whose stat cannot be read (it ended) is skipped. Nothing
    /// for pid <= 0 or a process that has gone.
    std::unique_ptr<Snapshot<ThreadEntry>> threads(Pid pid) override;

    /// The files mapped by process `pid` (read from PID/maps at once), each once, in the
    /// order of their first mapping. Pid 0 reads the viewer's own maps (self) and gives
    /// its entries the viewer's PID. Nothing when the maps cannot be read.
    std::unique_ptr<Snapshot<ModuleEntry>> modules(Pid pid) override;

private:
    std::string m_procRoot;
};

}  // namespace pelorus::platform
