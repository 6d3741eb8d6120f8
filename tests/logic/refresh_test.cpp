// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tasks/refresh.h"

#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "tasks/kill.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakeprocesses.h"

namespace pelorus::tasks {
namespace {

using testing::FakeForm;
using testing::FakeProcessSource;
using testing::FakeReportList;

const std::string kFFFD = "\xEF\xBF\xBD";
const std::string kCut = "\xE2\x80\xA6";  // the cut marker, an ellipsis

class RefreshTest : public ::testing::Test {
protected:
    void Refresh() { RefreshTaskList(*tables, source, list, form); }

    /// The three texts of every row.
    std::vector<std::vector<std::string>> Rows() const {
        std::vector<std::vector<std::string>> rows;
        for (const auto& row : list.rows)
            rows.push_back({row.text, row.column2, row.column3});
        return rows;
    }

    // The tables are large; keep them off the stack.
    std::unique_ptr<TaskTables> tables = std::make_unique<TaskTables>();
    FakeProcessSource source;
    FakeReportList list;
    FakeForm form;
};

TEST_F(RefreshTest, FillsRowsAndTablesInSnapshotOrder) {
    source.add(1, 8, "/usr/lib/systemd/systemd", 11);
    source.add(0x4d2, 13, "/usr/bin/Xorg", 22);
    source.add(655794, 4, "[kthreadd]", 33);
    std::vector<bool> enabledAtEntry;
    source.beforeEntry = [&](std::size_t) { enabledAtEntry.push_back(form.enabled); };
    Refresh();

    const std::vector<std::vector<std::string>> expected{
        {"systemd", "00000001", "/usr/lib/systemd"},
        {"Xorg", "000004d2", "/usr/bin"},
        {"[kthreadd]", "000a01b2", ""},
    };
    EXPECT_EQ(Rows(), expected);
    ASSERT_EQ(tables->TaskCount, 3);
    EXPECT_EQ(tables->TaskPid[1], 0x4d2);
    EXPECT_EQ(tables->TaskFile[1], "Xorg");
    EXPECT_EQ(tables->TaskLocation[1], "/usr/bin");
    EXPECT_EQ(tables->TaskPriority[1], 13);
    EXPECT_EQ(tables->TaskStartTime[2], 33u);
    for (const auto& row : list.rows) {
        EXPECT_TRUE(row.column2Set && row.column3Set);
    }

    EXPECT_EQ(list.clears, 0) << "the first refresh finds an empty list and does not clear it";
    EXPECT_EQ(list.fittedColumns, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(form.calls, (std::vector<std::string>{"disable", "enable"}));
    EXPECT_EQ(enabledAtEntry, (std::vector<bool>{false, false, false}));
    EXPECT_EQ(source.log.taken, 1);
    EXPECT_EQ(source.log.released, 1);
}

TEST_F(RefreshTest, WindowsConventionGivesTheDesignRows) {
    source.convention = platform::kWindowsPaths;
    source.add(0, 0, "[System Process]");
    source.add(4, 8, "System");
    source.add(1234, 11, "\\SystemRoot\\System32\\smss.exe");
    source.add(-1, 8, "C:\\WINDOWS\\System32\\svchost.exe");
    Refresh();

    const std::vector<std::vector<std::string>> expected{
        {"[system process]", "00000000", ""},
        {"system", "00000004", ""},
        {"smss.exe", "000004d2", "\\systemroot\\system32"},
        {"svchost.exe", "ffffffff", "c:\\windows\\system32"},
    };
    EXPECT_EQ(Rows(), expected);
}

TEST_F(RefreshTest, SecondRefreshClearsOnceAndGivesTheSameRows) {
    source.add(10, 8, "/bin/a");
    source.add(20, 8, "/bin/b");
    Refresh();
    const auto first = Rows();
    Refresh();

    EXPECT_EQ(Rows(), first);
    EXPECT_EQ(tables->TaskCount, 2);
    EXPECT_EQ(list.clears, 1);
    EXPECT_EQ(list.fittedColumns, (std::vector<int>{0, 1, 2, 0, 1, 2}));
    EXPECT_EQ(form.calls, (std::vector<std::string>{"disable", "enable", "disable", "enable"}));
}

TEST_F(RefreshTest, StopsAtMaxTasks) {
    for (int pid = 1; pid <= MaxTasks + 2; ++pid)
        source.add(pid, 8, "/bin/p" + std::to_string(pid));
    Refresh();

    EXPECT_EQ(tables->TaskCount, MaxTasks);
    ASSERT_EQ(list.rowCount(), MaxTasks);
    EXPECT_EQ(list.rows.back().text, "p2048");
    EXPECT_EQ(list.rows.back().column2, "00000800");
    EXPECT_EQ(source.log.released, 1);
    EXPECT_TRUE(form.enabled);
}

TEST_F(RefreshTest, FailedSnapshotLeavesAnEmptyListAndAnEnabledForm) {
    // Nothing to deliver on the first refresh: nothing cleared, nothing fitted.
    Refresh();
    EXPECT_EQ(list.clears, 0);
    EXPECT_TRUE(list.fittedColumns.empty());
    EXPECT_TRUE(form.enabled);

    // After a fill, a snapshot that delivers nothing empties the list.
    source.add(7, 8, "/bin/x");
    Refresh();
    list.fittedColumns.clear();
    source.entries.clear();
    Refresh();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(tables->TaskCount, 0);
    EXPECT_EQ(list.clears, 1);
    EXPECT_TRUE(list.fittedColumns.empty());
    EXPECT_TRUE(form.enabled);
    EXPECT_EQ(source.log.taken, source.log.released);
}

TEST_F(RefreshTest, HostilePathTexts) {
    source.add(1, 8,
               "/usr/bin/\xFF\xFE"
               "tool");
    source.add(2, 8, "   /usr/sbin/sshd");
    source.add(3, 8, "sshd: alice@pts/0");
    source.add(4, 8, "[kworker/0:1-events]");
    source.add(5, 8, std::string("/usr/bin/cut\0/after/nul", 23));
    source.add(6, 8, "/tmp/with space/new\nline (deleted)");
    source.add(7, 8, "");
    Refresh();

    const std::vector<std::vector<std::string>> expected{
        {kFFFD + kFFFD + "tool", "00000001", "/usr/bin"},
        {"sshd", "00000002", "/usr/sbin"},
        {"sshd: alice@pts/0", "00000003", ""},
        {"[kworker/0:1-events]", "00000004", ""},
        {"cut", "00000005", "/usr/bin"},
        {"new<U+000A>line (deleted)", "00000006", "/tmp/with space"},
        {"", "00000007", ""},
    };
    EXPECT_EQ(Rows(), expected);
    // The row shows the newline escaped; the table keeps it as read.
    EXPECT_EQ(tables->TaskFile[5], "new\nline (deleted)");
}

// A command line of stacked combining marks, as any user can start a process with: the
// list shows it held to its length and marked, the table keeps it whole.
TEST_F(RefreshTest, LongTextsAreShownHeldToTheirLengthAndMarked) {
    std::string marks;
    for (int i = 0; i < 2000; ++i)
        marks += "\xCC\x81";  // U+0301
    const std::string folder = "/" + std::string(600, 'd');
    source.add(1, 8, "/a" + marks);
    source.add(2, 8, folder + "/" + std::string(255, 'f'));
    source.add(3, 8, "/x/" + std::string(600, '\x1b'));
    Refresh();

    std::string shownMarks = "a";
    for (int i = 0; i < 510; ++i)
        shownMarks += "\xCC\x81";
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.rows[0].text, shownMarks + kCut);  // 512 characters, the mark the last
    EXPECT_EQ(tables->TaskFile[0], "a" + marks);
    EXPECT_EQ(list.rows[1].text, std::string(255, 'f'));  // a file name is never cut
    EXPECT_EQ(list.rows[1].column3, "/" + std::string(510, 'd') + kCut);
    EXPECT_EQ(tables->TaskLocation[1], folder);
    std::string escapes;
    // 63 escapes of eight characters take 504; a 64th would leave no room for the mark.
    for (int i = 0; i < 63; ++i)
        escapes += "<U+001B>";
    EXPECT_EQ(list.rows[2].text, escapes + kCut);
}

// A refresh that reads slowly: each process takes two seconds of the test's own clock.
TEST_F(RefreshTest, ARefreshPastItsDeadlineEndsWithWhatItHasAndSaysSo) {
    for (int pid = 1; pid <= 6; ++pid)
        source.add(pid, 8, "/bin/p" + std::to_string(pid));
    std::chrono::steady_clock::time_point now;
    source.beforeEntry = [&](std::size_t) { now += std::chrono::seconds(2); };
    RefreshTaskList(*tables, source, list, form, [&] { return now; });

    // Read at 2 s and 4 s; the third came at 6 s, past the 5 s: left out, and said so.
    EXPECT_EQ(tables->TaskCount, 2);
    ASSERT_EQ(list.rowCount(), 3);
    EXPECT_EQ(list.rows[1].text, "p2");
    EXPECT_EQ(list.rows[2].text,
              "(not all processes are listed: listing them took longer than 5 seconds)");
    EXPECT_FALSE(list.rows[2].column2Set || list.rows[2].column3Set);
    EXPECT_EQ(source.log.fetches, 3);
    EXPECT_EQ(source.log.released, 1);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"disable", "enable"}));

    // The note belongs to no slot: Kill passes over it, even selected.
    testing::FakeProcessControl control;
    list.selected = {1, 3};
    killSelectedTasks(*tables, list, control);
    EXPECT_EQ(control.calls.size(), 1U);

    // The next refresh clears the list, note and all, even when it finds no process.
    source.entries.clear();
    source.beforeEntry = nullptr;
    Refresh();
    EXPECT_EQ(list.rowCount(), 0);
    EXPECT_EQ(list.clears, 1);
}

}  // namespace
}  // namespace pelorus::tasks
