// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <cstdio>

#include "platform/win32/toolhelpsource.h"
#include "platform/win32/win32processcontrol.h"
#include "tests/win32/win32testing.h"

namespace pelorus::testing::win32 {
namespace {

using platform::TerminateResult;
using platform::win32::ToolHelpSource;
using platform::win32::Win32ProcessControl;

TEST(Win32ProcessControl, TerminatesTheListedProcessWithExitCodeZero) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    const auto started = ToolHelpSource().startTime(child.pid());
    ASSERT_TRUE(started);
    EXPECT_EQ(Win32ProcessControl().terminate(child.pid(), *started), TerminateResult::Terminated);
    ASSERT_TRUE(child.ended(30000));
    DWORD exitCode = 1;
    GetExitCodeProcess(child.handle(), &exitCode);
    EXPECT_EQ(exitCode, 0u);
}

TEST(Win32ProcessControl, LeavesAProcessAloneWhoseCreationTimeDiffers) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    const auto started = ToolHelpSource().startTime(child.pid());
    ASSERT_TRUE(started);
    EXPECT_EQ(Win32ProcessControl().terminate(child.pid(), *started + 1),
              TerminateResult::Replaced);
    EXPECT_FALSE(child.ended(0));
}

TEST(Win32ProcessControl, EndsAProcessThatGrantsOnlyWhatKillNeeds) {
    // Ending, waiting and the limited query: no right to read its memory or change it.
    GrantingEveryone kill(PROCESS_TERMINATE | SYNCHRONIZE | 0x1000);
    ChildProcess child(0, nullptr, kill.get());
    ASSERT_TRUE(child.started());
    if (MayOpen(child.pid(), PROCESS_VM_WRITE)) {
        std::printf(
            "This system grants more than the process's security says: the request "
            "for fewer rights is not put to the test here.\n");
    }
    const auto started = ToolHelpSource().startTime(child.pid());
    ASSERT_TRUE(started);
    EXPECT_EQ(Win32ProcessControl().terminate(child.pid(), *started), TerminateResult::Terminated);
    EXPECT_TRUE(child.ended(30000));
}

// The test's handle keeps the ended process's object, and with it its PID: Kill opens it
// and must tell an ended process from a newer one.
TEST(Win32ProcessControl, AnEndedProcessStillHeldOpenIsNoSuchProcess) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    const auto started = ToolHelpSource().startTime(child.pid());
    ASSERT_TRUE(started);
    TerminateProcess(child.handle(), 7);
    ASSERT_TRUE(child.ended(30000));
    EXPECT_EQ(Win32ProcessControl().terminate(child.pid(), *started),
              TerminateResult::NoSuchProcess);
}

TEST(Win32ProcessControl, AnEndedOrInvalidProcessIsPassedOver) {
    platform::Pid pid = 0;
    {
        ChildProcess child;
        ASSERT_TRUE(child.started());
        pid = child.pid();
    }
    Win32ProcessControl control;
    EXPECT_EQ(control.terminate(pid, 1), TerminateResult::NoSuchProcess);
    EXPECT_EQ(control.terminate(0, 0), TerminateResult::InvalidPid);
    EXPECT_EQ(control.terminate(-4, 0), TerminateResult::InvalidPid);
}

}  // namespace
}  // namespace pelorus::testing::win32
