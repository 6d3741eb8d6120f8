// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/win32/toolhelpsource.h"

#include <windows.h>
// windows.h first: Tool Help needs its types.
#include <tlhelp32.h>

#include "platform/win32/ansitext.h"

namespace pelorus::platform::win32 {
namespace {

// The record sizes the walks set in dwSize: the 8-bit-character forms of the records.
static_assert(sizeof(PROCESSENTRY32) == 296);
static_assert(sizeof(THREADENTRY32) == 28);
static_assert(sizeof(MODULEENTRY32) == 548);

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

std::unique_ptr<Snapshot<ThreadEntry>> ToolHelpSource::threads(Pid pid) {
    return makeWalk<ThreadEntry, THREADENTRY32, Thread32First, Thread32Next>(
        TH32CS_SNAPTHREAD, static_cast<DWORD>(pid), [](const THREADENTRY32& record) {
            return ThreadEntry{static_cast<Pid>(record.th32OwnerProcessID),
                               static_cast<ThreadId>(record.th32ThreadID), record.tpBasePri};
        });
}

std::unique_ptr<Snapshot<ModuleEntry>> ToolHelpSource::modules(Pid pid) {
    return makeWalk<ModuleEntry, MODULEENTRY32, Module32First, Module32Next>(
        TH32CS_SNAPMODULE, static_cast<DWORD>(pid), [](const MODULEENTRY32& record) {
            return ModuleEntry{static_cast<Pid>(record.th32ProcessID),
                               AnsiToUtf8(UntilNul(record.szExePath, sizeof record.szExePath))};
        });
}

}  // namespace pelorus::platform::win32
