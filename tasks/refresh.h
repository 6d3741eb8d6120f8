// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/processsource.h"
#include "platform/toolkit/toolkit.h"
#include "tasks/actiondeadline.h"
#include "tasks/tasktables.h"

namespace pelorus::tasks {

/// Rebuilds the task list and the task tables from a fresh process snapshot, the main form
/// locked until it ends, however it ends: rows appended one at a time in snapshot order, at
/// most MaxTasks; columns fitted when a row was appended. The tables keep the texts as
/// read; the list shows them escaped, each held to MaxProcessTextLength characters. Past
/// kActionLimit on `clock` the walk ends with the rows it has and one more: a note that not
/// all processes are listed, which belongs to no slot (TaskCount counts the processes only).
void RefreshTaskList(TaskTables& tables, platform::ProcessSource& source,
                     platform::ReportList& eTaskList, platform::Form& frmMain,
                     const ActionClock& clock = steadyClock());

}  // namespace pelorus::tasks
