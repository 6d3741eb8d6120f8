// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// openingfloor PID PASSES: the floor of opening a process, in plain C: every
// /proc/PID/task/TID/stat (thread id and base priority), then the unique paths of
// /proc/PID/maps in the order of their first mapping. One untimed pass, then PASSES timed
// ones. Prints "MILLISECONDS THREADS MODULES", the median pass.
#define _GNU_SOURCE
#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <unistd.h>

#include "procfloor.h"

enum { kMaxThreads = 65536, kSlots = 1 << 16 };

struct Thread {
    int tid;
    int priority;
};

struct Opening {
    struct Thread threads[kMaxThreads];
    int threadCount;
    char* maps;  // the whole maps text, its paths cut into NUL-ended strings in place
    size_t mapsSize;
    const char* slots[kSlots];  // open addressing over the unique paths
    const char* modules[kSlots];
    int moduleCount;
};

static void readThreads(struct Opening* opening, const char* pid) {
    char path[300];
    char stat[4096];
    snprintf(path, sizeof path, "/proc/%s/task", pid);
    opening->threadCount = 0;
    const int taskFd = open(path, O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (taskFd < 0)
        return;
    DIR* tasks = fdopendir(taskFd);
    if (tasks == NULL) {
        close(taskFd);
        return;
    }
    struct dirent* entry;
    while (opening->threadCount < kMaxThreads && (entry = readdir(tasks)) != NULL) {
        if (!isdigit((unsigned char)entry->d_name[0]))
            continue;
        snprintf(path, sizeof path, "%s/stat", entry->d_name);
        const int fd = openat(taskFd, path, O_RDONLY | O_CLOEXEC);
        if (fd < 0)
            continue;
        const ssize_t length = read(fd, stat, sizeof stat - 1);
        close(fd);
        if (length <= 0)
            continue;
        stat[length] = '\0';
        struct Thread* thread = &opening->threads[opening->threadCount++];
        thread->tid = atoi(entry->d_name);
        thread->priority = floorPriority(stat, length);
    }
    closedir(tasks);
}

static unsigned long hashText(const char* text) {
    unsigned long hash = 1469598103934665603ul;
    for (; *text != '\0'; ++text)
        hash = (hash ^ (unsigned char)*text) * 1099511628211ul;
    return hash;
}

static void readModules(struct Opening* opening, const char* pid) {
    char path[300];
    snprintf(path, sizeof path, "/proc/%s/maps", pid);
    opening->moduleCount = 0;
    memset(opening->slots, 0, sizeof opening->slots);
    const int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return;
    size_t used = 0;
    for (;;) {
        if (used + 65536 > opening->mapsSize) {
            opening->mapsSize = opening->mapsSize * 2 + 65536;
            opening->maps = realloc(opening->maps, opening->mapsSize);
        }
        const ssize_t count = read(fd, opening->maps + used, opening->mapsSize - used - 1);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        used += (size_t)count;
    }
    close(fd);
    opening->maps[used] = '\0';
    char* line = opening->maps;
    char* end = opening->maps + used;
    while (line < end) {
        char* newline = memchr(line, '\n', (size_t)(end - line));
        if (newline == NULL)
            newline = end;
        *newline = '\0';
        // the path is the sixth field, after five fields and their blanks
        char* at = line;
        for (int field = 0; field < 5 && at < newline; ++field) {
            while (at < newline && *at != ' ')
                ++at;
            while (at < newline && *at == ' ')
                ++at;
        }
        if (at < newline && *at == '/' && opening->moduleCount < kSlots / 2) {
            unsigned long slot = hashText(at) & (kSlots - 1);
            while (opening->slots[slot] != NULL && strcmp(opening->slots[slot], at) != 0)
                slot = (slot + 1) & (kSlots - 1);
            if (opening->slots[slot] == NULL) {
                opening->slots[slot] = at;
                opening->modules[opening->moduleCount++] = at;
            }
        }
        line = newline + 1;
    }
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    const char* pid = argv[1];
    const int passes = argc > 2 ? atoi(argv[2]) : 5;
    struct Opening* opening = calloc(1, sizeof *opening);
    double* times = calloc((size_t)(passes > 0 ? passes : 1), sizeof *times);
    if (opening == NULL || times == NULL)
        return 1;
    readThreads(opening, pid);
    readModules(opening, pid);
    for (int i = 0; i < passes; ++i) {
        const double start = floorNow();
        readThreads(opening, pid);
        readModules(opening, pid);
        times[i] = floorNow() - start;
    }
    printf("%.3f %d %d\n", floorMedian(times, passes), opening->threadCount, opening->moduleCount);
    free(opening->maps);
    free(opening);
    free(times);
    return 0;
}
