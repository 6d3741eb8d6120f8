// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <gtest/gtest.h>
#include <signal.h>
#include <unistd.h>

#include <QTreeWidget>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <set>
#include <string>

#include "app/frmmain.h"
#include "platform/linux/pidfdprocesscontrol.h"
#include "platform/linux/procfssource.h"
#include "platform/platform.h"
#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "tests/fakes/fakewindowsystem.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {

/// The real /proc and the real process control; no windows, so that an opening never
/// reaches whatever X display the session that runs the test has.
class ChurnPlatform final : public platform::Platform {
public:
    platform::ProcessSource& processSource() override { return procfs; }
    platform::ProcessControl& processControl() override { return control; }
    platform::WindowSystem& windowSystem() override { return windows; }

    platform::ProcfsSource procfs;
    platform::PidfdProcessControl control;
    FakeWindowSystem windows;
};

/// The storm helper, running: it starts and reaps short-lived processes until stop().
/// It runs from a copy named after this test process, so that the rows of a storm that
/// another test runs at the same time are never taken for this one's.
class ProcessStorm {
public:
    /// `pidFile` gets the PID of every child ("/dev/null": not kept); `perSecond` caps
    /// how many it starts a second (0: as many as it can).
    explicit ProcessStorm(const std::string& pidFile, int perSecond = 0)
        : m_name("pelorus_storm_" + std::to_string(::getpid())) {
        const std::filesystem::path copy = m_folder.path() / m_name;
        std::error_code error;
        std::filesystem::copy_file(PELORUS_CHURN_HELPER_DIR "/pelorus_test_procstorm", copy, error);
        if (error)
            return;
        m_child = ChildProcess::startPiped({copy.string(), pidFile, std::to_string(perSecond)});
        const auto line = m_child.readLine();
        m_ready = m_child.pid() > 0 && line == "ready";
    }

    /// The name the task list gives the helper and each of its children.
    const std::string& name() const { return m_name; }
    bool ready() const { return m_ready; }
    platform::Pid pid() const { return m_child.pid(); }

    /// Ends the storm; its children are all reaped when this returns. The number of
    /// processes it started, per second of its run.
    double stop(long long& spawned) {
        ::kill(m_child.pid(), SIGTERM);
        std::string output;
        m_child.finish(output);
        long long milliseconds = 0;
        spawned = 0;
        if (std::sscanf(output.c_str(), "spawned %lld ms %lld", &spawned, &milliseconds) != 2 ||
            milliseconds <= 0)
            return 0;
        return static_cast<double>(spawned) * 1000.0 / static_cast<double>(milliseconds);
    }

private:
    TempDir m_folder;
    std::string m_name;
    ChildProcess m_child;
    bool m_ready = false;
};

/// What is known of a process that a refresh left out: whether it still exists, whether
/// a walk of /proc of its own finds it, and the listed PIDs beside its number.
inline std::string missingRow(const std::set<platform::Pid>& listed, platform::Pid pid) {
    std::string text =
        "PID " + std::to_string(pid) + " not listed; it " +
        (::kill(pid, 0) == 0 ? "exists" : "does not exist") + "; a walk of its own " +
        (rowOf(*std::make_unique<platform::ProcfsSource>(), pid).pid == pid ? "finds it"
                                                                            : "does not find it") +
        "; " + std::to_string(listed.size()) + " listed";
    const auto after = listed.upper_bound(pid);
    if (after != listed.begin())
        text += ", below it " + std::to_string(*std::prev(after));
    if (after != listed.end())
        text += ", above it " + std::to_string(*after);
    if (!listed.empty())
        text += ", highest " + std::to_string(*listed.rbegin());
    return text;
}

/// What one refresh left in the task tables is sound: as many rows as slots, no PID twice,
/// and both the test and the storm helper, which run throughout, listed.
inline void expectSoundRefresh(const app::frmMain& form, platform::Pid stormPid) {
    const tasks::TaskTables& tables = form.taskTables();
    ASSERT_EQ(form.eTaskList()->topLevelItemCount(), tables.TaskCount);
    std::set<platform::Pid> seen;
    for (std::int32_t i = 0; i < tables.TaskCount; ++i) {
        const auto slot = static_cast<size_t>(i);
        ASSERT_TRUE(seen.insert(tables.TaskPid[slot]).second)
            << "PID twice: " << tables.TaskPid[slot];
        ASSERT_EQ(form.eTaskList()->topLevelItem(i)->text(1).toStdString(),
                  text::HexHandle(tables.TaskPid[slot]));
    }
    ASSERT_TRUE(seen.count(::getpid()) == 1) << missingRow(seen, ::getpid());
    // The helper is not reaped before the end: even ended, it stays listed as a zombie.
    ASSERT_TRUE(seen.count(stormPid) == 1) << missingRow(seen, stormPid);
}

