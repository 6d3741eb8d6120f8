// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#pragma once

#include <vector>

#include "bench/floors/procfloor.h"

class QTreeWidget;

namespace pelorus::bench {

/// The processes as the floor reads them, at most `capacity`, in the order of /proc.
std::vector<FloorProcess> readFloorProcesses(int capacity);

/// Three columns with their headers, no root decoration, rows of one height.
void setUpMinimalList(QTreeWidget& list);

/// The cheapest fill of the task list's rows: every item made with its three texts
/// (file name, PID as 8 lower-case hex digits, folder), all added at once, then the
/// three columns fitted to their contents.
void fillMinimalList(QTreeWidget& list, const std::vector<FloorProcess>& processes);

}  // namespace pelorus::bench
