// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tasks/kill.h"

namespace pelorus::tasks {

void killSelectedTasks(const TaskTables& tables, const platform::ReportList& eTaskList,
                       platform::ProcessControl& control) {
    const std::int32_t last = tables.TaskCount - 1;
    for (std::int32_t i = 0; i <= last; ++i) {
        if (eTaskList.isRowSelected(i + 1)) {
            // The result is not looked at: an ended, replaced or protected process is
            // passed over silently.
            control.terminate(tables.TaskPid[i], tables.TaskStartTime[i]);
        }
    }
}

}  // namespace pelorus::tasks
