// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <cstddef>
#include <functional>
#include <map>
#include <memory>
#include <optional>
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
/// walk.
template <class Entry>
class FakeSnapshot final : public platform::Snapshot<Entry> {
public:
    FakeSnapshot(std::vector<Entry> entries, std::function<void(std::size_t)> beforeEntry,
                 SnapshotLog& log)
        : m_entries(std::move(entries)), m_beforeEntry(std::move(beforeEntry)), m_log(log) {
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

private:
    std::vector<Entry> m_entries;
    std::function<void(std::size_t)> m_beforeEntry;
    SnapshotLog& m_log;
    std::size_t m_next = 0;
};

/// A process list given by the test, with the start times the system would report now.
class FakeProcessSource final : public platform::ProcessSource {
public:
    std::unique_ptr<platform::Snapshot<platform::ProcessEntry>> processes() override {
        return std::make_unique<FakeSnapshot<platform::ProcessEntry>>(entries, beforeEntry, log);
    }
    std::optional<platform::StartTime> startTime(platform::Pid pid) override {
        startTimeQueries.push_back(pid);
        const auto found = startTimes.find(pid);
        if (found == startTimes.end())
            return std::nullopt;
        return found->second;
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
};

/// The given thread entries, whatever PID is asked for (the walk filters by owner).
class FakeThreadSource final : public platform::ThreadSource {
public:
    std::unique_ptr<platform::Snapshot<platform::ThreadEntry>> threads(platform::Pid pid) override {
        requested.push_back(pid);
        return std::make_unique<FakeSnapshot<platform::ThreadEntry>>(entries, beforeEntry, log);
    }

    std::vector<platform::ThreadEntry> entries;
    std::function<void(std::size_t)> beforeEntry;
    SnapshotLog log;
    std::vector<platform::Pid> requested;
};

/// The given module entries, whatever PID is asked for (the walk filters by owner).
class FakeModuleSource final : public platform::ModuleSource {
public:
    std::unique_ptr<platform::Snapshot<platform::ModuleEntry>> modules(platform::Pid pid) override {
        requested.push_back(pid);
        return std::make_unique<FakeSnapshot<platform::ModuleEntry>>(entries, beforeEntry, log);
    }

    std::vector<platform::ModuleEntry> entries;
    std::function<void(std::size_t)> beforeEntry;
    SnapshotLog log;
    std::vector<platform::Pid> requested;
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
