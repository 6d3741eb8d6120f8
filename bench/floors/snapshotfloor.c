// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// snapshotfloor PASSES: one untimed pass, then PASSES timed passes of the floor's
// process snapshot. Prints "MILLISECONDS PROCESSES", the median pass.
#include <stdio.h>
#include <stdlib.h>

#include "procfloor.h"

enum { kCapacity = 32768 };

int main(int argc, char** argv) {
    const int passes = argc > 1 ? atoi(argv[1]) : 5;
    struct FloorProcess* processes = calloc(kCapacity, sizeof *processes);
    double* times = calloc((size_t)(passes > 0 ? passes : 1), sizeof *times);
    if (processes == NULL || times == NULL)
        return 1;
    int count = floorReadProcesses(processes, kCapacity);
    for (int i = 0; i < passes; ++i) {
        const double start = floorNow();
        count = floorReadProcesses(processes, kCapacity);
        times[i] = floorNow() - start;
    }
    printf("%.3f %d\n", floorMedian(times, passes), count);
    free(times);
    free(processes);
    return 0;
}
