// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/win32/win32processcontrol.h"

#include <windows.h>

#include "platform/win32/toolhelpsource.h"

namespace pelorus::platform::win32 {
namespace {

// The limited query right (Vista and later), enough to read the creation time.
constexpr DWORD kQueryLimitedInformation = 0x1000;

/// What Kill needs of a process and no more: ending it, telling whether it has ended and
/// reading its creation time. A process that grants only these (to a helpdesk account,
/// say) can still be ended, where a request for every right is refused. Systems before
/// Vista do not know the limited query right: there the full one is asked for.
HANDLE openForTermination(DWORD pid) {
    HANDLE process =
        OpenProcess(PROCESS_TERMINATE | kQueryLimitedInformation | SYNCHRONIZE, FALSE, pid);
    if (!process && GetLastError() != ERROR_INVALID_PARAMETER)
        process =
            OpenProcess(PROCESS_TERMINATE | PROCESS_QUERY_INFORMATION | SYNCHRONIZE, FALSE, pid);
    return process;
}

}  // namespace

TerminateResult Win32ProcessControl::terminate(Pid pid, StartTime startTime) {
    // 0 is the idle process, and no identifier is negative.
    if (pid <= 0)
        return TerminateResult::InvalidPid;
    HANDLE process = openForTermination(static_cast<DWORD>(pid));
    if (!process) {
        return GetLastError() == ERROR_ACCESS_DENIED ? TerminateResult::NotPermitted
                                                     : TerminateResult::NoSuchProcess;
    }
    const Identity identity = identityOf(process, startTime);
    TerminateResult result =
        identity == Identity::Ended ? TerminateResult::NoSuchProcess : TerminateResult::Replaced;
    if (identity == Identity::Same) {
        result = TerminateProcess(process, 0) ? TerminateResult::Terminated
                                              : TerminateResult::NotPermitted;
    }
    CloseHandle(process);
    return result;
}

}  // namespace pelorus::platform::win32
