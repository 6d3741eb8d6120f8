// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tasks/refresh.h"

#include "platform/text/hex.h"
#include "platform/text/pathtext.h"
#include "resources/formatting.h"
#include "resources/strings.h"

namespace pelorus::tasks {

void RefreshTaskList(TaskTables& tables, platform::ProcessSource& source,
                     platform::ReportList& eTaskList, platform::Form& frmMain,
                     const ActionClock& clock) {
    frmMain.setEnabled(false);
    // The note of a refresh that ran out of time is a row without a slot.
    if (tables.TaskCount != 0 || eTaskList.rowCount() != 0) {
        tables.TaskCount = 0;
        eTaskList.clear();
    }

    const ActionDeadline deadline(clock, kActionLimit);
    const platform::PathConvention convention = source.pathConvention();
    auto snapshot = source.processes();
    platform::ProcessEntry entry;
    bool delivered = snapshot->next(entry);
    bool timedOut = false;
    while (delivered && tables.TaskCount != MaxTasks) {
        // Asked once an entry has come, so that the note only ever stands for a process
        // that is left out.
        if (deadline.passed()) {
            timedOut = true;
            break;
        }
        const std::int32_t i = tables.TaskCount;
        const std::string shownPath =
            text::pathText(entry.path, convention, /*trimLeadingBlanks=*/true);
        tables.TaskPid[i] = entry.pid;
        tables.TaskPriority[i] = entry.basePriority;
        tables.TaskStartTime[i] = entry.startTime;
        text::PathParts parts = text::splitPath(shownPath, convention);
        tables.TaskFile[i] = std::move(parts.file);
        tables.TaskLocation[i] = std::move(parts.location);
        // The tables keep what was read; the list shows it escaped and held to its bound.
        eTaskList.appendRow(
            resources::shownText(tables.TaskFile[i], resources::MaxProcessTextLength));
        tables.TaskCount = i + 1;
        eTaskList.setCell(tables.TaskCount, 2, text::HexHandle(entry.pid));
        eTaskList.setCell(
            tables.TaskCount, 3,
            resources::shownText(tables.TaskLocation[i], resources::MaxProcessTextLength));
        delivered = snapshot->next(entry);
    }
    snapshot.reset();
    if (timedOut) {
        eTaskList.appendRow(resources::replaceAll(
            resources::LoadString(resources::StringId::TaskListTimedOut), "$", actionLimitText()));
    }

    if (tables.TaskCount != 0) {
        eTaskList.fitColumn(0);
        eTaskList.fitColumn(1);
        eTaskList.fitColumn(2);
    }
    frmMain.setEnabled(true);
}

}  // namespace pelorus::tasks
