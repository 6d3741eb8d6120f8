// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "details/windowtree.h"
#include "platform/processsource.h"
#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"
#include "tasks/tasktables.h"

namespace pelorus::details {

/// Opens the process of the task list's selected row: the detail list (executable,
/// PID and priority, threads, modules) and then the window tree.
///
/// Re-entry: the thread walk handles the waiting events after every entry, so commands
/// can run in the middle of an opening. The run copies its slot (PID, file, folder,
/// priority, start time) before it first yields and holds no pointer into the task
/// tables or the task list across a yield: a refresh, a kill or a cleared task list
/// meanwhile changes nothing of what it shows. A second opening meanwhile is ignored, so TINF and
/// TFRM always describe one process. The lists themselves must outlive the run: the form defers
/// closing and quitting while isRunning() is true.
class TaskDetails {
public:
    TaskDetails(platform::ProcessSource& processes, platform::ThreadSource& threads,
                platform::ModuleSource& modules, platform::WindowSystem& windows,
                platform::Form& frmMain);

    /// Fills TINF and rebuilds TFRM for the selected row of `eTaskList`. Nothing
    /// selected: nothing changes. Events are handled after every thread entry; an
    /// opening that arrives meanwhile is ignored, and the run works from a copy of its
    /// slot, so a refresh in the middle cannot change what it shows. A row whose
    /// process has ended or whose PID a newer process has taken shows the four rows of
    /// an ended process and a tree with only its root.
    void ShowTaskDetails(const tasks::TaskTables& tables, const platform::ReportList& eTaskList,
                         platform::ReportList& TINF, platform::WindowTree& TFRM);

    /// Whether an opening is running (its thread walk is handling events). Reset on
    /// every way out of ShowTaskDetails, an exception included.
    bool isRunning() const { return m_running; }

    /// What the window tree of the last opening stands for: the opened PID, the start
    /// time the opening checked, the windows of the nodes. The window commands check a
    /// node's window against it before they act.
    const OpenedWindows& openedWindows() const { return m_opened; }

private:
    platform::ProcessSource& m_processes;
    platform::ThreadSource& m_threads;
    platform::ModuleSource& m_modules;
    platform::WindowSystem& m_windows;
    platform::Form& m_frmMain;
    bool m_running = false;
    OpenedWindows m_opened;
};

}  // namespace pelorus::details
