// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Processes that end at the worst moment: between the read of the /proc directory and
// the reads of their files, and between the identity check of a kill and its signal.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/ptrace.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include "platform/linux/procfssource.h"
#include "platform/processcontrol.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {
namespace {

using platform::Pid;
using platform::TerminateResult;

ChildProcess startSleeper() {
    return ChildProcess::start({"sleep", "1000"});
}

TEST(ProcfsEndings, ProcessesEndedAfterTheDirectoryReadAreLeftOutAndTheWalkGoesOn) {
    std::vector<ChildProcess> doomed;
    for (int i = 0; i < 20; ++i) {
        doomed.push_back(startSleeper());
        ASSERT_GT(doomed.back().pid(), 0);
    }
    ChildProcess survivor = startSleeper();
    ASSERT_GT(survivor.pid(), 0);

    platform::ProcfsSource source;
    auto walk = source.processes();
    platform::ProcessEntry entry;
    // The first entry reads the directory: one read holds the names of every process
    // unless the system runs over a thousand, so the sleepers' names are read while they
    // still run, and their files only after they have ended and been reaped.
    ASSERT_TRUE(walk->next(entry));
    std::set<Pid> listed{entry.pid};
    for (ChildProcess& child : doomed)
        child.stop(SIGKILL);
    while (walk->next(entry)) {
        EXPECT_TRUE(listed.insert(entry.pid).second) << "twice: " << entry.pid;
        EXPECT_GT(entry.startTime, 0U) << entry.pid;
    }
    for (const ChildProcess& child : doomed)
        EXPECT_EQ(listed.count(child.pid()), 0U) << "ended, still listed: " << child.pid();
    EXPECT_EQ(listed.count(survivor.pid()), 1U);
    EXPECT_EQ(listed.count(::getpid()), 1U);
}

/// Starts a process with the PID `pid` that a reaped process left, steering the kernel's
/// next PID through ns_last_pid (root only, and another process on the system may take
/// the number first: tried up to a hundred times). A process with pid() <= 0 when it did not work.
ChildProcess takePid(Pid pid) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        {
            std::ofstream last("/proc/sys/kernel/ns_last_pid");
            last << pid - 1;
            last.flush();
            if (!last)
                return {};
        }
        ChildProcess taker = startSleeper();
        if (taker.pid() == pid)
            return taker;
    }
    return {};
}

/// A traced helper that ends a process through the process control, stopped at its
/// signal: the identity check has passed, the signal has not been sent.
class KillAtItsSignal {
public:
    KillAtItsSignal(Pid pid, platform::StartTime startTime) {
        int out[2];
        if (::pipe(out) != 0)
            return;
        const std::string probe = PELORUS_PROCFSPROBE;
        const std::string pidText = std::to_string(pid);
        const std::string startText = std::to_string(startTime);
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            if (::ptrace(PTRACE_TRACEME, 0, nullptr, nullptr) != 0)
                ::_exit(126);
            ::raise(SIGSTOP);
            ::execl(probe.c_str(), probe.c_str(), "kill", pidText.c_str(), startText.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        m_out = out[0];
        if (m_pid > 0)
            m_stopped = runToTheSignal();
    }
    ~KillAtItsSignal() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGKILL);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0)
            ::close(m_out);
    }
    KillAtItsSignal(const KillAtItsSignal&) = delete;
    KillAtItsSignal& operator=(const KillAtItsSignal&) = delete;

    /// Whether the helper stands at the entry of its signal call.
    bool stopped() const { return m_stopped; }

    /// Lets the helper send its signal and end (untraced); what it answered.
    std::string finish() {
        ::ptrace(PTRACE_DETACH, m_pid, nullptr, nullptr);
        std::string output;
        char buffer[256];
        for (ssize_t got = 0; (got = ::read(m_out, buffer, sizeof buffer)) != 0;) {
            if (got > 0)
                output.append(buffer, static_cast<size_t>(got));
            else if (errno != EINTR)
                break;
        }
        int status = 0;
        ::waitpid(m_pid, &status, 0);
        m_pid = 0;
        return output;
    }

private:
    /// Steps the helper from system call to system call until it enters pidfd_send_signal.
    bool runToTheSignal() {
        int status = 0;
        if (::waitpid(m_pid, &status, 0) != m_pid || !WIFSTOPPED(status))
            return false;
        ::ptrace(PTRACE_SETOPTIONS, m_pid, nullptr,
                 PTRACE_O_TRACESYSGOOD | PTRACE_O_EXITKILL | PTRACE_O_TRACEEXEC);
        int pass = 0;
        for (;;) {
            if (::ptrace(PTRACE_SYSCALL, m_pid, nullptr, pass) != 0)
                return false;
            if (::waitpid(m_pid, &status, 0) != m_pid || !WIFSTOPPED(status))
                return false;
            pass = 0;
            if (WSTOPSIG(status) == (SIGTRAP | 0x80)) {
                __ptrace_syscall_info info{};
                if (::ptrace(PTRACE_GET_SYSCALL_INFO, m_pid, sizeof info, &info) > 0 &&
                    info.op == PTRACE_SYSCALL_INFO_ENTRY && info.entry.nr == kPidfdSendSignal)
                    return true;
            } else if (WSTOPSIG(status) != SIGTRAP) {
                pass = WSTOPSIG(status);  // the helper's own signal: delivered
            }
        }
    }

    static constexpr unsigned long long kPidfdSendSignal = 424;
    pid_t m_pid = -1;
    int m_out = -1;
    bool m_stopped = false;
};

TEST(KillEndings, AProcessEndingAfterTheCheckIsNoSuchProcessAndItsPidsTakerLivesOn) {
    ChildProcess target = startSleeper();
    ASSERT_GT(target.pid(), 0);
    platform::ProcfsSource source;
    const platform::StartTime startTime = rowOf(source, target.pid()).startTime;
    ASSERT_GT(startTime, 0U);
    ChildProcess bystander = startSleeper();

    KillAtItsSignal kill(target.pid(), startTime);
    if (!kill.stopped())
        GTEST_SKIP() << "this system does not let a test trace its child";
    target.stop(SIGKILL);
    // Where the system allows it, a newer process takes the PID before the signal goes.
    ChildProcess taker = takePid(target.pid());
    const std::string output = kill.finish();

    EXPECT_EQ(output,
              "result " + std::to_string(static_cast<int>(TerminateResult::NoSuchProcess)) + "\n");
    EXPECT_FALSE(bystander.reapIfEnded());
    if (taker.pid() > 0) {
        EXPECT_FALSE(taker.reapIfEnded()) << "the process that took the PID was signalled";
    }
    std::printf("kill race: %s\n", taker.pid() > 0 ? "the PID was taken before the signal"
                                                   : "the PID stayed free (ns_last_pid not "
                                                     "writable or taken by another process)");
}

}  // namespace
}  // namespace pelorus::testing
