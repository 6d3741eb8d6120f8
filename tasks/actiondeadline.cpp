// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "tasks/actiondeadline.h"

namespace pelorus::tasks {

ActionClock steadyClock() {
    return [] { return std::chrono::steady_clock::now(); };
}

std::string actionLimitText() {
    return std::to_string(kActionLimit.count());
}

}  // namespace pelorus::tasks
