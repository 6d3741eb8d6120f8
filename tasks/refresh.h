// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/processsource.h"
#include "platform/toolkit/toolkit.h"
#include "tasks/actiondeadline.h"
#include "tasks/tasktables.h"

namespace pelorus::tasks {

/// Rebuilds the task list and the task tables from a fresh process snapshot, with the
/// main form locked for the duration: rows appended one at a time in snapshot order, at
/// most MaxTasks of them; columns fitted when at least one row was appended. The tables
/// keep the texts as read; the list shows them with hidden characters escaped, each text
/// held to MaxProcessTextLength characters.
///
/// The walk ends once kActionLimit has passed on `clock` since it started, with the rows
/// it has: the list then ends with one more row, a note that not all processes are listed,
/// which belongs to no slot (TaskCount counts the processes only), and the form is given
/// back to the user as after any refresh.
void RefreshTaskList(TaskTables& tables, platform::ProcessSource& source,
                     platform::ReportList& eTaskList, platform::Form& frmMain,
                     const ActionClock& clock = steadyClock());

}  // namespace pelorus::tasks
