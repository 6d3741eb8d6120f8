// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/types.h"

namespace pelorus::tasks {

/// Capacity of the task tables: slots 0 to 2047.
inline constexpr int MaxTasks = 2048;

/// The per-row task tables behind the task list: row r (1-based) of the list belongs to
/// slot r - 1 of every table. Only the refresh writes them. Fixed capacity: a refresh
/// overwrites slots and allocates no table storage.
struct TaskTables {
    std::int32_t TaskCount = 0;
    std::array<platform::Pid, MaxTasks> TaskPid{};
    std::array<std::string, MaxTasks> TaskFile;
    std::array<std::string, MaxTasks> TaskLocation;
    std::array<std::int32_t, MaxTasks> TaskPriority{};
    /// When the process of each row started, so that commands can tell it from a newer
    /// process that took its PID since the refresh.
    std::array<platform::StartTime, MaxTasks> TaskStartTime{};
};

}  // namespace pelorus::tasks
