// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <future>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "platform/processsource.h"

namespace pelorus::testing {

/// A directory of its own under the system's temp folder, removed with its content.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }

private:
    std::filesystem::path m_path;
};

/// Splits a line at single spaces.
std::vector<std::string> words(const std::string& line);

/// The path of a helper program built beside the tests.
std::string helperPath(const char* name);

/// The row that a refresh over `source` gives process `pid`; a row with PID 0 if none.
platform::ProcessEntry rowOf(platform::ProcessSource& source, platform::Pid pid);

/// The kernel's name of process `pid` (/proc/PID/comm), without its line feed.
std::string commOf(pid_t pid);

/// Field 22 of /proc/ID/stat (a process's or a thread's), split by hand rather than by the
/// parser under test; nullopt when it cannot be read.
std::optional<platform::StartTime> startTimeOf(pid_t id);

/// A thread of the test's own process that waits until it goes. /proc opens its TID as a
/// directory though the root does not list it; its status names the test's process as
/// its thread group.
class WaitingThread {
public:
    WaitingThread();
    ~WaitingThread();
    WaitingThread(const WaitingThread&) = delete;
    WaitingThread& operator=(const WaitingThread&) = delete;

    pid_t tid() const { return m_tid; }

private:
    // Both outlive the thread: it is joined before they go.
    std::promise<pid_t> m_started;
    std::promise<void> m_release;
    std::thread m_thread;
    pid_t m_tid = 0;
};

}  // namespace pelorus::testing
