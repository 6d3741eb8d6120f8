// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/processcontrol.h"
#include "platform/processsource.h"

namespace pelorus::testing {

/// What a fake snapshot reports back to its source: how many were taken and released.
struct SnapshotLog {
    int taken = 0;
    int released = 0;
    int fetches = 0;  ///< calls of next(), the failing last one included
};

/// Delivers a copy of the given entries in order. `beforeEntry` (when set) runs before
/// each entry is delivered, with its index, so that a test can act in the middle of a
/// walk. `cutShort` is what it says of its end.
template <class Entry>
class FakeSnapshot final : public platform::Snapshot<Entry> {
public:
    FakeSnapshot(std::vector<Entry> entries, std::function<void(std::size_t)> beforeEntry,
                 SnapshotLog& log, bool cutShort = false)
        : m_entries(std::move(entries)),
          m_beforeEntry(std::move(beforeEntry)),
          m_log(log),
          m_cutShort(cutShort) {
        ++m_log.taken;
    }
    ~FakeSnapshot() override { ++m_log.released; }
    FakeSnapshot(const FakeSnapshot&) = delete;
    FakeSnapshot& operator=(const FakeSnapshot&) = delete;

    bool next(Entry& out) override {
        ++m_log.fetches;
        if (m_next == m_entries.size())
            return false;
        if (m_beforeEntry)
            m_beforeEntry(m_next);
        out = m_entries[m_next++];
        return true;
    }
    bool cutShort() const override { return m_cutShort; }

private:
    std::vector<Entry> m_entries;
    std::function<void(std::size_t)> m_beforeEntry;
    SnapshotLog& m_log;
    bool m_cutShort;
    std::size_t m_next = 0;
};

/// The given thread entries, whatever PID is asked for (the walk filters by owner).
class FakeThreadSource {
public:
    std::unique_ptr<platform::Snapshot<platform::ThreadEntry>> threads(platform::Pid pid) {
        requested.push_back(pid);
        return std::make_unique<FakeSnapshot<platform::ThreadEntry>>(entries, beforeEntry, log,
                                                                     cutShort);
    }

    std::vector<platform::ThreadEntry> entries;
    /// Whether the walk says it ended at a bound of its own.
    bool cutShort = false;
    std::function<void(std::size_t)> beforeEntry;
    SnapshotLog log;
    std::vector<platform::Pid> requested;
};

/// The given module entries, whatever PID is asked for (the walk filters by owner).
class FakeModuleSource {
public:
    std::unique_ptr<platform::Snapshot<platform::ModuleEntry>> modules(platform::Pid pid) {
        requested.push_back(pid);
        return std::make_unique<FakeSnapshot<platform::ModuleEntry>>(entries, beforeEntry, log,
                                                                     cutShort);
    }

    std::vector<platform::ModuleEntry> entries;
    /// Whether the walk says it ended at a bound of its own.
    bool cutShort = false;
    std::function<void(std::size_t)> beforeEntry;
    SnapshotLog log;
    std::vector<platform::Pid> requested;
};

/// A process list given by the test, with the start times the system would report now.
/// An opening succeeds while the PID's start time is the one asked for; the opened
/// process reads its threads and modules from `threadSource` and `moduleSource` (none
/// when unset), and is still running while its start time stays.
class FakeProcessSource final : public platform::ProcessSource {
public:
    std::unique_ptr<platform::Snapshot<platform::ProcessEntry>> processes() override {
        return std::make_unique<FakeSnapshot<platform::ProcessEntry>>(entries, beforeEntry, log);
    }
    std::unique_ptr<platform::OpenedProcess> open(platform::Pid pid,
                                                  platform::StartTime startTime) override {
        // Every opening checks the start time.
        startTimeQueries.push_back(pid);
        if (uncheckedPids.contains(pid)) {
            if (!currentStartTime(pid))
                return nullptr;
            return std::make_unique<Opened>(*this, pid, startTime, false);
        }
        if (currentStartTime(pid) != startTime)
            return nullptr;
        return std::make_unique<Opened>(*this, pid, startTime, true);
    }
    platform::PathConvention pathConvention() const override { return convention; }

    /// Adds an entry and records its start time as the current one of its PID.
    void add(platform::Pid pid, std::int32_t priority, std::string path,
             platform::StartTime started = 100) {
        entries.push_back(platform::ProcessEntry{pid, priority, std::move(path), started});
        startTimes[pid] = started;
    }

    std::vector<platform::ProcessEntry> entries;
    std::map<platform::Pid, platform::StartTime> startTimes;
    platform::PathConvention convention = platform::kLinuxPaths;
    std::function<void(std::size_t)> beforeEntry;
    SnapshotLog log;
    std::vector<platform::Pid> startTimeQueries;
    FakeThreadSource* threadSource = nullptr;
    FakeModuleSource* moduleSource = nullptr;
    /// PIDs the system lists but tells no start time of: while listed (in `startTimes`),
    /// their openings succeed whatever start time is asked for, unchecked.
    std::set<platform::Pid> uncheckedPids;

private:
    std::optional<platform::StartTime> currentStartTime(platform::Pid pid) const {
        const auto found = startTimes.find(pid);
        if (found == startTimes.end())
            return std::nullopt;
        return found->second;
    }

    class Opened final : public platform::OpenedProcess {
    public:
        Opened(FakeProcessSource& source, platform::Pid pid, platform::StartTime startTime,
               bool checked)
            : m_source(source), m_pid(pid), m_startTime(startTime), m_checked(checked) {}
        platform::Pid pid() const override { return m_pid; }
        platform::StartTime startTime() const override { return m_startTime; }
        bool stillRunning() override {
            if (!m_checked)
                return m_source.currentStartTime(m_pid).has_value();
            return m_source.currentStartTime(m_pid) == m_startTime;
        }
        bool identityChecked() const override { return m_checked; }
        std::unique_ptr<platform::Snapshot<platform::ThreadEntry>> threads() override {
            if (m_source.threadSource == nullptr)
                return platform::makeEmptySnapshot<platform::ThreadEntry>();
            return m_source.threadSource->threads(m_pid);
        }
        std::unique_ptr<platform::Snapshot<platform::ModuleEntry>> modules() override {
            if (m_source.moduleSource == nullptr)
                return platform::makeEmptySnapshot<platform::ModuleEntry>();
            return m_source.moduleSource->modules(m_pid);
        }

    private:
        FakeProcessSource& m_source;
        platform::Pid m_pid;
        platform::StartTime m_startTime;
        bool m_checked;
    };
};

/// Records every termination request and answers with `result`.
class FakeProcessControl final : public platform::ProcessControl {
public:
    struct Call {
        platform::Pid pid;
        platform::StartTime startTime;
        bool operator==(const Call&) const = default;
    };

    platform::TerminateResult terminate(platform::Pid pid, platform::StartTime startTime) override {
        calls.push_back(Call{pid, startTime});
        if (onTerminate)
            onTerminate();
        return result;
    }

    std::vector<Call> calls;
    platform::TerminateResult result = platform::TerminateResult::Terminated;
    std::function<void()> onTerminate;
};

}  // namespace pelorus::testing
