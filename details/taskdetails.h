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

/// Opens the process of the task list's selected row: the detail list (executable,
/// PID and priority, threads, modules) and then the window tree.
///
/// One process per opening: the row's process is opened once, when its start time is
/// checked, and its threads and modules are read from that opened process, never by PID
/// number again. Just before the window tree is built the start time is checked again
/// through it; a process that has ended by then gets a tree with only its root. Texts
/// reach the lists with their control and invisible format characters escaped.
///
/// Re-entry: the thread walk handles the waiting events after every entry, so commands
/// can run in the middle of an opening. The run copies its slot (PID, file, folder,
/// priority, start time) before it first yields and holds no pointer into the task
/// tables or the task list across a yield: a refresh, a kill or a cleared task list
/// meanwhile changes nothing of what it shows. A second opening meanwhile is ignored, so TINF and
/// TFRM always describe one process. The lists themselves must outlive the run: the form defers
/// closing and quitting while isRunning() is true.
///
/// Bounds: the thread walk and the module walk each end once tasks::kActionLimit has
/// passed since they began, at most MaxModuleRows modules are shown, and a walk that its
/// source cut short (at its own bound on threads or on bytes read) ends there too. Each
/// walk that ended early leaves a note row after its last row, in place of the rows it
/// left out; the note's text says which bound it was and carries no cells.
class TaskDetails {
public:
    /// `clock` gives the walks their time (tests give their own).
    TaskDetails(platform::ProcessSource& processes, platform::WindowSystem& windows,
                platform::Form& frmMain, tasks::ActionClock clock = tasks::steadyClock());

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
