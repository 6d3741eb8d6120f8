// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Makes a PID be taken by a newer process, for real, and asks the process control to end
// the old one. Runs in a private PID namespace (with its own /proc mounted in a private
// mount namespace), where the next PID can be steered through ns_last_pid without
// touching the rest of the system. Needs root.
//
// Prints "skip REASON" when it cannot set that up, else:
//   reused PID            the PID that two processes had in turn
//   stale R               terminate(PID, start time of the ended process)
//   alive 0|1             whether the newer process still runs after that
//   current R             terminate(PID, start time of the newer process)
//   signal N              the signal that ended the newer process
// Every process it starts, it ends and reaps.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "platform/linux/pidfdprocesscontrol.h"
#include "platform/linux/procfssource.h"

using namespace pelorus::platform;

namespace {

[[noreturn]] void fail(const char* what) {
    std::printf("error %s: %s\n", what, std::strerror(errno));
    std::fflush(stdout);
    std::_Exit(2);
}

pid_t startSleeper() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (;;)
            ::pause();
    }
    if (pid < 0)
        fail("fork");
    return pid;
}

int reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

void setLastPid(pid_t pid) {
    const int fd = ::open("/proc/sys/kernel/ns_last_pid", O_WRONLY | O_CLOEXEC);
    if (fd < 0)
        fail("open ns_last_pid");
    const std::string text = std::to_string(pid);
    if (::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size())) {
        fail("write ns_last_pid");
    }
    ::close(fd);
}

// The first process of the namespace.
int runInNamespace() {
    // A mount namespace of its own, so that the parent keeps the system's /proc.
    if (::unshare(CLONE_NEWNS) != 0)
        fail("unshare mount namespace");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        fail("private /");
    if (::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0) {
        fail("mount proc");
    }
    ProcfsSource source("/proc");
    PidfdProcessControl control(source);

    const pid_t old = startSleeper();
    const auto oldStart = source.startTime(old);
    if (!oldStart)
        fail("start time of the first process");
    ::kill(old, SIGKILL);
    reap(old);

    // Start times count clock ticks: let a few pass so that the two processes differ.
    const long tick = ::sysconf(_SC_CLK_TCK);
    const timespec pauseFor{0, 3 * (1000000000L / (tick > 0 ? tick : 100))};
    ::nanosleep(&pauseFor, nullptr);

    pid_t newer = -1;
    for (int attempt = 0; attempt < 20 && newer != old; ++attempt) {
        if (newer > 0) {
            ::kill(newer, SIGKILL);
            reap(newer);
        }
        setLastPid(old - 1);
        newer = startSleeper();
    }
    if (newer != old) {
        ::kill(newer, SIGKILL);
        reap(newer);
        errno = 0;
        fail("the PID was not taken again");
    }
    const auto newStart = source.startTime(old);
    if (!newStart || *newStart == *oldStart) {
        ::kill(newer, SIGKILL);
        reap(newer);
        errno = 0;
        fail("start times do not differ");
    }

    std::printf("reused %d\n", static_cast<int>(old));
    std::printf("stale %d\n", static_cast<int>(control.terminate(old, *oldStart)));
    // A wrongly sent SIGKILL takes a moment to land: give it that moment before looking.
    const timespec settle{0, 100000000L};
    ::nanosleep(&settle, nullptr);
    int status = 0;
    const bool alive = ::waitpid(newer, &status, WNOHANG) == 0;
    std::printf("alive %d\n", alive ? 1 : 0);
    std::printf("current %d\n", static_cast<int>(control.terminate(old, *newStart)));
    if (alive)
        status = reap(newer);
    std::printf("signal %d\n", WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main() {
    if (::geteuid() != 0) {
        std::printf("skip not root\n");
        return 0;
    }
    if (::unshare(CLONE_NEWPID) != 0) {
        std::printf("skip unshare: %s\n", std::strerror(errno));
        return 0;
    }
    std::fflush(stdout);
    const pid_t init = ::fork();
    if (init < 0)
        fail("fork");
    // Both leave without the exit handlers: the leak checker cannot start its tracer from
    // the first process of a PID namespace, nor from its parent once that namespace died.
    if (init == 0)
        std::_Exit(runInNamespace());
    const int status = reap(init);
    std::_Exit(WIFEXITED(status) ? WEXITSTATUS(status) : 3);
}
