// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include "platform/processcontrol.h"

namespace pelorus::platform::win32 {

/// OpenProcess with the rights to end the process and to check it (terminate, query,
/// synchronize), TerminateProcess with exit code 0, CloseHandle. Before the terminate
/// request the process's creation time must equal the one recorded at the refresh, or the
/// PID now names a newer process; a process whose creation time cannot be read is left
/// alone.
class Win32ProcessControl final : public ProcessControl {
public:
    TerminateResult terminate(Pid pid, StartTime startTime) override;
};

}  // namespace pelorus::platform::win32
