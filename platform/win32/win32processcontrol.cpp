// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/win32/win32processcontrol.h"

#include <windows.h>

#include "platform/win32/toolhelpsource.h"

namespace pelorus::platform::win32 {
namespace {

// Every process access right as systems before Vista define the full set.
constexpr DWORD kProcessAllAccess = 0x1F0FFF;

}  // namespace

TerminateResult Win32ProcessControl::terminate(Pid pid, StartTime startTime) {
    // 0 is the idle process, and no identifier is negative.
    if (pid <= 0)
        return TerminateResult::InvalidPid;
    HANDLE process = OpenProcess(kProcessAllAccess, FALSE, static_cast<DWORD>(pid));
    if (!process) {
        return GetLastError() == ERROR_ACCESS_DENIED ? TerminateResult::NotPermitted
                                                     : TerminateResult::NoSuchProcess;
    }
    TerminateResult result = TerminateResult::Replaced;
    if (HasEnded(process)) {
        result = TerminateResult::NoSuchProcess;
    } else if (CreationTime(process) == startTime) {
        result = TerminateProcess(process, 0) ? TerminateResult::Terminated
                                              : TerminateResult::NotPermitted;
    }
    CloseHandle(process);
    return result;
}

}  // namespace pelorus::platform::win32
