// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The viewer's window walk and Hide all from inside a PID namespace of its own, on the
// host's X server. Run as the first process of the namespace, with its own /proc:
//
//   unshare -Urpf --mount-proc pidnsviewer TESTCLIENT DISPLAY HOSTPID
//
// It gives a sleeper the number HOSTPID inside the namespace, builds that process's tree
// and runs Hide all on it, then starts TESTCLIENT (one top-level) inside the namespace and
// builds its tree. Prints one line per tree, "host PID KEY..." and "own PID KEY...", or
// "skip REASON" when it cannot set that up. Every process it starts, it ends and reaps.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <thread>

#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/linux/procfssource.h"
#include "platform/x11/xcbwindowsystem.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/starttime.h"

using namespace pelorus;

namespace {

/// Leaves without the exit handlers: the leak checker cannot start its tracer from the
/// first process of a PID namespace.
[[noreturn]] void leave(int status) {
    std::fflush(stdout);
    std::_Exit(status);
}

void reap(pid_t pid) {
    ::kill(pid, SIGKILL);
    while (::waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
    }
}

/// A child that sleeps until it is killed, with the number `pid` if the namespace's next
/// number can be steered there; its number.
pid_t sleeperWithPid(pid_t pid) {
    const int fd = ::open("/proc/sys/kernel/ns_last_pid", O_WRONLY | O_CLOEXEC);
    if (fd >= 0) {
        const std::string text = std::to_string(pid - 1);
        const bool written =
            ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::close(fd);
        if (!written)
            return -1;
    }
    const pid_t child = ::fork();
    if (child == 0) {
        for (;;)
            ::pause();
    }
    return child;
}

/// Builds the tree of `pid` as an opening does, runs Hide all on it, and prints it.
void showTree(const char* which, const std::string& display, platform::Pid pid) {
    platform::XcbWindowSystem windows(display);
    platform::ProcfsSource processes("/proc");
    testing::FakeWindowTree tree;
    details::OpenedWindows opened = details::buildWindowTree(windows, tree, pid, "process");
    opened.startTime = testing::startTimeOf(processes, pid).value_or(0);
    testing::FakeForm form;
    details::runWindowCommand(platform::ButtonIndex::HideAll, tree, windows, form, processes,
                              opened);
    std::printf("%s %d", which, static_cast<int>(pid));
    for (const auto& node : tree.nodes)
        std::printf(" %s", node.key.c_str());
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4)
        leave(2);
    const std::string client = argv[1];
    const std::string display = argv[2];
    const pid_t hostPid = static_cast<pid_t>(std::atoi(argv[3]));

    const pid_t twin = sleeperWithPid(hostPid);
    if (twin != hostPid) {
        std::printf("skip cannot give a process the number %d in the namespace\n", hostPid);
        if (twin > 0)
            reap(twin);
        leave(0);
    }
    showTree("host", display, hostPid);
    reap(twin);

    const std::string file =
        std::filesystem::temp_directory_path() / ("pelorus-pidns-" + std::to_string(hostPid));
    const pid_t own = ::fork();
    if (own == 0) {
        ::setenv("DISPLAY", display.c_str(), 1);
        ::execl(client.c_str(), client.c_str(), "toplevels", file.c_str(), "1", nullptr);
        std::_Exit(127);
    }
    // The client publishes its ids once its window exists.
    for (int wait = 0; wait < 1000 && !std::filesystem::exists(file); ++wait)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    if (!std::filesystem::exists(file)) {
        reap(own);
        leave(3);
    }
    showTree("own", display, own);
    reap(own);
    std::filesystem::remove(file);
    leave(0);
}
