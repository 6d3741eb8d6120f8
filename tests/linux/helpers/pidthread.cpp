// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Makes a listed process's PID be taken by a new thread of another process within the
// same clock tick, so that the thread has the start time the row recorded, and then opens
// and kills the row. Runs in a private PID namespace (with its own /proc mounted in a
// private mount namespace), where the next PID is steered through ns_last_pid. Needs root.
//
//   pidthread
//
// Prints "skip REASON" when it cannot set that up, else:
//   taken PID        the PID that the listed process had and the thread now has
//   opened 0|1       whether the process source opened the row
//   rows N           how many rows the detail list of the row shows
//   kill R           terminate() of the row (the TerminateResult as a number)
//   hostalive 0|1    whether the process of the thread survived that
// Every process it starts, it ends and reaps.
#include <fcntl.h>
#include <pthread.h>
#include <sched.h>
#include <signal.h>
#include <sys/mount.h>
#include <sys/syscall.h>
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
#include "platform/linux/procfsparse.h"
#include "platform/linux/procfssource.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakewindowsystem.h"
#include "tests/linux/helpers/pidnamespace.h"

using namespace pelorus::platform;
using namespace pelorus::testing;

namespace {

using namespace pelorus::testing::helpers;

/// The start time that /proc/ID/stat gives now: a thread's own under its TID.
std::optional<StartTime> startTimeOf(pid_t id) {
    const int dir = ::open(("/proc/" + std::to_string(id)).c_str(), O_RDONLY | O_DIRECTORY);
    if (dir < 0)
        return std::nullopt;
    char text[1024];
    const int stat = ::openat(dir, "stat", O_RDONLY);
    const ssize_t count = stat < 0 ? -1 : ::read(stat, text, sizeof text);
    ::close(stat);
    ::close(dir);
    if (count <= 0)
        return std::nullopt;
    const auto fields = procfs::parseStat(std::string_view(text, static_cast<std::size_t>(count)));
    return fields ? std::optional<StartTime>(fields->startTime) : std::nullopt;
}

int g_answer = -1;

void* threadBody(void*) {
    const auto tid = static_cast<pid_t>(::syscall(SYS_gettid));
    if (::write(g_answer, &tid, sizeof tid) != sizeof tid)
        std::_Exit(3);
    for (;;)
        ::pause();
}

/// A process that starts one thread for every byte written to `commands`, and answers
/// each with the thread's TID on `answers`.
pid_t startThreadHost(int commands, int answers) {
    const pid_t pid = ::fork();
    if (pid < 0)
        fail("fork");
    if (pid == 0) {
        g_answer = answers;
        char command = 0;
        while (::read(commands, &command, 1) == 1) {
            pthread_t thread;
            if (::pthread_create(&thread, nullptr, threadBody, nullptr) != 0)
                std::_Exit(3);
        }
        for (;;)
            ::pause();
    }
    return pid;
}

int runInNamespace() {
    mountOwnProc();
    int commands[2];
    int answers[2];
    if (::pipe(commands) != 0 || ::pipe(answers) != 0)
        fail("pipe");
    const pid_t host = startThreadHost(commands[0], answers[1]);

    ProcfsSource source("/proc");
    auto tables = std::make_unique<pelorus::tasks::TaskTables>();
    FakeReportList eTaskList;
    FakeForm form;
    pid_t taken = -1;
    StartTime recorded = 0;
    // The listed process must end and its PID go to the thread within one clock tick;
    // that takes a few tries at most.
    for (int attempt = 0; attempt < 200 && taken < 0; ++attempt) {
        const pid_t listed = startSleeper();
        pelorus::tasks::RefreshTaskList(*tables, source, eTaskList, form);
        ::kill(listed, SIGKILL);
        reap(listed);
        setLastPid(listed - 1);
        if (::write(commands[1], "t", 1) != 1)
            fail("command");
        pid_t tid = 0;
        if (::read(answers[0], &tid, sizeof tid) != sizeof tid)
            fail("answer");
        int slot = -1;
        for (int i = 0; i < tables->TaskCount; ++i) {
            if (tables->TaskPid[i] == listed)
                slot = i;
        }
        if (tid != listed || slot < 0 || startTimeOf(tid) != tables->TaskStartTime[slot])
            continue;
        taken = listed;
        recorded = tables->TaskStartTime[slot];
        eTaskList.selected = {slot + 1};
        eTaskList.current = slot + 1;
    }
    if (taken < 0) {
        ::kill(host, SIGKILL);
        reap(host);
        errno = 0;
        fail("no thread took a listed PID within its clock tick");
    }

    std::printf("taken %d\n", static_cast<int>(taken));
    std::printf("opened %d\n", source.open(taken, recorded) ? 1 : 0);
    FakeReportList TINF;
    FakeWindowTree TFRM;
    FakeWindowSystem windows;
    pelorus::details::TaskDetails details(source, windows, form);
    details.ShowTaskDetails(*tables, eTaskList, TINF, TFRM);
    std::printf("rows %d\n", TINF.rowCount());
    PidfdProcessControl control("/proc");
    std::printf("kill %d\n", static_cast<int>(control.terminate(taken, recorded)));
    // A wrongly sent SIGKILL takes a moment to land: give it that moment before looking.
    const timespec settle{0, 100000000L};
    ::nanosleep(&settle, nullptr);
    int status = 0;
    const bool alive = ::waitpid(host, &status, WNOHANG) == 0;
    std::printf("hostalive %d\n", alive ? 1 : 0);
    std::fflush(stdout);
    ::kill(host, SIGKILL);
    if (alive)
        reap(host);
    return 0;
}

}  // namespace

int main() {
    runInPidNamespace("the case gives a PID to a new thread in a PID namespace",
                      [] { return runInNamespace(); });
}
