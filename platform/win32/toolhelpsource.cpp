// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/win32/toolhelpsource.h"

#include <windows.h>
// windows.h first: Tool Help needs its types.
#include <tlhelp32.h>

#include <string>
#include <utility>

#include "platform/text/wide.h"
#include "platform/win32/ansitext.h"

namespace pelorus::platform::win32 {
namespace {

// The record sizes the walks set in dwSize: the 8-bit-character forms of the records. The
// 64-bit forms are larger where a field holds a pointer-sized value (the default heap of a
// process, the module's base address and handle) and by the padding that aligns it.
#ifdef _WIN64
static_assert(sizeof(PROCESSENTRY32) == 304);
static_assert(sizeof(THREADENTRY32) == 28);
static_assert(sizeof(MODULEENTRY32) == 568);
#else
static_assert(sizeof(PROCESSENTRY32) == 296);
static_assert(sizeof(THREADENTRY32) == 28);
static_assert(sizeof(MODULEENTRY32) == 548);
#endif

// Query access to a process, on systems before Vista the full query right.
constexpr DWORD kQueryLimitedInformation = 0x1000;

/// One Tool Help walk: the snapshot handle, closed when the walk ends, and the record.
template <class Entry, class Record, BOOL(WINAPI* First)(HANDLE, Record*),
          BOOL(WINAPI* Next)(HANDLE, Record*), class Convert>
class ToolHelpWalk final : public Snapshot<Entry> {
public:
    ToolHelpWalk(DWORD flags, DWORD pid, Convert convert)
        : m_handle(CreateToolhelp32Snapshot(flags, pid)), m_convert(convert) {
        m_record.dwSize = sizeof(Record);
    }
    ~ToolHelpWalk() override {
        if (m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    ToolHelpWalk(const ToolHelpWalk&) = delete;
    ToolHelpWalk& operator=(const ToolHelpWalk&) = delete;

    bool next(Entry& out) override {
        if (m_handle == INVALID_HANDLE_VALUE || m_ended)
            return false;
        const BOOL delivered = m_started ? Next(m_handle, &m_record) : First(m_handle, &m_record);
        m_started = true;
        if (!delivered) {
            m_ended = true;
            return false;
        }
        out = m_convert(m_record);
        return true;
    }

private:
    HANDLE m_handle;
    Convert m_convert;
    Record m_record{};
    bool m_started = false;
    bool m_ended = false;
};

template <class Entry, class Record, BOOL(WINAPI* First)(HANDLE, Record*),
          BOOL(WINAPI* Next)(HANDLE, Record*), class Convert>
std::unique_ptr<Snapshot<Entry>> makeWalk(DWORD flags, DWORD pid, Convert convert) {
    return std::make_unique<ToolHelpWalk<Entry, Record, First, Next, Convert>>(flags, pid, convert);
}

/// A query handle on the process that now has `pid`, able to tell whether it has ended:
/// the limited query right where the system knows it, the full one on systems before
/// Vista. Null when there is none; `refused` then says whether the system refused it (the
/// process exists) rather than finding no such process.
HANDLE openForQuery(DWORD pid, bool& refused) {
    HANDLE process = OpenProcess(kQueryLimitedInformation | SYNCHRONIZE, FALSE, pid);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
    refused = !process && GetLastError() == ERROR_ACCESS_DENIED;
    return process;
}

/// The system's clock now, as process creation times are written.
StartTime now() {
    FILETIME time{};
    GetSystemTimeAsFileTime(&time);
    return (static_cast<StartTime>(time.dwHighDateTime) << 32) | time.dwLowDateTime;
}

/// The creation time of the process that had `pid` when a snapshot was taken at `moment`.
/// The handle is opened after the snapshot: a process created after `moment` has taken
/// the PID of the one the snapshot saw, which has ended, and is not that process. One
/// created before it is: while its handle is open it has held the PID ever since, so no
/// other process can have had it at the snapshot.
std::optional<StartTime> startTimeAt(DWORD pid, StartTime moment) {
    bool refused = false;
    HANDLE process = openForQuery(pid, refused);
    if (!process)
        return std::nullopt;
    std::optional<StartTime> created = hasEnded(process) ? std::nullopt : creationTime(process);
    if (created && *created > moment)
        created = std::nullopt;
    CloseHandle(process);
    return created;
}

/// The file name under which a process snapshot lists `pid` now; nullopt when it is not
/// listed.
std::optional<std::string> listedName(DWORD pid) {
    const HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return std::nullopt;
    PROCESSENTRY32 record{};
    record.dwSize = sizeof record;
    std::optional<std::string> name;
    for (BOOL more = Process32First(snapshot, &record); more && !name;
         more = Process32Next(snapshot, &record)) {
        if (record.th32ProcessID == pid)
            name = std::string(text::untilNul(record.szExeFile, sizeof record.szExeFile));
    }
    CloseHandle(snapshot);
    return name;
}

}  // namespace

bool hasEnded(void* process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

std::optional<StartTime> creationTime(void* process) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user))
        return std::nullopt;
    return (static_cast<StartTime>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

Identity identityOf(void* process, StartTime startTime) {
    if (hasEnded(process))
        return Identity::Ended;
    return creationTime(process) == startTime ? Identity::Same : Identity::Other;
}

std::unique_ptr<Snapshot<ProcessEntry>> ToolHelpSource::processes() {
    // Taken before the snapshot, so that every process the snapshot lists was created
    // before it.
    const StartTime moment = now();
    return makeWalk<ProcessEntry, PROCESSENTRY32, Process32First, Process32Next>(
        TH32CS_SNAPPROCESS, 0, [moment](const PROCESSENTRY32& record) {
            ProcessEntry entry;
            entry.pid = static_cast<Pid>(record.th32ProcessID);
            entry.basePriority = record.pcPriClassBase;
            entry.path = ansiToUtf8(text::untilNul(record.szExeFile, sizeof record.szExeFile));
            entry.startTime = startTimeAt(record.th32ProcessID, moment).value_or(0);
            return entry;
        });
}

std::optional<StartTime> ToolHelpSource::startTime(Pid pid) {
    return startTimeAt(static_cast<DWORD>(pid), now());
}

namespace {

/// A process whose threads and modules come from the system-wide snapshots by its PID.
class SnapshotProcess : public OpenedProcess {
public:
    explicit SnapshotProcess(Pid pid) : m_pid(pid) {}

    Pid pid() const override { return m_pid; }
    std::unique_ptr<Snapshot<ThreadEntry>> threads() override {
        return makeWalk<ThreadEntry, THREADENTRY32, Thread32First, Thread32Next>(
            TH32CS_SNAPTHREAD, static_cast<DWORD>(m_pid), [](const THREADENTRY32& record) {
                return ThreadEntry{static_cast<Pid>(record.th32OwnerProcessID),
                                   static_cast<ThreadId>(record.th32ThreadID), record.tpBasePri};
            });
    }
    std::unique_ptr<Snapshot<ModuleEntry>> modules() override {
        return makeWalk<ModuleEntry, MODULEENTRY32, Module32First, Module32Next>(
            TH32CS_SNAPMODULE, static_cast<DWORD>(m_pid), [](const MODULEENTRY32& record) {
                return ModuleEntry{
                    static_cast<Pid>(record.th32ProcessID),
                    ansiToUtf8(text::untilNul(record.szExePath, sizeof record.szExePath))};
            });
    }

private:
    Pid m_pid;
};

/// A process held by a query handle for the length of an opening: the system never gives
/// a PID to a new process while a handle to the old one is open. The idle process (PID 0)
/// cannot be opened and never ends: it is held without a handle.
class ToolHelpProcess final : public SnapshotProcess {
public:
    ToolHelpProcess(HANDLE process, Pid pid, StartTime startTime)
        : SnapshotProcess(pid), m_process(process), m_startTime(startTime) {}
    ~ToolHelpProcess() override {
        if (m_process != nullptr)
            CloseHandle(m_process);
    }
    ToolHelpProcess(const ToolHelpProcess&) = delete;
    ToolHelpProcess& operator=(const ToolHelpProcess&) = delete;

    StartTime startTime() const override { return m_startTime; }
    bool stillRunning() override {
        if (m_process == nullptr)
            return true;
        return identityOf(m_process, m_startTime) == Identity::Same;
    }

private:
    HANDLE m_process;
    StartTime m_startTime;
};

/// A process the system lists but refuses to open for a query (a service, another user's
/// process): there is no handle to hold and no creation time to check. It is known by its
/// PID and by the name the snapshot lists under it.
class UnqueryableProcess final : public SnapshotProcess {
public:
    UnqueryableProcess(Pid pid, std::string listedName)
        : SnapshotProcess(pid), m_listedName(std::move(listedName)) {}

    StartTime startTime() const override { return 0; }
    bool stillRunning() override { return listedName(static_cast<DWORD>(pid())) == m_listedName; }
    bool identityChecked() const override { return false; }

private:
    std::string m_listedName;
};

}  // namespace

std::unique_ptr<OpenedProcess> ToolHelpSource::open(Pid pid, StartTime startTime) {
    if (pid < 0)
        return nullptr;
    // The idle process: the snapshot gives it no creation time, and it never ends.
    if (pid == 0)
        return startTime == 0 ? std::make_unique<ToolHelpProcess>(nullptr, 0, 0) : nullptr;
    const auto id = static_cast<DWORD>(pid);
    bool refused = false;
    HANDLE process = openForQuery(id, refused);
    if (!process) {
        // A row whose start time could not be read at the refresh either: the system lists
        // the process but will not let it be queried. What the snapshots give under its PID
        // is shown; Kill and the window commands, which need its identity, pass it over.
        if (!refused || startTime != 0)
            return nullptr;
        auto name = listedName(id);
        if (!name)
            return nullptr;
        return std::make_unique<UnqueryableProcess>(pid, std::move(*name));
    }
    if (identityOf(process, startTime) != Identity::Same) {
        CloseHandle(process);
        return nullptr;
    }
    return std::make_unique<ToolHelpProcess>(process, pid, startTime);
}

}  // namespace pelorus::platform::win32
