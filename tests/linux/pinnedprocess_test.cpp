// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The one check of a process that the opening and Kill share, over a proc root of the
// test's own whose entries name real processes, a thread and things that are no process.
#include "platform/linux/pinnedprocess.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "tests/linux/procfstestsupport.h"
#include "tests/support/xserver.h"

namespace pelorus::platform::procfs {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::TempDir;
using testing::WaitingThread;

class PinnedProcessTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_GT(sleeper.pid(), 0);
        const auto started = testing::startTimeOf(sleeper.pid());
        const auto threadStarted = testing::startTimeOf(thread.tid());
        ASSERT_TRUE(started && threadStarted);
        sleeperStart = *started;
        threadStart = *threadStarted;
        const fs::path sleeperDir = "/proc/" + std::to_string(sleeper.pid());
        for (const char* name : {"11", "0", "-1"})
            fs::create_directory_symlink(sleeperDir, root.path() / name);
        fs::create_directory_symlink("/proc/" + std::to_string(thread.tid()), root.path() / "12");
        std::ofstream(root.path() / "13") << "not a directory";
        fs::create_directories(root.path() / "14" / "stat");  // a stat that is no file
        fs::create_directory(root.path() / "15");             // files gone
    }

    TempDir root;
    ChildProcess sleeper = ChildProcess::start({"sleep", "60"});
    WaitingThread thread;
    StartTime sleeperStart = 0;
    StartTime threadStart = 0;
};

TEST_F(PinnedProcessTest, PinsOnlyAProcessOfTheRecordedStartTime) {
    struct Case {
        const char* what;
        Pid pid;
        StartTime startTime;
        PinFailure::Reason reason;
        int error;
    };
    const Case cases[] = {
        {"a later start time", 11, sleeperStart + 1, PinFailure::Replaced, 0},
        {"an earlier start time", 11, sleeperStart - 1, PinFailure::Replaced, 0},
        {"a thread's TID, its own start time", 12, threadStart, PinFailure::Replaced, 0},
        {"PID 0, though the root has it", 0, sleeperStart, PinFailure::Ended, 0},
        {"PID -1, though the root has it", -1, sleeperStart, PinFailure::Ended, 0},
        {"no entry", 99, sleeperStart, PinFailure::Ended, 0},
        {"an entry that is no directory", 13, sleeperStart, PinFailure::Refused, ENOTDIR},
        {"a stat that cannot be read", 14, sleeperStart, PinFailure::Replaced, 0},
        {"an entry whose files have gone", 15, sleeperStart, PinFailure::Ended, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto pinned = PinnedProcess::pin(root.path().string(), c.pid, c.startTime);
        if (pinned) {
            ADD_FAILURE() << "pinned";
            continue;
        }
        EXPECT_EQ(pinned.error().reason, c.reason);
        EXPECT_EQ(pinned.error().error, c.error);
    }
    const auto noTree = PinnedProcess::pin((root.path() / "absent").string(), 11, sleeperStart);
    ASSERT_FALSE(noTree);
    EXPECT_EQ(noTree.error().reason, PinFailure::Ended);
}

TEST_F(PinnedProcessTest, HoldsTheProcessItCheckedUntilItEnds) {
    const auto pinned = PinnedProcess::pin(root.path().string(), 11, sleeperStart);
    ASSERT_TRUE(pinned);
    EXPECT_EQ(pinned->pid(), 11);
    EXPECT_EQ(pinned->startTime(), sleeperStart);
    EXPECT_EQ(pinned->threadCount(), 1) << "sleep runs one thread";
    EXPECT_TRUE(pinned->stillRunning());
    sleeper.stop();
    EXPECT_FALSE(pinned->stillRunning());
}

}  // namespace
}  // namespace pelorus::platform::procfs
