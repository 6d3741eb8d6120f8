// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The floor of the process snapshot: the least work that gives what the task list
// shows, in plain C. List /proc; per process read stat (base priority, start time) and
// the exe link, and where the link cannot be read the first string of cmdline, else the
// name field of stat.
#pragma once

#ifdef __cplusplus
extern "C" {
#endif

enum { kFloorPathMax = 4096 };

struct FloorProcess {
    int pid;
    int priority;
    unsigned long long startTime;
    char path[kFloorPathMax];
};

/// Reads the running processes into `out` (at most `capacity`), in the order of /proc;
/// the number read. A process that ends meanwhile is left out.
int floorReadProcesses(struct FloorProcess* out, int capacity);

/// The base priority of a stat file's text (policy and nice), as the viewer maps it.
int floorPriority(const char* stat, long length);

/// Milliseconds of the monotonic clock.
double floorNow(void);

/// The median of `count` values (sorts them).
double floorMedian(double* values, int count);

#ifdef __cplusplus
}
#endif
