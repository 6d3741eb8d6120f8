// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <memory>
#include <string>

#include "platform/processsource.h"

namespace pelorus::platform {

/// The most of a maps file that one module walk reads: 32 MiB. The kernel writes up to
/// 65,530 mappings into it, each line up to about 4 KiB long with its path; the files of a
/// real process take well under a megabyte. A walk that reaches the bound ends there, cut
/// short, so a process that maps one long path tens of thousands of times costs a read of
/// this much at most, never of the hundreds of megabytes it could make the file.
inline constexpr std::size_t MaxMapsBytes = 32 * 1024 * 1024;

/// Processes read from a /proc tree (a parameter, so that tests can point it at a tree of
/// their own; every read is relative to it). Each process is read through one descriptor of
/// its own directory, opened once, so the fields of one entry cannot come from two processes
/// that shared a PID. An entry whose stat file cannot be read or parsed (the process ended,
/// the entry is not a process) is left out; that is the one way an entry is dropped.
class ProcfsSource final : public ProcessSource {
public:
    explicit ProcfsSource(std::string procRoot = "/proc");

    /// The numeric entries of the root in the order the directory lists them, read one
    /// by one as next() is called. Path text: the exe link; when the link is absent or
    /// unreadable by right, the first string of cmdline (of its first 4 KiB) if it is an
    /// absolute path, else comm if cmdline is not empty, else "[comm]"; when reading the
    /// link fails otherwise, comm. Base priority of the main thread; start time from stat.
    /// An unreadable or empty root delivers nothing.
    std::unique_ptr<Snapshot<ProcessEntry>> processes() override;

    /// Pins the process in the root (procfs::PinnedProcess); everything the opened process
    /// answers later is read through that same descriptor.
    std::unique_ptr<OpenedProcess> open(Pid pid, StartTime startTime) override;

    /// Linux paths: '/', case kept.
    PathConvention pathConvention() const override;

private:
    std::string m_procRoot;
};

}  // namespace pelorus::platform
