// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/taskdetails.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

#include "details/windowcommands.h"
#include "tasks/kill.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakeprocesses.h"
#include "tests/fakes/fakewindowsystem.h"

namespace pelorus::details {
namespace {

using testing::FakeForm;
using testing::FakeModuleSource;
using testing::FakeProcessControl;
using testing::FakeProcessSource;
using testing::FakeReportList;
using testing::FakeThreadSource;
using testing::FakeWindowSystem;
using testing::FakeWindowTree;
using Rows = std::vector<std::vector<std::string>>;

constexpr platform::Pid kEditor = 1234;
constexpr platform::Pid kShell = 4321;

class TaskDetailsTest : public ::testing::Test {
protected:
    TaskDetailsTest() {
        processes.threadSource = &threads;
        processes.moduleSource = &modules;
        processes.add(kShell, 8, "/usr/bin/bash", 50);
        processes.add(kEditor, 8, "/usr/bin/editor", 70);
        threads.entries = {
            {kEditor, 1234, 8},
            {kShell, 4321, 8},
            {kEditor, 1240, 10},
            {kShell, 4330, 13},
        };
        modules.entries = {
            {kEditor, "/usr/bin/editor"},
            {kEditor, "/usr/lib/x86_64-linux-gnu/libc.so.6"},
            {kShell, "/usr/bin/bash"},
            {kEditor, "/tmp/My Plugins/p.so (deleted)"},
        };
        windows.add(600, 1, kEditor, "notes.txt", "Editor");
        windows.add(500, 1, kShell);
        Refresh();
    }

    void Refresh() { tasks::RefreshTaskList(*tables, processes, eTaskList, form); }
    void Open() { details.ShowTaskDetails(*tables, eTaskList, TINF, TFRM); }
    void Select(int row) {
        eTaskList.selected = {row};
        eTaskList.current = row;
    }

    Rows Shown() const {
        Rows rows;
        for (const auto& row : TINF.rows)
            rows.push_back({row.text, row.column2, row.column3});
        return rows;
    }

    /// What opening the editor shows.
    static Rows EditorRows() {
        return {
            {"Exefile", "editor", "/usr/bin"},
            {"ProcessID", "000004d2", "8 (normal)"},
            {"", "", ""},
            {"Thread:", "000004d2", "8 (normal)"},
            {"Thread:", "000004d8", "10 (\?\?\?)"},
            {"", "", ""},
            {"Modul:", "editor", "/usr/bin"},
            {"Modul:", "libc.so.6", "/usr/lib/x86_64-linux-gnu"},
            {"Modul:", "p.so (deleted)", "/tmp/My Plugins"},
        };
    }
    static Rows EndedRows(const std::string& file, const std::string& location,
                          const std::string& pid) {
        return {
            {"Exefile", file, location},
            {"ProcessID", pid, "8 (normal)"},
            {"", "", ""},
            {"", "", ""},
        };
    }

