// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
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

}  // namespace pelorus::testing
