// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <sys/types.h>

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

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

/// A child whose standard output the test reads through a pipe. Ended (SIGKILL) and
/// reaped by its PID when the object goes, unless the test reaped it already.
class PipedChild {
public:
    /// Starts `argv[0]` (an absolute path, or searched in PATH). pid() <= 0 on failure.
    static PipedChild start(const std::vector<std::string>& argv);

    PipedChild() = default;
    PipedChild(PipedChild&& other) noexcept;
    /// Ends and reaps the child it held before.
    PipedChild& operator=(PipedChild&& other) noexcept;
    PipedChild(const PipedChild&) = delete;
    PipedChild& operator=(const PipedChild&) = delete;
    ~PipedChild();

    pid_t pid() const { return m_pid; }
    /// The next line of output without its newline; nullopt at the end of the output or
    /// when nothing comes for a minute (a hung helper fails the test, it does not hang it).
    std::optional<std::string> readLine();
    /// Everything up to the end of the output, then reaps the child; its wait status.
    int finish(std::string& output);
    /// SIGKILL and reap; the wait status.
    int stop();

private:
    int reap();

    pid_t m_pid = -1;
    int m_out = -1;
    bool m_reaped = true;
    bool m_ended = false;  ///< its output reached the end
    std::string m_buffer;
};

/// Splits a line at single spaces.
std::vector<std::string> words(const std::string& line);

/// The path of a helper program built beside the tests.
std::string helperPath(const char* name);

}  // namespace pelorus::testing