    std::unique_ptr<tasks::TaskTables> tables = std::make_unique<tasks::TaskTables>();
    FakeProcessSource processes;
    FakeThreadSource threads;
    FakeModuleSource modules;
    FakeWindowSystem windows;
    FakeForm form;
    FakeReportList eTaskList;
    FakeReportList TINF;
    FakeWindowTree TFRM;
    TaskDetails details{processes, windows, form};
};

TEST_F(TaskDetailsTest, ShowsHeadThreadAndModuleRowsThenTheTree) {
    Select(2);
    Open();

    EXPECT_EQ(Shown(), EditorRows());
    EXPECT_FALSE(TINF.rows[2].column2Set || TINF.rows[2].column3Set) << "separators stay bare";
    EXPECT_FALSE(TINF.rows[5].column2Set || TINF.rows[5].column3Set);
    EXPECT_EQ(TINF.fittedColumns, (std::vector<int>{0, 1, 2}));
    // Every thread entry yields once, those of other processes too; the module walk not.
    EXPECT_EQ(form.eventPasses, 4);
    EXPECT_EQ(threads.requested, std::vector<platform::Pid>{kEditor});
    EXPECT_EQ(modules.requested, std::vector<platform::Pid>{kEditor});
    EXPECT_EQ(threads.log.released, 1);
    EXPECT_EQ(modules.log.released, 1);

    EXPECT_EQ(TFRM.keys(), (std::vector<std::string>{"M4D2", "S258"}));
    EXPECT_EQ(TFRM.nodes[0].text, "editor");
    EXPECT_EQ(TFRM.nodes[1].text, "notes.txt (Editor)   (600)");
    EXPECT_FALSE(details.isRunning());
}

TEST_F(TaskDetailsTest, WindowsPathsAndTheIdleProcess) {
    processes.entries.clear();
    processes.convention = platform::kWindowsPaths;
    processes.add(0, 0, "[System Process]");
    Refresh();
    threads.entries = {{0, 0, 0}, {8, 12, 8}, {0, 4, 0}};
    // Identifier 0 stands for the viewer itself: its modules carry the viewer's PID.
    modules.entries = {{kShell, "C:\\VIEWER\\Pelmarin.exe"}, {kShell, "ntdll.dll"}};
    Select(1);
    Open();

    const Rows expected{
        {"Exefile", "[system process]", ""},
        {"ProcessID", "00000000", "0 (\?\?\?)"},
        {"", "", ""},
        {"Thread:", "00000000", "0 (\?\?\?)"},
        {"Thread:", "00000004", "0 (\?\?\?)"},
        {"", "", ""},
    };
    EXPECT_EQ(Shown(), expected);
    EXPECT_EQ(TFRM.keys(), std::vector<std::string>{"M0"});

    modules.entries = {
        {0, "  C:\\WINDOWS\\system32\\NTDLL.DLL"}, {0, "KERNEL32.DLL"}, {0, "C:\\App.exe"}};
    Open();
    const Rows shown = Shown();
    ASSERT_EQ(shown.size(), 9u);
    const Rows tail(shown.begin() + 6, shown.end());
    const Rows expectedModules{
        {"Modul:", "ntdll.dll", "  c:\\windows\\system32"},
        {"Modul:", "kernel32.dll", ""},
        {"Modul:", "app.exe", "c:"},
    };
    EXPECT_EQ(tail, expectedModules);
}

TEST_F(TaskDetailsTest, NoSelectedRowChangesNothing) {
    TINF.appendRow("earlier");
    TFRM.addNode(std::nullopt, "M1", "earlier", 1);
    const auto shownBefore = Shown();

    eTaskList.selected.clear();
    Open();
    // A position past the filled slots has no process behind it either.
    Select(7);
    Open();

    EXPECT_EQ(Shown(), shownBefore);
    EXPECT_EQ(TINF.clears, 0);
    EXPECT_EQ(TFRM.clears, 0);
    EXPECT_EQ(TFRM.keys(), std::vector<std::string>{"M1"});
    EXPECT_TRUE(threads.requested.empty());
    EXPECT_TRUE(processes.startTimeQueries.empty());
    EXPECT_FALSE(details.isRunning());
}

TEST_F(TaskDetailsTest, OpeningTwiceGivesOneSetOfRows) {
    Select(2);
    Open();
    Open();
    EXPECT_EQ(Shown(), EditorRows());
    EXPECT_EQ(TINF.clears, 2);
    EXPECT_EQ(TFRM.keys(), (std::vector<std::string>{"M4D2", "S258"}));
}

TEST_F(TaskDetailsTest, EndedOrReplacedProcessShowsFourRowsAndABareRoot) {
    Select(2);
    processes.startTimes.erase(kEditor);
    Open();
    EXPECT_EQ(Shown(), EndedRows("editor", "/usr/bin", "000004d2"));
    EXPECT_EQ(TFRM.keys(), std::vector<std::string>{"M4D2"});
    EXPECT_TRUE(threads.requested.empty());
    EXPECT_TRUE(modules.requested.empty());
    EXPECT_EQ(form.eventPasses, 0);

    // A newer process took the PID: its threads, modules and windows are not this row's.
    processes.startTimes[kEditor] = 71;
    Open();
    EXPECT_EQ(Shown(), EndedRows("editor", "/usr/bin", "000004d2"));
    EXPECT_EQ(TFRM.keys(), std::vector<std::string>{"M4D2"});
    EXPECT_TRUE(threads.requested.empty());
}

TEST_F(TaskDetailsTest, AProcessThatTellsNoStartTimeShowsItsSnapshotsAndIsActedOnByNothing) {
    // The system lists it but will not tell its start time (another user's process on
    // Windows): the opening shows what the snapshots and the walk find under its PID.
    processes.uncheckedPids = {kEditor};
    windows.windows[600].state = FakeWindowSystem::State::Normal;
    Select(2);
    Open();
    EXPECT_EQ(Shown(), EditorRows());
    EXPECT_EQ(TFRM.keys(), (std::vector<std::string>{"M4D2", "S258"}));

    // Its identity cannot be checked, so no command acts on its windows.
    for (const auto command : {platform::ButtonIndex::HideAll, platform::ButtonIndex::ShowAll}) {
        runWindowCommand(command, TFRM, windows, form, processes, details.openedWindows());
    }
    EXPECT_TRUE(windows.calls.empty());
    EXPECT_EQ(windows.windows[600].state, FakeWindowSystem::State::Normal);

    // Once the system no longer lists it, the tree is its root alone.
    processes.startTimes.erase(kEditor);
    Open();
    EXPECT_EQ(TFRM.keys(), std::vector<std::string>{"M4D2"});
}

TEST_F(TaskDetailsTest, SecondOpeningDuringTheThreadWalkIsIgnored) {
    Select(2);
    std::vector<bool> runningSeen;
    form.onProcessEvents = [&] {
        runningSeen.push_back(details.isRunning());
        Select(1);
        Open();
    };
    Open();

    EXPECT_EQ(Shown(), EditorRows());
    EXPECT_EQ(TINF.clears, 1);
    EXPECT_EQ(threads.requested, std::vector<platform::Pid>{kEditor});
    EXPECT_EQ(TFRM.keys(), (std::vector<std::string>{"M4D2", "S258"}));
    EXPECT_EQ(runningSeen, std::vector<bool>(4, true));
    EXPECT_FALSE(details.isRunning());

    // Once the run has ended, the next opening is taken.
    form.onProcessEvents = nullptr;
    Open();
    EXPECT_EQ(Shown()[0], (std::vector<std::string>{"Exefile", "bash", "/usr/bin"}));
}

TEST_F(TaskDetailsTest, RefreshDuringTheThreadWalkChangesNothingShown) {
    Select(2);
    bool refreshed = false;
    form.onProcessEvents = [&] {
        if (refreshed)
            return;
        refreshed = true;
        // The editor's slot now holds another process, and the old strings are gone.
        processes.entries.clear();
        processes.add(kShell, 8, "/usr/bin/bash", 50);
        processes.add(999, 24, "/opt/other/daemon", 5);
        processes.add(kEditor, 8, "/usr/bin/editor", 70);
        Refresh();
    };
    Open();

    EXPECT_EQ(tables->TaskFile[1], "daemon");
    EXPECT_EQ(Shown(), EditorRows());
    EXPECT_EQ(TFRM.keys(), (std::vector<std::string>{"M4D2", "S258"}));
    EXPECT_EQ(TFRM.nodes[0].text, "editor");
    EXPECT_TRUE(form.enabled);
}

TEST_F(TaskDetailsTest, KillOrClearedTaskListDuringTheThreadWalk) {
    Select(2);
    FakeProcessControl control;
    form.onProcessEvents = [&] {
        if (!control.calls.empty())
            return;
        tasks::killSelectedTasks(*tables, eTaskList, control);
    };
    Open();
    EXPECT_EQ(control.calls, (std::vector<FakeProcessControl::Call>{{kEditor, 70}}));
    EXPECT_EQ(Shown(), EditorRows()) << "the run shows what it read at opening";

    form.onProcessEvents = [&] {
        eTaskList.clear();
        tables->TaskCount = 0;
        tables->TaskFile[1].clear();
        tables->TaskLocation[1].clear();
    };
    Select(2);
    Open();
    EXPECT_EQ(Shown(), EditorRows());
    EXPECT_EQ(TFRM.nodes[0].text, "editor");
}

TEST_F(TaskDetailsTest, AFailingEventPassEndsTheRunAndReleasesTheGuard) {
    Select(2);
    form.onProcessEvents = [] { throw std::runtime_error("event handler failed"); };
    EXPECT_THROW(Open(), std::runtime_error);
    EXPECT_FALSE(details.isRunning());
    EXPECT_EQ(threads.log.released, threads.log.taken);

    form.onProcessEvents = nullptr;
    Open();
    EXPECT_EQ(Shown(), EditorRows());
}

// Each way a walk can end before its end leaves one note after its last row, in place of
// what it left out: the source's own bound, the cap on module rows, the deadline.
TEST_F(TaskDetailsTest, WalksThatEndEarlySaySoAfterTheirLastRow) {
    threads.cutShort = true;
    modules.cutShort = true;
    Select(2);
    Open();
    Rows expected = EditorRows();
    expected.insert(expected.begin() + 5, {"(more threads not listed)", "", ""});
    expected.push_back({"(more modules not listed)", "", ""});
    EXPECT_EQ(Shown(), expected);
    EXPECT_FALSE(TINF.rows[5].column2Set || TINF.rows[5].column3Set);

    // More modules than rows: the first MaxModuleRows, then the note with the number.
    threads.cutShort = false;
    modules.cutShort = false;
    modules.entries.clear();
    for (int i = 0; i < MaxModuleRows + 500; ++i)
        modules.entries.push_back({kEditor, "/lib/m" + std::to_string(i) + ".so"});
    modules.log = {};
    Open();
    ASSERT_EQ(TINF.rowCount(), 4 + 2 + MaxModuleRows + 1);
    EXPECT_EQ(TINF.rows[6 + MaxModuleRows - 1].column2, "m2047.so");
    EXPECT_EQ(TINF.rows.back().text, "(more modules not listed: at most 2048 are shown)");
    // The walk stops at the first module it cannot show; the rest is never asked for.
    EXPECT_EQ(modules.log.fetches, MaxModuleRows + 1);
}

TEST_F(TaskDetailsTest, WalksPastTheirDeadlineEndWithWhatTheyHaveAndSaySo) {
    std::chrono::steady_clock::time_point now;
    TaskDetails slow(processes, windows, form, [&] { return now; });
    // Each entry takes three seconds: the second is read at 6 s, past the 5 s.
    threads.beforeEntry = [&](std::size_t) { now += std::chrono::seconds(3); };
    modules.beforeEntry = [&](std::size_t) { now += std::chrono::seconds(3); };
    Select(2);
    slow.ShowTaskDetails(*tables, eTaskList, TINF, TFRM);
    const Rows expected{
        {"Exefile", "editor", "/usr/bin"},
        {"ProcessID", "000004d2", "8 (normal)"},
        {"", "", ""},
        {"Thread:", "000004d2", "8 (normal)"},
        {"(more threads not listed: reading them took longer than 5 seconds)", "", ""},
        {"", "", ""},
        {"Modul:", "editor", "/usr/bin"},
        {"(more modules not listed: reading them took longer than 5 seconds)", "", ""},
    };
    EXPECT_EQ(Shown(), expected);
    // The opening goes on to the tree and gives the form back.
    EXPECT_EQ(TFRM.keys(), (std::vector<std::string>{"M4D2", "S258"}));
    EXPECT_FALSE(slow.isRunning());
}

}  // namespace
}  // namespace pelorus::details
