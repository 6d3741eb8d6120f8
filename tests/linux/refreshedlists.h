// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <algorithm>
#include <memory>

#include "platform/processsource.h"
#include "tasks/refresh.h"
#include "tasks/tasktables.h"
#include "tests/fakes/fakelists.h"

namespace pelorus::testing {

/// The main window's lists as one refresh over a process source leaves them, ready for
/// an opening of one of their rows.
struct RefreshedLists {
    explicit RefreshedLists(platform::ProcessSource& source) {
        tasks::RefreshTaskList(*tables, source, eTaskList, form);
    }

    /// Selects the row of `pid` as the user would: its number from 1, 0 if it is not listed.
    int select(platform::Pid pid) {
        const auto listed = tables->TaskPid.begin() + tables->TaskCount;
        const auto slot = std::find(tables->TaskPid.begin(), listed, pid);
        if (slot == listed)
            return 0;
        const int row = static_cast<int>(slot - tables->TaskPid.begin()) + 1;
        eTaskList.selected = {row};
        eTaskList.current = row;
        return row;
    }

    std::unique_ptr<tasks::TaskTables> tables = std::make_unique<tasks::TaskTables>();
    FakeReportList eTaskList;
    FakeReportList TINF;
    FakeWindowTree TFRM;
    FakeForm form;
};

}  // namespace pelorus::testing
