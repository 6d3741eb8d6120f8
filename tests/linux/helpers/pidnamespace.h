// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// What the helpers that replay a PID's reuse share: leaving on a failed call, reaping,
// sleepers, steering the next PID of their namespace, and running as the first process
// of a PID namespace of their own.
#pragma once

#include <fcntl.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace pelorus::testing::helpers {

/// Prints "error WHAT: ERRNO" and leaves with 2, without the exit handlers.
[[noreturn]] inline void fail(const char* what) {
    std::printf("error %s: %s\n", what, std::strerror(errno));
    std::fflush(stdout);
    std::_Exit(2);
}

/// The wait status of `pid`, once it has ended.
inline int reap(pid_t pid) {
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return status;
}

/// A child that sleeps until it is killed.
inline pid_t startSleeper() {
    const pid_t pid = ::fork();
    if (pid == 0) {
        for (;;)
            ::pause();
    }
    if (pid < 0)
        fail("fork");
    return pid;
}

/// Makes the next process or thread of this PID namespace get the PID after `pid`.
inline void setLastPid(pid_t pid) {
    const int fd = ::open("/proc/sys/kernel/ns_last_pid", O_WRONLY | O_CLOEXEC);
    const std::string text = std::to_string(pid);
    if (fd < 0 || ::write(fd, text.data(), text.size()) != static_cast<ssize_t>(text.size()))
        fail("ns_last_pid");
    ::close(fd);
}

/// Mounts a /proc of this PID namespace in a mount namespace of its own, so that the
/// parent keeps the system's /proc.
inline void mountOwnProc() {
    if (::unshare(CLONE_NEWNS) != 0)
        fail("unshare mount namespace");
    if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
        fail("private /");
    if (::mount("proc", "/proc", "proc", MS_NOSUID | MS_NODEV | MS_NOEXEC, nullptr) != 0)
        fail("mount proc");
}

/// Runs `body` as the first process of a new PID namespace and leaves with what it
/// returns. Where that cannot be set up, prints "skip REASON" and leaves with 0; `needs`
/// says why the case needs root.
template <class Body>
[[noreturn]] void runInPidNamespace(const char* needs, Body body) {
    // Each way out flushes first: _Exit runs no exit handlers, the stream's among them.
    if (::geteuid() != 0) {
        std::printf("skip needs root: %s\n", needs);
        std::fflush(stdout);
        std::_Exit(0);
    }
    if (::unshare(CLONE_NEWPID) != 0) {
        std::printf("skip cannot make a PID namespace here (unshare: %s)\n", std::strerror(errno));
        std::fflush(stdout);
        std::_Exit(0);
    }
    std::fflush(stdout);
    const pid_t init = ::fork();
    if (init < 0)
        fail("fork");
    // Both leave without the exit handlers: the leak checker cannot start its tracer from
    // the first process of a PID namespace, nor from its parent once that namespace died.
    if (init == 0)
        std::_Exit(body());
    const int status = reap(init);
    std::_Exit(WIFEXITED(status) ? WEXITSTATUS(status) : 3);
}

}  // namespace pelorus::testing::helpers
