// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <memory>

#include "details/windowtree.h"
#include "platform/processsource.h"
#include "platform/toolkit/toolkit.h"
#include "platform/windowsystem.h"
#include "tasks/actiondeadline.h"
#include "tasks/tasktables.h"

namespace pelorus::details {

/// The most module rows an opening shows: as many as the task list has slots. A process
/// that maps more files (tens of thousands are possible, each with a path of up to 4 KiB)
/// gets these and a note that more were left out, where one row per file would hold the
/// viewer's memory to whatever the process chose.
inline constexpr int MaxModuleRows = 2048;

/// Opens the process of the task list's selected row: the detail list (executable, PID and
/// priority, threads, modules) and then the window tree. The process is opened once, checked
/// by its start time, read through that opening (never by PID again) and checked again just
/// before the tree; texts reach the lists escaped. The thread and module walks each end after
/// tasks::kActionLimit, at MaxModuleRows modules, or where their source cut them short, each
/// then leaving a note row (no cells) that says which bound it met.
class TaskDetails {
public:
    /// `clock` gives the walks their time (tests give their own).
    TaskDetails(platform::ProcessSource& processes, platform::WindowSystem& windows,
                platform::Form& frmMain, tasks::ActionClock clock = tasks::steadyClock());

    /// Fills TINF and rebuilds TFRM for the selected row of `eTaskList`; nothing selected,
    /// nothing changes. Events are handled after every thread entry: the run works from a
    /// copy of its slot, so a refresh or kill meanwhile changes nothing it shows, and an
    /// opening meanwhile is ignored. The lists must outlive the run (MainForm defers its
    /// closing). A row whose process has ended, or whose PID another process has taken,
    /// shows the four rows of an ended process and a tree of its root alone.
    void ShowTaskDetails(const tasks::TaskTables& tables, const platform::ReportList& eTaskList,
                         platform::ReportList& TINF, platform::WindowTree& TFRM);

    /// Whether an opening is running (its thread walk is handling events). Reset on
    /// every way out of ShowTaskDetails, an exception included.
    bool isRunning() const { return m_running; }

    /// The process of the last opening, held open until the next one: its PID and the
    /// start time checked at opening. Null before the first opening and when the row's
    /// process had ended (or its PID had been taken) at opening. Commands that act on
    /// what the opening showed ask stillRunning() first: false once that process has
    /// ended, even if its PID names another process by then.
    platform::OpenedProcess* openedProcess() const { return m_opened.get(); }

    /// What the window tree of the last opening stands for: the opened PID, the start
    /// time the opening checked, the windows of the nodes. The window commands check a
    /// node's window against it before they act.
    const OpenedWindows& openedWindows() const { return m_openedWindows; }

private:
    platform::ProcessSource& m_processes;
    platform::WindowSystem& m_windows;
    platform::Form& m_frmMain;
    tasks::ActionClock m_clock;
    bool m_running = false;
    std::unique_ptr<platform::OpenedProcess> m_opened;
    OpenedWindows m_openedWindows;
};

}  // namespace pelorus::details
