// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tasks/refresh.h"

#include "resources/formatting.h"
#include "tasks/pathtext.h"

namespace pelorus::tasks {

void RefreshTaskList(TaskTables& tables, platform::ProcessSource& source,
                     platform::ReportList& eTaskList, platform::Form& frmMain) {
    frmMain.setEnabled(false);
    if (tables.TaskCount != 0) {
        tables.TaskCount = 0;
        eTaskList.clear();
    }

    const platform::PathConvention convention = source.pathConvention();
    auto snapshot = source.processes();
    platform::ProcessEntry entry;
    bool delivered = snapshot->next(entry);
    while (delivered && tables.TaskCount != MaxTasks) {
        const std::int32_t i = tables.TaskCount;
        const std::string shownPath = pathText(entry.path, convention, /*trimLeadingBlanks=*/true);
        tables.TaskPid[i] = entry.pid;
        tables.TaskPriority[i] = entry.basePriority;
        tables.TaskStartTime[i] = entry.startTime;
        PathParts parts = splitPath(shownPath, convention);
        tables.TaskFile[i] = std::move(parts.file);
        tables.TaskLocation[i] = std::move(parts.location);
        // The tables keep what was read; the list shows it escaped and held to its bound.
        eTaskList.appendRow(
            resources::shownText(tables.TaskFile[i], resources::MaxProcessTextLength));
        tables.TaskCount = i + 1;
        eTaskList.setCell(tables.TaskCount, 2, resources::HexHandle(entry.pid));
        eTaskList.setCell(
            tables.TaskCount, 3,
            resources::shownText(tables.TaskLocation[i], resources::MaxProcessTextLength));
        delivered = snapshot->next(entry);
    }
    snapshot.reset();

    if (tables.TaskCount != 0) {
        eTaskList.fitColumn(0);
        eTaskList.fitColumn(1);
        eTaskList.fitColumn(2);
    }
    frmMain.setEnabled(true);
}

}  // namespace pelorus::tasks
