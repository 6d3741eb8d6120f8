// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "details/taskdetails.h"
#include "platform/text/hex.h"
#include "platform/win32/toolhelpsource.h"
#include "platform/win32/user32windowsystem.h"
#include "platform/win32/win32processcontrol.h"
#include "resources/formatting.h"
#include "tasks/kill.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/win32/win32testing.h"

namespace pelorus::testing::win32 {
namespace {

using platform::win32::ToolHelpSource;

template <class Entry>
std::vector<Entry> walk(platform::Snapshot<Entry>& snapshot) {
    std::vector<Entry> entries;
    Entry entry;
    while (snapshot.next(entry))
        entries.push_back(entry);
    return entries;
}

std::string lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

/// The task list refreshed through the real Tool Help source, and the row of `pid` opened
/// as the main window opens it: its slot (TaskCount when the list has no such row).
struct OpenedRow {
    explicit OpenedRow(platform::Pid pid) {
        tasks::RefreshTaskList(tables, source, eTaskList, frmMain);
        const auto end = tables.TaskPid.begin() + tables.TaskCount;
        slot = static_cast<std::size_t>(std::find(tables.TaskPid.begin(), end, pid) -
                                        tables.TaskPid.begin());
        if (slot == static_cast<std::size_t>(tables.TaskCount))
            return;
        eTaskList.selected = {static_cast<int>(slot) + 1};
        details.ShowTaskDetails(tables, eTaskList, TINF, TFRM);
    }
    bool found() const { return slot < static_cast<std::size_t>(tables.TaskCount); }

    ToolHelpSource source;
    platform::win32::User32WindowSystem windows;
    tasks::TaskTables tables;
    FakeReportList eTaskList, TINF;
    FakeWindowTree TFRM;
    FakeForm frmMain;
    details::TaskDetails details{source, windows, frmMain};
    std::size_t slot = 0;
};

TEST(ToolHelpSource, TaskListShowsTheChildLowerCasedWithItsCreationTime) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    ToolHelpSource source;
    tasks::TaskTables tables;
    FakeReportList eTaskList;
    FakeForm frmMain;
    tasks::RefreshTaskList(tables, source, eTaskList, frmMain);

    const auto end = tables.TaskPid.begin() + tables.TaskCount;
    const auto found = std::find(tables.TaskPid.begin(), end, child.pid());
    ASSERT_NE(found, end);
    const auto slot = static_cast<std::size_t>(found - tables.TaskPid.begin());
    EXPECT_EQ(tables.TaskFile[slot], "childprogram.exe");
    // The location is what the snapshot tells (Windows gives the file name alone); when
    // it is there, it is lower case and without a trailing backslash.
    EXPECT_EQ(tables.TaskLocation[slot], lower(tables.TaskLocation[slot]));
    EXPECT_EQ(eTaskList.rows[slot].column2, text::HexHandle(child.pid()));
    EXPECT_NE(tables.TaskStartTime[slot], 0u);
    EXPECT_EQ(source.startTime(child.pid()), tables.TaskStartTime[slot]);
    EXPECT_EQ(eTaskList.fittedColumns, (std::vector<int>{0, 1, 2}));
}

TEST(ToolHelpSource, ThreadWalkCoversTheSystemAndModuleWalkTheProcess) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    ToolHelpSource source;
    const auto started = source.startTime(child.pid());
    ASSERT_TRUE(started);
    const auto opened = source.open(child.pid(), *started);
    ASSERT_NE(opened, nullptr);
    EXPECT_TRUE(opened->stillRunning());

    const auto threads = walk(*opened->threads());
    const auto owned = std::count_if(threads.begin(), threads.end(),
                                     [&](const auto& t) { return t.owner == child.pid(); });
    EXPECT_EQ(owned, 3) << "the main thread and the two that wait";
    EXPECT_TRUE(std::any_of(threads.begin(), threads.end(), [&](const auto& t) {
        return t.owner != child.pid();
    })) << "a thread snapshot holds the threads of the whole system";

    const auto modules = walk(*opened->modules());
    ASSERT_FALSE(modules.empty());
    std::vector<std::string> paths;
    for (const auto& module : modules) {
        EXPECT_EQ(module.owner, child.pid());
        paths.push_back(lower(module.path));
    }
    EXPECT_NE(paths.front().find("childprogram.exe"), std::string::npos) << paths.front();
    EXPECT_TRUE(std::any_of(paths.begin(), paths.end(), [](const std::string& path) {
        return path.ends_with("\\kernel32.dll");
    }));
}

TEST(ToolHelpSource, DetailListOfTheChildHasItsThreadsAndModulesSplitAtBackslashes) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    OpenedRow row(child.pid());
    ASSERT_TRUE(row.found());
    const auto& TINF = row.TINF;
    const auto& TFRM = row.TFRM;
    auto& source = row.source;

    const auto opened = source.open(child.pid(), *source.startTime(child.pid()));
    ASSERT_NE(opened, nullptr);
    const auto modules = walk(*opened->modules());
    ASSERT_EQ(TINF.rowCount(), 4 + 3 + static_cast<int>(modules.size()));
    EXPECT_EQ(TINF.rows[0].column2, "childprogram.exe");
    EXPECT_EQ(TINF.rows[3].text, "Thread:");
    EXPECT_EQ(TINF.rows[3].column2.size(), 8u);
    if (!RunningUnderWine()) {  // Wine 8 reports 0: the priority relative to the class
        EXPECT_EQ(TINF.rows[3].column3, "8 (normal)");
    }
    const auto& firstModule = TINF.rows[7];
    EXPECT_EQ(firstModule.text, "Modul:");
    EXPECT_EQ(firstModule.column2, "childprogram.exe");
    EXPECT_EQ(firstModule.column3, lower(firstModule.column3));
    EXPECT_EQ(firstModule.column3.find('/'), std::string::npos);

    // The tree: the root, then the child's top-level window with its one child window
    // (the system may add a window of its own to the process, an input-method window).
    EXPECT_EQ(TFRM.nodes[0].key, "M" + text::keyHex(static_cast<std::uint32_t>(child.pid())));
    const auto top = std::find_if(TFRM.nodes.begin(), TFRM.nodes.end(), [](const auto& node) {
        return node.text.starts_with("pelorus child (PelorusChild)   (");
    });
    ASSERT_NE(top, TFRM.nodes.end());
    EXPECT_EQ(top->parentKey, TFRM.nodes[0].key);
    const auto inner = std::find_if(TFRM.nodes.begin(), TFRM.nodes.end(),
                                    [&](const auto& node) { return node.parentKey == top->key; });
    ASSERT_NE(inner, TFRM.nodes.end());
    EXPECT_TRUE(inner->text.starts_with("inner (Static)   (")) << inner->text;
}

