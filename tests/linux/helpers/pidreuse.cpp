// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Makes a PID be taken by a newer process, for real, and asks the process control to end
// the old one. Runs in a private PID namespace (with its own /proc mounted in a private
// mount namespace), where the next PID can be steered through ns_last_pid without
// touching the rest of the system. Needs root.
//
//   pidreuse [details]
//
// Prints "skip REASON" when it cannot set that up, else:
//   reused PID            the PID that two processes had in turn
//   stale R               terminate(PID, start time of the ended process)
//   alive 0|1             whether the newer process still runs after that
//   current R             terminate(PID, start time of the newer process)
//   signal N              the signal that ended the newer process
// With "details" it lists the processes while the first one runs and, once the newer
// process has its PID, opens the row of the first one instead of ending anything:
//   row TEXT|COLUMN2|COLUMN3   each row of the detail list
//   node KEY                   each node of the window tree, on a desktop where the
//                              newer process has a window
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
#include <memory>
#include <optional>
#include <string>

#include "details/taskdetails.h"
#include "platform/linux/pidfdprocesscontrol.h"
#include "platform/linux/procfssource.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakewindowsystem.h"
#include "tests/linux/helpers/pidnamespace.h"

using namespace pelorus::platform;
using namespace pelorus::testing;

namespace {

using namespace pelorus::testing::helpers;

std::optional<StartTime> startTimeOf(pid_t pid) {
    ProcessEntry entry;
    for (auto walk = ProcfsSource("/proc").processes(); walk->next(entry);) {
        if (entry.pid == pid)
            return entry.startTime;
    }
    return std::nullopt;
}

// The task list as a refresh left it, and the lists that an opening fills.
struct Viewer {
    std::unique_ptr<pelorus::tasks::TaskTables> tables =
        std::make_unique<pelorus::tasks::TaskTables>();
    FakeReportList eTaskList;
    FakeReportList TINF;
    FakeWindowTree TFRM;
    FakeForm form;
};

void printDetails(Viewer& viewer, ProcfsSource& source, pid_t pid) {
    int row = 0;
    for (int slot = 0; slot < viewer.tables->TaskCount && row == 0; ++slot) {
        if (viewer.tables->TaskPid[slot] == pid)
            row = slot + 1;
    }
    viewer.eTaskList.selected = {row};
    viewer.eTaskList.current = row;
    // A window of the newer process: the tree of the ended one must not show it.
    FakeWindowSystem windows;
    windows.add(0x500, windows.desktopHandle, pid);
    pelorus::details::TaskDetails details(source, windows, viewer.form);
    details.ShowTaskDetails(*viewer.tables, viewer.eTaskList, viewer.TINF, viewer.TFRM);
    for (const auto& shown : viewer.TINF.rows) {
        std::printf("row %s|%s|%s\n", shown.text.c_str(), shown.column2.c_str(),
                    shown.column3.c_str());
    }
    for (const auto& node : viewer.TFRM.nodes)
        std::printf("node %s\n", node.key.c_str());
}

// The first process of the namespace.
int runInNamespace(bool showDetails) {
    mountOwnProc();
    ProcfsSource source("/proc");
    PidfdProcessControl control("/proc");

    const pid_t old = startSleeper();
    const auto oldStart = startTimeOf(old);
    if (!oldStart)
        fail("start time of the first process");
    Viewer viewer;
    if (showDetails) {
        pelorus::tasks::RefreshTaskList(*viewer.tables, source, viewer.eTaskList, viewer.form);
    }
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
    const auto newStart = startTimeOf(old);
    if (!newStart || *newStart == *oldStart) {
        ::kill(newer, SIGKILL);
        reap(newer);
        errno = 0;
        fail("start times do not differ");
    }

    std::printf("reused %d\n", static_cast<int>(old));
    if (showDetails) {
        printDetails(viewer, source, old);
        std::fflush(stdout);
        ::kill(newer, SIGKILL);
        reap(newer);
        return 0;
    }
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

int main(int argc, char** argv) {
    const bool showDetails = argc > 1 && std::strcmp(argv[1], "details") == 0;
    runInPidNamespace("the case gives a PID to a new process in a PID namespace",
                      [showDetails] { return runInNamespace(showDetails); });
}
