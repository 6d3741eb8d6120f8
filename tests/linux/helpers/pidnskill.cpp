// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The viewer in a PID namespace of its own that has no /proc of its own: the /proc it
// reads is the one of the namespace above, whose PIDs name other processes down here.
// Needs root.
//
//   pidnskill
//
// Prints "skip REASON" when it cannot set that up, else:
//   twin 0|1     whether this helper's PID outside also names a process inside
//                (a sleeper made to take it), as a PID number would reach
//   outside R    terminate() of the row of this helper (outside PID, start time)
//   twinalive 0|1  whether the sleeper inside survived that
//   inside R     terminate() of the row of the sleeper, as /proc outside lists it
//   signal N     the signal that ended the sleeper
// Every process it starts, it ends and reaps.
#include <fcntl.h>
#include <sched.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fstream>
#include <optional>
#include <sstream>
#include <string>

#include "platform/linux/pidfdprocesscontrol.h"
#include "platform/linux/procfssource.h"
#include "tests/linux/helpers/pidnamespace.h"

using namespace pelorus::platform;

namespace {

using namespace pelorus::testing::helpers;

/// The row of `pid` as the /proc tree lists it.
std::optional<ProcessEntry> rowOf(Pid pid) {
    ProcessEntry entry;
    for (auto walk = ProcfsSource("/proc").processes(); walk->next(entry);) {
        if (entry.pid == pid)
            return entry;
    }
    return std::nullopt;
}

/// The PID in /proc (the namespace above) of the process whose innermost PID is `inner`
/// and that is a child of this one: the last two numbers of its NSpid line.
Pid outerPidOf(pid_t inner) {
    ProcessEntry entry;
    for (auto walk = ProcfsSource("/proc").processes(); walk->next(entry);) {
        std::ifstream status("/proc/" + std::to_string(entry.pid) + "/status");
        for (std::string line; std::getline(status, line);) {
            if (!line.starts_with("NSpid:"))
                continue;
            std::istringstream numbers(line.substr(6));
            Pid outer = 0;
            Pid innermost = 0;
            numbers >> outer >> innermost;
            if (innermost == inner && outer != inner)
                return outer;
        }
    }
    return 0;
}

/// Makes the next process of this namespace get `pid`.
pid_t startSleeperAs(pid_t pid) {
    pid_t started = -1;
    for (int attempt = 0; attempt < 20 && started != pid; ++attempt) {
        if (started > 0) {
            ::kill(started, SIGKILL);
            reap(started);
        }
        setLastPid(pid - 1);
        started = startSleeper();
    }
    return started;
}

// The first process of the namespace; `outside` is the helper's PID above.
int runInNamespace(pid_t outside) {
    PidfdProcessControl control("/proc");
    const auto helperRow = rowOf(outside);
    if (!helperRow)
        fail("the helper is not listed");
    const pid_t twin = startSleeperAs(outside);
    std::printf("twin %d\n", twin == outside ? 1 : 0);
    std::printf("outside %d\n", static_cast<int>(control.terminate(outside, helperRow->startTime)));
    // A wrongly sent SIGKILL takes a moment to land: give it that moment before looking.
    const timespec settle{0, 100000000L};
    ::nanosleep(&settle, nullptr);
    int status = 0;
    const bool alive = ::waitpid(twin, &status, WNOHANG) == 0;
    std::printf("twinalive %d\n", alive ? 1 : 0);
    const auto sleeperRow = rowOf(outerPidOf(twin));
    if (!sleeperRow)
        fail("the sleeper is not listed");
    std::printf("inside %d\n",
                static_cast<int>(control.terminate(sleeperRow->pid, sleeperRow->startTime)));
    if (alive)
        status = reap(twin);
    std::printf("signal %d\n", WIFSIGNALED(status) ? WTERMSIG(status) : 0);
    std::fflush(stdout);
    return 0;
}

}  // namespace

int main() {
    const pid_t outside = ::getpid();
    runInPidNamespace("the case kills by PID in a PID namespace",
                      [outside] { return runInNamespace(outside); });
}