TEST(ToolHelpSource, PrioritiesOfTheCreationFlags) {
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine 8 reports the class index 2 whatever the creation flags";
    ChildProcess idle(IDLE_PRIORITY_CLASS);
    ChildProcess high(HIGH_PRIORITY_CLASS);
    ASSERT_TRUE(idle.started() && high.started());
    std::vector<platform::ProcessEntry> entries;
    ToolHelpSource source;
    for (const auto& entry : walk(*source.processes())) {
        if (entry.pid == idle.pid()) {
            EXPECT_EQ(entry.basePriority, 4);
        }
        if (entry.pid == high.pid()) {
            EXPECT_EQ(entry.basePriority, 13);
        }
    }
}

TEST(ToolHelpSource, TheSystemsOwnProcessesComeFirst) {
    if (RunningUnderWine())
        GTEST_SKIP() << "Wine's process set has neither the idle process nor System";
    const auto entries = walk(*ToolHelpSource().processes());
    ASSERT_GE(entries.size(), 2u);
    EXPECT_EQ(entries[0].pid, 0);
    EXPECT_EQ(entries[0].path, "[System Process]");
    EXPECT_EQ(entries[1].path, "System");
}

TEST(ToolHelpSource, AnEndedProcessHasNoStartTimeAndCannotBeOpened) {
    platform::Pid pid = 0;
    platform::StartTime started = 0;
    ToolHelpSource source;
    std::unique_ptr<platform::OpenedProcess> opened;
    {
        ChildProcess child;
        ASSERT_TRUE(child.started());
        pid = child.pid();
        started = source.startTime(pid).value_or(0);
        opened = source.open(pid, started);
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(source.open(pid, started + 1), nullptr) << "another creation time";
    }
    EXPECT_FALSE(opened->stillRunning());
    EXPECT_TRUE(walk(*opened->modules()).empty());
    opened.reset();
    EXPECT_EQ(source.startTime(pid), std::nullopt);
    EXPECT_EQ(source.open(pid, started), nullptr);
}

TEST(ToolHelpSource, AProcessThatRefusesQueriesShowsItsThreadsAndIsLeftAloneByKill) {
    GrantingEveryone nothing(0);
    ChildProcess child(0, nullptr, nothing.get());
    ASSERT_TRUE(child.started());
    if (MayOpen(child.pid(), PROCESS_QUERY_INFORMATION))
        GTEST_SKIP() << "this system lets the process be queried whatever its security says";
    OpenedRow row(child.pid());
    ASSERT_TRUE(row.found());
    EXPECT_EQ(row.tables.TaskStartTime[row.slot], 0u) << "no creation time to be read";

    const auto& TINF = row.TINF;
    const auto threadRows = std::count_if(TINF.rows.begin(), TINF.rows.end(),
                                          [](const auto& line) { return line.text == "Thread:"; });
    EXPECT_EQ(threadRows, 3) << "the system-wide thread snapshot lists them by owner";
    ASSERT_NE(row.details.openedProcess(), nullptr);
    EXPECT_FALSE(row.details.openedProcess()->identityChecked());

    platform::win32::Win32ProcessControl control;
    tasks::killSelectedTasks(row.tables, row.eTaskList, control);
    EXPECT_FALSE(child.ended(0)) << "Kill needs the identity it cannot check";
}

TEST(ToolHelpSource, AnEntryWhosePidANewerProcessTookAfterTheSnapshotHasNoStartTime) {
    ToolHelpSource source;
    auto listed = std::make_unique<ChildProcess>();
    ASSERT_TRUE(listed->started());
    const platform::Pid pid = listed->pid();
    // The snapshot is taken here; the entries' handles are opened as the walk reads them.
    const auto snapshot = source.processes();
    listed.reset();
    // Windows soon gives a freed PID to a later process; try a few (Wine gives none back
    // until hundreds are free).
    std::vector<std::unique_ptr<ChildProcess>> later;
    for (int i = 0; i < 16 && (later.empty() || later.back()->pid() != pid); ++i) {
        later.push_back(std::make_unique<ChildProcess>());
        ASSERT_TRUE(later.back()->started());
    }
    if (later.back()->pid() != pid)
        GTEST_SKIP() << "no later process got PID " << pid << " within 16";

    const auto entries = walk(*snapshot);
    const auto entry =
        std::find_if(entries.begin(), entries.end(), [&](const auto& e) { return e.pid == pid; });
    ASSERT_NE(entry, entries.end());
    EXPECT_EQ(entry->startTime, 0u) << "the newer process's creation time is not this entry's";
    EXPECT_NE(source.startTime(pid), std::nullopt);
}

}  // namespace
}  // namespace pelorus::testing::win32
