// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/pidfdprocesscontrol.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <climits>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "platform/linux/procfsparse.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/support/xserver.h"

namespace pelorus::platform {
namespace {

using testing::ChildProcess;

/// The start time /proc gives for `pid` now.
std::optional<StartTime> startTimeOf(pid_t pid) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/stat");
    const std::string line((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const auto stat = procfs::parseStat(line);
    return stat ? std::optional<StartTime>(stat->startTime) : std::nullopt;
}

/// Whether the child still runs: not ended, so not reaped by this call.
bool running(ChildProcess& child) {
    return !child.reapIfEnded();
}

ChildProcess startSleeper() {
    return ChildProcess::start({"sleep", "60"});
}

/// Runs a helper program that plays a scene and prints "name value" lines; `values`
/// gets them. A helper that cannot play its scene here prints "skip <why>": `skip` then
/// gets the reason.
void runScene(const char* helper, std::map<std::string, int>& values, std::string& skip) {
    std::string output;
    auto scene = ChildProcess::startPiped({testing::helperPath(helper)});
    ASSERT_GT(scene.pid(), 0);
    const int status = scene.finish(output);
    if (output.starts_with("skip ")) {
        skip = output.substr(5);
        return;
    }
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    std::istringstream lines(output);
    for (std::string line; std::getline(lines, line);) {
        const auto w = testing::words(line);
        ASSERT_EQ(w.size(), 2U) << line;
        values[w[0]] = std::stoi(w[1]);
    }
}

TEST(PidfdProcessControl, PidsOfZeroAndBelowAreNeverLookedUpOrSignalled) {
    // Not even looked up: a root that does not exist would answer NoSuchProcess.
    PidfdProcessControl control("/nonexistent");
    for (const Pid pid : {0, -1, -2, INT_MIN}) {
        SCOPED_TRACE(pid);
        EXPECT_EQ(control.terminate(pid, 0), TerminateResult::InvalidPid);
    }
}

TEST(PidfdProcessControl, EndsEachListedChild) {
    PidfdProcessControl control;
    std::vector<ChildProcess> children;
    for (int i = 0; i < 3; ++i)
        children.push_back(startSleeper());
    std::vector<StartTime> starts;
    for (auto& child : children) {
        ASSERT_GT(child.pid(), 0);
        const auto start = startTimeOf(child.pid());
        ASSERT_TRUE(start);
        starts.push_back(*start);
    }
    for (std::size_t i = 0; i < children.size(); ++i) {
        EXPECT_EQ(control.terminate(children[i].pid(), starts[i]), TerminateResult::Terminated);
    }
    // sleep 60 ends this soon only through the signal.
    for (auto& child : children)
        EXPECT_TRUE(child.waitForEnd(30000)) << child.pid();
}

TEST(PidfdProcessControl, AnEndedAndReapedChildIsNoSuchProcess) {
    PidfdProcessControl control;
    auto child = ChildProcess::start({"true"});
    ASSERT_GT(child.pid(), 0);
    const auto start = startTimeOf(child.pid());
    ASSERT_TRUE(child.waitForEnd(30000));
    EXPECT_EQ(control.terminate(child.pid(), start.value_or(0)), TerminateResult::NoSuchProcess);
}

TEST(PidfdProcessControl, AnotherStartTimeLeavesTheProcessAlone) {
    PidfdProcessControl control;
    auto child = startSleeper();
    ASSERT_GT(child.pid(), 0);
    const auto start = startTimeOf(child.pid());
    ASSERT_TRUE(start);
    EXPECT_EQ(control.terminate(child.pid(), *start + 1), TerminateResult::Replaced);
    EXPECT_EQ(control.terminate(child.pid(), *start - 1), TerminateResult::Replaced);
    // A /proc tree that does not list it: nothing is signalled by number.
    testing::TempDir emptyRoot;
    PidfdProcessControl blindControl(emptyRoot.path().string());
    EXPECT_EQ(blindControl.terminate(child.pid(), *start), TerminateResult::NoSuchProcess);

    EXPECT_TRUE(running(child));
    EXPECT_EQ(control.terminate(child.pid(), *start), TerminateResult::Terminated);
    EXPECT_TRUE(child.waitForEnd(30000));
}

TEST(PidfdProcessControl, AnotherUsersProcessIsNotPermitted) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: the case tries to end a process as another user";
    auto child = startSleeper();
    ASSERT_GT(child.pid(), 0);
    const auto start = startTimeOf(child.pid());
    ASSERT_TRUE(start);
    std::string output;
    auto stranger =
        ChildProcess::startPiped({"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                  testing::helperPath("pelorus_test_procfsprobe"), "kill",
                                  std::to_string(child.pid()), std::to_string(*start)});
    stranger.finish(output);
    EXPECT_EQ(output,
              "result " + std::to_string(static_cast<int>(TerminateResult::NotPermitted)) + "\n");
    EXPECT_TRUE(running(child));
}

TEST(PidfdProcessControl, APidTakenByANewerProcessIsLeftAlone) {
    std::map<std::string, int> values;
    std::string skip;
    ASSERT_NO_FATAL_FAILURE(runScene("pelorus_test_pidreuse", values, skip));
    if (!skip.empty())
        GTEST_SKIP() << skip;
    EXPECT_GT(values["reused"], 0);
    EXPECT_EQ(values["stale"], static_cast<int>(TerminateResult::Replaced));
    EXPECT_EQ(values["alive"], 1);
    EXPECT_EQ(values["current"], static_cast<int>(TerminateResult::Terminated));
    EXPECT_EQ(values["signal"], SIGKILL);
}

// A thread of another process takes the listed PID within the listed process's clock
// tick: same start time, but its status names its own process. Neither the opening nor
// Kill takes it for the listed process, and its process lives on.
TEST(PidfdProcessControl, APidTakenByAThreadIsNeitherOpenedNorKilled) {
    std::map<std::string, int> values;
    std::string skip;
    ASSERT_NO_FATAL_FAILURE(runScene("pelorus_test_pidthread", values, skip));
    if (!skip.empty())
        GTEST_SKIP() << skip;
    EXPECT_GT(values["taken"], 0);
    EXPECT_EQ(values["opened"], 0);
    EXPECT_EQ(values["rows"], 4) << "the four rows of a process that has ended";
    EXPECT_EQ(values["kill"], static_cast<int>(TerminateResult::Replaced));
    EXPECT_EQ(values["hostalive"], 1);
}

// The viewer in a PID namespace of its own, reading the /proc of the one above.
TEST(PidfdProcessControl, KillReachesTheListedProcessOrNoneFromAnotherPidNamespace) {
    std::map<std::string, int> values;
    std::string skip;
    ASSERT_NO_FATAL_FAILURE(runScene("pelorus_test_pidnskill", values, skip));
    if (!skip.empty())
        GTEST_SKIP() << skip;
    EXPECT_EQ(values["twin"], 1) << "the PID number names a process down there too";
    EXPECT_EQ(values["outside"], static_cast<int>(TerminateResult::OutOfReach));
    EXPECT_EQ(values["twinalive"], 1);
    EXPECT_EQ(values["inside"], static_cast<int>(TerminateResult::Terminated));
    EXPECT_EQ(values["signal"], SIGKILL);
}

}  // namespace
}  // namespace pelorus::platform
