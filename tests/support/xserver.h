// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <sys/types.h>

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace pelorus::testing {

/// Polls `condition` every few milliseconds until it holds (true) or `milliseconds`
/// pass (false). For waiting on other processes and servers; never a timing assertion.
bool PollUntil(const std::function<bool()>& condition, int milliseconds = 10000);

/// A child process started by a test and ended by it, by its PID.
class ChildProcess {
public:
    /// Starts `argv[0]` (searched in PATH) with `argv`; extra environment entries
    /// ("NAME=value") are added to the test's own. Returns a process with pid() <= 0
    /// when it could not be started.
    static ChildProcess start(const std::vector<std::string>& argv,
                              const std::vector<std::string>& extraEnvironment = {});
    /// The same, with the child's standard output on a pipe that the test reads.
    static ChildProcess startPiped(const std::vector<std::string>& argv);
    /// The same, with the child's standard input on a pipe too, for a child that takes
    /// commands a line at a time (writeLine) and answers on its output.
    static ChildProcess startConversing(const std::vector<std::string>& argv,
                                        const std::vector<std::string>& extraEnvironment = {});

    ChildProcess() = default;
    ChildProcess(ChildProcess&& other) noexcept;
    ChildProcess& operator=(ChildProcess&& other) noexcept;
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;
    /// Ends the process (SIGKILL) unless it was reaped already, and reaps it.
    ~ChildProcess();

    pid_t pid() const { return m_pid; }
    /// Sends `signal` and reaps the process; returns its wait status.
    int stop(int signal = 9);
    /// Reaps the process if it has ended; true when it has.
    bool reapIfEnded();
    /// Waits up to `milliseconds` for the process to end and reaps it.
    bool waitForEnd(int milliseconds);
    /// Asks the process to end (SIGTERM), and ends it outright (SIGKILL) when it has not
    /// ended after `milliseconds`; reaps it either way.
    void end(int milliseconds = 5000);

    /// Piped output: the next line without its newline; nullopt at the end of the output
    /// or when nothing comes for a minute (a hung child fails the test, it does not hang it).
    std::optional<std::string> readLine();
    /// Piped output: the next line if a whole one has come, reading only what is there
    /// already; never waits. For a test that waits in its own event loop (outputFd).
    std::optional<std::string> takeLine();
    /// The read end of the output pipe, -1 when not piped.
    int outputFd() const { return m_out; }
    /// Piped input: writes `line` and a newline; false when the child no longer reads.
    bool writeLine(const std::string& line);
    /// Piped output: everything up to its end into `output`, then reaps the process (a
    /// child that stopped talking without ending is ended); its wait status.
    int finish(std::string& output);

private:
    static ChildProcess spawn(const std::vector<std::string>& argv,
                              const std::vector<std::string>& extraEnvironment, int outputFd,
                              int inputFd = -1);
    void release();
    /// Reads what the output pipe holds into the buffer, waiting up to `milliseconds` for
    /// something to come; false at the end of the output or when nothing came.
    bool fill(int milliseconds);

    pid_t m_pid = -1;
    bool m_reaped = true;
    int m_out = -1;        ///< the read end of the output pipe, -1 when not piped
    int m_in = -1;         ///< the write end of the input pipe, -1 when not piped
    bool m_ended = false;  ///< the output reached its end
    std::string m_buffer;
};

/// The window managers the X tests run under: none, and managers that reparent and place
/// windows each in their own way (see platform/x11/windowmanager.h).
enum class WindowManager { None, Openbox, Icewm, Fluxbox };

/// The manager's name, for test names ("NoManager", "Openbox", ...).
const char* managerName(WindowManager manager);

/// A private X server (Xvfb, on a display number it chooses itself), optionally with a
/// window manager. Both are ended by their PID when the object goes.
class XServer {
public:
    /// Starts Xvfb with -displayfd and the manager, waiting until the manager manages
    /// new windows. With `listenTcp` the server also takes clients over TCP
    /// (localhost:N). Null when Xvfb or the manager cannot be started.
    static std::unique_ptr<XServer> start(WindowManager manager, bool listenTcp = false);
    /// None or openbox.
    static std::unique_ptr<XServer> start(bool withWindowManager) {
        return start(withWindowManager ? WindowManager::Openbox : WindowManager::None);
    }
    ~XServer();

    /// ":N", for DISPLAY or xcb_connect.
    const std::string& display() const { return m_display; }
    /// "localhost:N": the same server over TCP (started with `listenTcp` only).
    std::string tcpDisplay() const { return "localhost" + m_display; }
    pid_t serverPid() const { return m_server.pid(); }
    /// Ends the server at once (for tests of a server that goes away). Its display number
    /// stays taken until this object goes, so that no server started meanwhile (by a test
    /// running in parallel) answers there; false when one took it first.
    bool kill();

private:
    XServer() = default;
    std::string m_display;
    ChildProcess m_server;
    ChildProcess m_manager;
    /// The socket that holds the display's address after kill(), or -1.
    int m_reservation = -1;
    /// The lock file that kill() wrote, empty when it wrote none.
    std::string m_lockFile;
};

/// A run of the X test client (tests/x11/testclient.cpp) and the windows it made.
struct WindowClient {
    ChildProcess process;
    std::map<std::string, unsigned long> ids;  ///< each window's id by the client's name for it
    bool named = false;                        ///< whether the client named its windows in time
};

/// Starts the X test client `program` as `program MODE FILE ARGUMENTS...` on `display`
/// (the inherited one when empty) and waits up to `milliseconds` for FILE, in which the
/// client names each window it made ("NAME HEXID"). No ids when it named none in time.
WindowClient startWindowClient(const std::string& program, const std::string& mode,
                               const std::vector<std::string>& arguments,
                               const std::string& display = {}, int milliseconds = 60000);

}  // namespace pelorus::testing