/// The slot of the last storm child listed, else the storm helper's own; -1 if neither.
inline int stormSlot(const tasks::TaskTables& tables, const ProcessStorm& storm, bool childWanted) {
    const platform::Pid stormPid = storm.pid();
    int found = -1;
    for (std::int32_t i = 0; i < tables.TaskCount; ++i) {
        const auto slot = static_cast<size_t>(i);
        if (tables.TaskPid[slot] == stormPid && found < 0)
            found = i;
        if (childWanted && tables.TaskFile[slot] == storm.name() &&
            tables.TaskPid[slot] != stormPid)
            found = i;
    }
    return found;
}

/// Selects slot `slot` and opens it; checks that the detail list describes that process
/// or, once it has ended, nothing. Storm processes are single-threaded, so a listed thread
/// is the process itself, and their modules include the helper's file. True when the
/// process was still there to show its thread.
inline bool openAndCheck(app::frmMain& form, int slot, const std::string& stormName) {
    const tasks::TaskTables& tables = form.taskTables();
    const platform::Pid pid = tables.TaskPid[static_cast<size_t>(slot)];
    const std::string file = tables.TaskFile[static_cast<size_t>(slot)];
    QTreeWidget& list = *form.eTaskList();
    list.clearSelection();
    list.setCurrentItem(list.topLevelItem(slot));
    form.ShowTaskDetails();

    const QTreeWidget& details = *form.TINF();
    const auto cell = [&](int row, int column) {
        return details.topLevelItem(row)->text(column).toStdString();
    };
    EXPECT_GE(details.topLevelItemCount(), 4);
    if (details.topLevelItemCount() < 4)
        return false;
    EXPECT_EQ(cell(0, 1), file);
    EXPECT_EQ(cell(1, 1), text::HexHandle(pid));
    int threads = 0;
    int modules = 0;
    bool ownFile = false;
    for (int row = 3; row < details.topLevelItemCount(); ++row) {
        if (cell(row, 0) == "Thread:") {
            ++threads;
            EXPECT_EQ(cell(row, 1), text::HexHandle(pid)) << "a thread of another process";
        } else if (cell(row, 0) == "Modul:") {
            ++modules;
            ownFile = ownFile || cell(row, 1) == stormName;
        }
    }
    EXPECT_LE(threads, 1);
    if (modules > 0) {
        EXPECT_TRUE(ownFile) << "modules of another process under " << pid;
    }
    return threads == 1;
}

/// What a run of refreshes and openings did.
struct ChurnTally {
    long refreshes = 0;
    long openings = 0;
    long shownAlive = 0;  ///< openings that found their process still running
};

/// `refreshes` refreshes, each checked, with `openings` openings of storm processes spread
/// evenly among them (one in four opens the helper itself, the others its last listed
/// child). `afterRefresh` sees the tables of each refresh. Stops at the first failure.
inline void runChurn(app::frmMain& form, const ProcessStorm& storm, long refreshes, long openings,
                     ChurnTally& tally,
                     const std::function<void(const tasks::TaskTables&)>& afterRefresh = {}) {
    long opened = 0;
    for (long i = 0; i < refreshes; ++i) {
        form.eButton_Click(1);
        ++tally.refreshes;
        ASSERT_NO_FATAL_FAILURE(expectSoundRefresh(form, storm.pid()));
        if (afterRefresh)
            afterRefresh(form.taskTables());
        if ((i + 1) * openings / refreshes > opened) {
            const int slot = stormSlot(form.taskTables(), storm, opened % 4 != 3);
            ASSERT_GE(slot, 0);
            tally.shownAlive += openAndCheck(form, slot, storm.name()) ? 1 : 0;
            ++tally.openings;
            ++opened;
        }
    }
}

/// The number of open file descriptors of this process.
inline int openDescriptors() {
    int count = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator("/proc/self/fd"))
        ++count;
    return count;
}

/// The resident set of this process, in KiB.
inline long residentKiB() {
    std::ifstream statm("/proc/self/statm");
    long size = 0;
    long resident = 0;
    statm >> size >> resident;
    return resident * (::sysconf(_SC_PAGESIZE) / 1024);
}

/// A count from the environment, or `fallback`.
inline long countFromEnvironment(const char* name, long fallback) {
    const char* text = std::getenv(name);
    if (text == nullptr || *text == '\0')
        return fallback;
    const long value = std::strtol(text, nullptr, 10);
    return value > 0 ? value : fallback;
}

/// Whether this build runs under AddressSanitizer, whose quarantine keeps freed memory
/// resident for a while.
inline constexpr bool kAddressSanitizer =
#if defined(__SANITIZE_ADDRESS__)
    true;
#else
    false;
#endif

}  // namespace pelorus::testing
