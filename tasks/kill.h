// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/processcontrol.h"
#include "platform/toolkit/toolkit.h"
#include "tasks/tasktables.h"

namespace pelorus::tasks {

/// Ends the process of every selected row, in row order, silently. The bound is taken
/// once before the loop; rows and tables stay as they are until the next refresh. A row
/// whose PID a newer process has taken is skipped (the process control compares the
/// start time recorded by the refresh).
void killSelectedTasks(const TaskTables& tables, const platform::ReportList& eTaskList,
                       platform::ProcessControl& control);

}  // namespace pelorus::tasks
