// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// One process per opening, and what the detail list shows of texts a process chose.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "details/taskdetails.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakeprocesses.h"
#include "tests/fakes/fakewindowsystem.h"

namespace pelorus::details {
namespace {

constexpr platform::Pid kEditor = 1234;

class TaskOpeningTest : public ::testing::Test {
protected:
    TaskOpeningTest() {
        processes.threadSource = &threads;
        processes.moduleSource = &modules;
        processes.add(kEditor, 8, "/opt/a\x1b[2Jb/ed\xE2\x80\xAEtxt.exe", 70);
        threads.entries = {{kEditor, 1234, 8}, {kEditor, 1240, 8}};
        modules.entries = {{kEditor, "/lib/lib\x01x.so"}};
        windows.add(600, windows.desktopHandle, kEditor);
        tasks::RefreshTaskList(*tables, processes, eTaskList, form);
        eTaskList.selected = {1};
        eTaskList.current = 1;
    }

    void Open() { details.ShowTaskDetails(*tables, eTaskList, TINF, TFRM); }

    std::unique_ptr<tasks::TaskTables> tables = std::make_unique<tasks::TaskTables>();
    testing::FakeProcessSource processes;
    testing::FakeThreadSource threads;
    testing::FakeModuleSource modules;
    testing::FakeWindowSystem windows;
    testing::FakeForm form;
    testing::FakeReportList eTaskList;
    testing::FakeReportList TINF;
    testing::FakeWindowTree TFRM;
    TaskDetails details{processes, windows, form};
};

TEST_F(TaskOpeningTest, NamesAndPathsAreShownEscapedAndKeptAsRead) {
    Open();
    EXPECT_EQ(tables->TaskFile[0], "ed\xE2\x80\xAEtxt.exe");
    EXPECT_EQ(eTaskList.rows[0].text, "ed<U+202E>txt.exe");
    EXPECT_EQ(eTaskList.rows[0].column3, "/opt/a<U+001B>[2Jb");
    EXPECT_EQ(TINF.rows[0].column2, "ed<U+202E>txt.exe");
    EXPECT_EQ(TINF.rows[0].column3, "/opt/a<U+001B>[2Jb");
    EXPECT_EQ(TINF.rows.back().column2, "lib<U+0001>x.so");
    ASSERT_EQ(TFRM.nodes.size(), 2U);
    EXPECT_EQ(TFRM.nodes[0].text, "ed<U+202E>txt.exe");
}

TEST_F(TaskOpeningTest, TheOpenedProcessIsKeptForTheCommandsUntilTheNextOpening) {
    EXPECT_EQ(details.openedProcess(), nullptr);
    Open();
    ASSERT_NE(details.openedProcess(), nullptr);
    EXPECT_EQ(details.openedProcess()->pid(), kEditor);
    EXPECT_EQ(details.openedProcess()->startTime(), 70U);
    EXPECT_TRUE(details.openedProcess()->stillRunning());
    processes.startTimes[kEditor] = 71;  // ended; a newer process took the PID
    EXPECT_FALSE(details.openedProcess()->stillRunning());
    Open();
    EXPECT_EQ(details.openedProcess(), nullptr);
}

TEST_F(TaskOpeningTest, AProcessThatEndsDuringTheThreadWalkShowsNoWindows) {
    threads.beforeEntry = [&](std::size_t entry) {
        if (entry == 1)
            processes.startTimes[kEditor] = 71;  // ended; a newer process took the PID
    };
    Open();
    // Both threads were read through the opened process, once each; then no tree below
    // the root, since windows are found by PID.
    EXPECT_EQ(TINF.rows.size(), 7U);
    EXPECT_EQ(processes.startTimeQueries, std::vector<platform::Pid>{kEditor});
    EXPECT_EQ(TFRM.keys(), std::vector<std::string>{"M4D2"});
}

}  // namespace
}  // namespace pelorus::details
