// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// One process per opening and per kill, whatever happens to its PID meanwhile; bounded
// thread walks; path texts that a process cannot forge.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>

#include "platform/linux/pidfdprocesscontrol.h"
#include "platform/linux/procfsparse.h"
#include "platform/linux/procfssource.h"
#include "platform/processcontrol.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/support/xserver.h"

namespace pelorus::platform {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::commOf;
using testing::rowOf;
using testing::TempDir;

/// Field 22 of /proc/PID/stat, in clock ticks since boot.
StartTime startTimeOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto stat = procfs::parseStat(line);
    return stat ? stat->startTime : 0;
}

/// Field 20 of /proc/PID/stat: how many threads the process has now.
std::int32_t threadCountOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto stat = procfs::parseStat(line);
    return stat ? stat->threadCount : 0;
}

/// Clock ticks since boot, as start times count them.
StartTime uptimeTicks() {
    std::ifstream in("/proc/uptime");
    double seconds = 0;
    in >> seconds;
    return static_cast<StartTime>(seconds * static_cast<double>(::sysconf(_SC_CLK_TCK)));
}

// The tests steer what a PID names through the source's own root: entry "4242" of the root
// is a link to the /proc directory of one process, and later of another.
TEST(OpenedProcess, APidTakenByAnotherProcessAfterTheCheckShowsNothingOfIt) {
    TempDir root;
    auto first = ChildProcess::start({"sleep", "60"});
    ASSERT_GT(first.pid(), 0);
    // Start times count clock ticks: the second must start in a later one.
    const auto firstStart = startTimeOf(first.pid());
    ASSERT_TRUE(testing::PollUntil([&] { return uptimeTicks() > firstStart + 2; }, 30000));
    auto second = ChildProcess::start({"sleep", "60"});
    ASSERT_GT(second.pid(), 0);
    const fs::path entry = root.path() / "4242";
    fs::create_directory_symlink("/proc/" + std::to_string(first.pid()), entry);
    ProcfsSource source(root.path().string());
    const ProcessEntry row = rowOf(source, 4242);
    ASSERT_EQ(row.pid, 4242);

    auto opened = source.open(4242, row.startTime);
    ASSERT_TRUE(opened);
    // The PID now names the second process; the opening still reads the first.
    fs::remove(entry);
    fs::create_directory_symlink("/proc/" + std::to_string(second.pid()), entry);
    ASSERT_NE(rowOf(source, 4242).startTime, row.startTime);
    ThreadEntry thread;
    auto threads = opened->threads();
    ASSERT_TRUE(threads->next(thread));
    EXPECT_EQ(thread.tid, first.pid());
    EXPECT_TRUE(opened->stillRunning());

    // Once the first has ended, nothing at all: not the modules of the second.
    first.stop();
    EXPECT_FALSE(opened->stillRunning());
    ModuleEntry module;
    EXPECT_FALSE(opened->modules()->next(module));
    EXPECT_FALSE(opened->threads()->next(thread));
    EXPECT_FALSE(source.open(4242, row.startTime));
}

TEST(OpenedProcess, AThreadStormEndsTheWalkWithEachThreadOnce) {
    auto storm = ChildProcess::startPiped({testing::helperPath("pelorus_test_threadstorm")});
    ASSERT_GT(storm.pid(), 0);
    ASSERT_EQ(storm.readLine(), "ready");
    ProcfsSource source;
    const ProcessEntry row = rowOf(source, storm.pid());
    const std::int32_t before = threadCountOf(storm.pid());
    auto opened = source.open(storm.pid(), row.startTime);
    ASSERT_TRUE(opened);
    // The count the opening saw lies near these two: the storm never stops, so some slack.
    const std::int32_t atOpening = std::max(before, threadCountOf(storm.pid()));
    std::set<ThreadId> seen;
    std::size_t delivered = 0;
    ThreadEntry thread;
    for (auto walk = opened->threads(); walk->next(thread);) {
        ++delivered;
        EXPECT_TRUE(seen.insert(thread.tid).second) << "twice: " << thread.tid;
        EXPECT_EQ(thread.owner, storm.pid());
    }
    // Twice the threads at opening, never fewer than 64.
    const auto limit = std::max<std::size_t>(64, 2 * static_cast<std::size_t>(atOpening) + 64);
    EXPECT_LE(delivered, std::min<std::size_t>(limit, MaxThreadWalk));
    EXPECT_GT(delivered, 0U);
    std::printf("thread storm: %d threads at opening, %zu delivered\n", atOpening, delivered);
}

// The unprivileged run of CI runs this as nobody: every process of root is another user's.
TEST(OpenedProcess, AnotherUsersProcessIsListedButShowsNoModulesAndIsNotEnded) {
    if (::geteuid() == 0)
        GTEST_SKIP() << "runs as an ordinary user";
    ProcfsSource source;
    ProcessEntry other;
    for (auto walk = source.processes(); walk->next(other);) {
        struct stat owner {};
        const auto dir = "/proc/" + std::to_string(other.pid);
        std::error_code error;
        (void)fs::read_symlink(dir + "/exe", error);
        if (::stat(dir.c_str(), &owner) == 0 && owner.st_uid != ::geteuid() &&
            error.value() == EACCES && commOf(other.pid) != "")
            break;
        other.pid = 0;
    }
    if (other.pid == 0)
        GTEST_SKIP() << "no other user's process is visible here (hidepid)";
    // Listed under a fallback name: the absolute first argument, comm or [comm].
    EXPECT_FALSE(other.path.empty()) << other.pid;
    if (auto opened = source.open(other.pid, other.startTime)) {
        ModuleEntry module;
        EXPECT_FALSE(opened->modules()->next(module)) << other.pid;
    }
    PidfdProcessControl control;
    EXPECT_EQ(control.terminate(other.pid, other.startTime), TerminateResult::NotPermitted);
    EXPECT_TRUE(source.open(other.pid, other.startTime)) << "still running";
}

}  // namespace
}  // namespace pelorus::platform
