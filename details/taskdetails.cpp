// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/taskdetails.h"

#include <optional>
#include <string>
#include <string_view>
#include <utility>

#include "details/windownotes.h"
#include "details/windowtree.h"
#include "platform/text/hex.h"
#include "platform/text/pathtext.h"
#include "resources/formatting.h"
#include "resources/strings.h"

namespace pelorus::details {

namespace {

/// Marks an opening as running for as long as it lives, whichever way the run ends.
class RunningMark {
public:
    explicit RunningMark(bool& running) : m_running(running) { m_running = true; }
    ~RunningMark() { m_running = false; }
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

private:
    bool& m_running;
};

/// What one opening shows of its row, copied out of the task tables before anything can
/// yield: a refresh in the middle of the thread walk rewrites the tables.
/// A process text as the detail list and the tree show it.
std::string shownProcessText(std::string_view text) {
    return resources::shownText(text, resources::MaxProcessTextLength);
}

/// The note row of a walk that ended before its end; `limit` fills its "$", if it has one.
std::string walkNote(resources::StringId id, const std::string& limit = {}) {
    return resources::replaceAll(resources::LoadString(id), "$", limit);
}

struct OpenedTask {
    platform::Pid pid = 0;
    std::string file;
    std::string location;
    std::int32_t priority = 0;
    platform::StartTime startTime = 0;
};

}  // namespace

TaskDetails::TaskDetails(platform::ProcessSource& processes, platform::WindowSystem& windows,
                         platform::Form& frmMain, tasks::ActionClock clock)
    : m_processes(processes), m_windows(windows), m_frmMain(frmMain), m_clock(std::move(clock)) {}

void TaskDetails::ShowTaskDetails(const tasks::TaskTables& tables,
                                  const platform::ReportList& eTaskList, platform::ReportList& TINF,
                                  platform::WindowTree& TFRM) {
    if (m_running)
        return;

    // No selected row reads as 0.
    std::int32_t slot = eTaskList.selectedRow();
    // A position outside the filled slots has no process behind it; reading it would
    // show what an earlier refresh left there, or run past the tables.
    if (slot <= 0 || slot > tables.TaskCount)
        return;
    slot = slot - 1;

    const RunningMark mark(m_running);
    const OpenedTask task{tables.TaskPid[slot], tables.TaskFile[slot], tables.TaskLocation[slot],
                          tables.TaskPriority[slot], tables.TaskStartTime[slot]};
    const platform::PathConvention convention = m_processes.pathConvention();

    // The PID may have been taken by a newer process since the refresh: its threads,
    // modules and windows would show under this row's name. A start time that differs
    // or cannot be read means the listed process has ended. The process is opened once,
    // here, and every later read goes to the process that passed this check, never to
    // the PID number again.
    m_opened = m_processes.open(task.pid, task.startTime);
    platform::OpenedProcess* const opened = m_opened.get();

    TINF.clear();
    TINF.appendRow(resources::LoadString(resources::StringId::Exefile));
    TINF.setCell(1, 2, shownProcessText(task.file));
    TINF.setCell(1, 3, shownProcessText(task.location));
    TINF.appendRow(resources::LoadString(resources::StringId::ProcessId));
    TINF.setCell(2, 2, text::HexHandle(task.pid));
    TINF.setCell(2, 3, resources::PriorityText(task.priority));
    TINF.appendRow(std::string());
    std::int32_t detailRow = 4;

    if (opened != nullptr) {
        const tasks::ActionDeadline deadline(m_clock, tasks::kActionLimit);
        auto threads = opened->threads();
        std::optional<std::string> note;
        platform::ThreadEntry thread;
        while (threads->next(thread)) {
            if (deadline.passed()) {
                note = walkNote(resources::StringId::ThreadsTimedOut, tasks::actionLimitText());
                break;
            }
            if (thread.owner == task.pid) {
                TINF.appendRow(resources::LoadString(resources::StringId::Thread));
                TINF.setCell(detailRow, 2, text::HexHandle(thread.tid));
                TINF.setCell(detailRow, 3, resources::PriorityText(thread.basePriority));
                ++detailRow;
            }
            // Keeps the window painting while the list fills. Nothing read across this
            // call lives outside this run: the slot is copied and TINF is written by
            // this run alone, since a second opening is turned away meanwhile.
            m_frmMain.processEvents();
        }
        if (!note && threads->cutShort())
            note = walkNote(resources::StringId::ThreadsLeftOut);
        if (note) {
            TINF.appendRow(*note);
            ++detailRow;
        }
    }

    TINF.appendRow(std::string());
    ++detailRow;

    if (opened != nullptr) {
        const tasks::ActionDeadline deadline(m_clock, tasks::kActionLimit);
        auto modules = opened->modules();
        std::optional<std::string> note;
        int shownModules = 0;
        platform::ModuleEntry module;
        while (modules->next(module)) {
            if (deadline.passed()) {
                note = walkNote(resources::StringId::ModulesTimedOut, tasks::actionLimitText());
                break;
            }
            if (module.owner != task.pid)
                continue;
            if (shownModules == MaxModuleRows) {
                note =
                    walkNote(resources::StringId::ModuleRowsLeftOut, std::to_string(MaxModuleRows));
                break;
            }
            const text::PathParts parts = text::splitPath(
                text::pathText(module.path, convention, /*trimLeadingBlanks=*/false), convention);
            TINF.appendRow(resources::LoadString(resources::StringId::Modul));
            TINF.setCell(detailRow, 2, shownProcessText(parts.file));
            TINF.setCell(detailRow, 3, shownProcessText(parts.location));
            ++detailRow;
            ++shownModules;
        }
        if (!note && modules->cutShort())
            note = walkNote(resources::StringId::ModulesLeftOut);
        if (note) {
            TINF.appendRow(*note);
            ++detailRow;
        }
    }

    TINF.fitColumn(0);
    TINF.fitColumn(1);
    TINF.fitColumn(2);

    // The thread walk let events run and time pass: a process that has ended since the
    // check (its PID maybe taken again) shows no windows, since they are found by PID.
    const bool processGone = opened == nullptr || !opened->stillRunning();
    m_openedWindows =
        buildWindowTree(m_windows, TFRM, task.pid, shownProcessText(task.file), processGone);
    m_openedWindows.startTime = task.startTime;
    // Windows that the window system knows it cannot show are missing for a reason the
    // tree then says; a process that has ended has no windows to miss.
    if (!processGone && TFRM.nodeCount() >= 1)
        addUnseenWindowNotes(m_windows, TFRM);
}

}  // namespace pelorus::details
