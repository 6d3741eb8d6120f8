// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/win32/toolhelpsource.h"

#include <windows.h>
// windows.h first: Tool Help needs its types.
#include <tlhelp32.h>

#include <string>
#include <utility>

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

std::optional<StartTime> startTimeOf(DWORD pid) {
    HANDLE process = OpenProcess(kQueryLimitedInformation | SYNCHRONIZE, FALSE, pid);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
    if (!process)
        return std::nullopt;
    const std::optional<StartTime> created =
        HasEnded(process) ? std::nullopt : CreationTime(process);
    CloseHandle(process);
    return created;
}

}  // namespace

bool HasEnded(void* process) {
    return WaitForSingleObject(process, 0) == WAIT_OBJECT_0;
}

std::optional<StartTime> CreationTime(void* process) {
    FILETIME creation{}, exit{}, kernel{}, user{};
    if (!GetProcessTimes(process, &creation, &exit, &kernel, &user))
        return std::nullopt;
    return (static_cast<StartTime>(creation.dwHighDateTime) << 32) | creation.dwLowDateTime;
}

std::unique_ptr<Snapshot<ProcessEntry>> ToolHelpSource::processes() {
    return makeWalk<ProcessEntry, PROCESSENTRY32, Process32First, Process32Next>(
        TH32CS_SNAPPROCESS, 0, [](const PROCESSENTRY32& record) {
            ProcessEntry entry;
            entry.pid = static_cast<Pid>(record.th32ProcessID);
            entry.basePriority = record.pcPriClassBase;
            entry.path = AnsiToUtf8(UntilNul(record.szExeFile, sizeof record.szExeFile));
            entry.startTime = startTimeOf(record.th32ProcessID).value_or(0);
            return entry;
        });
}

std::optional<StartTime> ToolHelpSource::startTime(Pid pid) {
    return startTimeOf(static_cast<DWORD>(pid));
}

namespace {

/// A process held by a query handle for the length of an opening. The idle process
/// (PID 0) cannot be opened and never ends: it is held without a handle.
class ToolHelpProcess final : public OpenedProcess {
public:
    ToolHelpProcess(HANDLE process, Pid pid, StartTime startTime)
        : m_process(process), m_pid(pid), m_startTime(startTime) {}
    ~ToolHelpProcess() override {
        if (m_process != nullptr)
            CloseHandle(m_process);
    }
    ToolHelpProcess(const ToolHelpProcess&) = delete;
    ToolHelpProcess& operator=(const ToolHelpProcess&) = delete;

    Pid pid() const override { return m_pid; }
    StartTime startTime() const override { return m_startTime; }
    bool stillRunning() override {
        if (m_process == nullptr)
            return true;
        return !HasEnded(m_process) && CreationTime(m_process) == m_startTime;
    }
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
                return ModuleEntry{static_cast<Pid>(record.th32ProcessID),
                                   AnsiToUtf8(UntilNul(record.szExePath, sizeof record.szExePath))};
            });
    }

private:
    HANDLE m_process;
    Pid m_pid;
    StartTime m_startTime;
};

}  // namespace

std::unique_ptr<OpenedProcess> ToolHelpSource::open(Pid pid, StartTime startTime) {
    if (pid < 0)
        return nullptr;
    // The idle process: the snapshot gives it no creation time, and it never ends.
    if (pid == 0)
        return startTime == 0 ? std::make_unique<ToolHelpProcess>(nullptr, 0, 0) : nullptr;
    const auto id = static_cast<DWORD>(pid);
    HANDLE process = OpenProcess(kQueryLimitedInformation | SYNCHRONIZE, FALSE, id);
    if (!process)
        process = OpenProcess(PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, id);
    if (!process)
        return nullptr;
    if (HasEnded(process) || CreationTime(process) != startTime) {
        CloseHandle(process);
        return nullptr;
    }
    return std::make_unique<ToolHelpProcess>(process, pid, startTime);
}

}  // namespace pelorus::platform::win32
