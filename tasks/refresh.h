// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/processsource.h"
#include "platform/toolkit/toolkit.h"
#include "tasks/tasktables.h"

namespace pelorus::tasks {

/// Rebuilds the task list and the task tables from a fresh process snapshot, with the
/// main form locked for the duration: rows appended one at a time in snapshot order, at
/// most MaxTasks of them; columns fitted when at least one row was appended. The tables
/// keep the texts as read; the list shows them with hidden characters escaped, each text
/// held to MaxProcessTextLength characters.
void RefreshTaskList(TaskTables& tables, platform::ProcessSource& source,
                     platform::ReportList& eTaskList, platform::Form& frmMain);

}  // namespace pelorus::tasks
