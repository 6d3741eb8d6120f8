// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tasks/kill.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakeprocesses.h"

namespace pelorus::tasks {
namespace {

using testing::FakeForm;
using testing::FakeProcessControl;
using testing::FakeProcessSource;
using testing::FakeReportList;
using Call = FakeProcessControl::Call;

class KillTest : public ::testing::Test {
protected:
    void Fill(int count) {
        for (int i = 1; i <= count; ++i)
            source.add(100 * i, 8, "/bin/p", 1000 + i);
        RefreshTaskList(*tables, source, list, form);
    }
    void Kill() { killSelectedTasks(*tables, list, control); }

    std::unique_ptr<TaskTables> tables = std::make_unique<TaskTables>();
    FakeProcessSource source;
    FakeReportList list;
    FakeForm form;
    FakeProcessControl control;
};

TEST_F(KillTest, EndsEverySelectedRowInRowOrderAndLeavesTheRows) {
    Fill(5);
    list.selected = {4, 1, 3};
    list.current = 4;
    control.result = platform::TerminateResult::NoSuchProcess;  // not looked at
    Kill();

    EXPECT_EQ(control.calls, (std::vector<Call>{{100, 1001}, {300, 1003}, {400, 1004}}));
    EXPECT_EQ(tables->TaskCount, 5);
    EXPECT_EQ(list.rowCount(), 5);
    EXPECT_EQ(list.clears, 0);
    EXPECT_EQ(source.log.taken, 1) << "Kill does not refresh";
    EXPECT_EQ(form.calls.size(), 2u) << "Kill neither locks nor touches the form";
}

TEST_F(KillTest, NothingSelectedOrNothingListed) {
    Kill();
    EXPECT_TRUE(control.calls.empty());
    EXPECT_EQ(list.selectionQueries, 0);

    Fill(3);
    Kill();
    EXPECT_TRUE(control.calls.empty());
    EXPECT_EQ(list.selectionQueries, 3);
}

TEST_F(KillTest, BoundIsTakenOnceBeforeTheLoop) {
    Fill(3);
    list.selected = {1, 2, 3};
    // Whatever happens to the count meanwhile, every row of the list as it stood is asked.
    control.onTerminate = [&] { tables->TaskCount = 1; };
    Kill();
    EXPECT_EQ(control.calls, (std::vector<Call>{{100, 1001}, {200, 1002}, {300, 1003}}));
}

}  // namespace
}  // namespace pelorus::tasks
