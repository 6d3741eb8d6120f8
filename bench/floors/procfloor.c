// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#define _GNU_SOURCE
#include "procfloor.h"

#include <ctype.h>
#include <dirent.h>
#include <errno.h>
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <time.h>
#include <unistd.h>

// Reads a small /proc file (below `size` bytes, which /proc hands over in one read) into
// `buffer`, NUL-ended; its length, -1 on failure.
static long readSmall(int procFd, const char* path, char* buffer, long size) {
    const int fd = openat(procFd, path, O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return -1;
    ssize_t count;
    do {
        count = read(fd, buffer, (size_t)(size - 1));
    } while (count < 0 && errno == EINTR);
    close(fd);
    if (count < 0)
        return -1;
    buffer[count] = '\0';
    return count;
}

// Field `number` (1-based, counting pid as 1) of a stat text; NULL when it is missing.
static const char* statField(const char* stat, long length, int number) {
    const char* close = NULL;
    for (long i = length - 1; i >= 0; --i) {
        if (stat[i] == ')') {
            close = stat + i;
            break;
        }
    }
    if (close == NULL)
        return NULL;
    int field = 2;  // the name field ends at the last ')'
    const char* at = close + 1;
    const char* end = stat + length;
    while (at < end) {
        while (at < end && *at == ' ')
            ++at;
        if (at == end)
            return NULL;
        if (++field == number)
            return at;
        while (at < end && *at != ' ')
            ++at;
    }
    return NULL;
}

int floorPriority(const char* stat, long length) {
    const char* policyText = statField(stat, length, 41);
    const char* niceText = statField(stat, length, 19);
    const long policy = policyText != NULL ? strtol(policyText, NULL, 10) : 0;
    const long nice = niceText != NULL ? strtol(niceText, NULL, 10) : 0;
    if (policy == 1 || policy == 2 || policy == 6)
        return 24;
    if (policy == 5 || nice >= 15)
        return 4;
    if (nice >= 5)
        return 6;
    if (nice >= -4)
        return 8;
    if (nice >= -14)
        return 10;
    return 13;
}

int floorReadProcesses(struct FloorProcess* out, int capacity) {
    DIR* proc = opendir("/proc");
    if (proc == NULL)
        return 0;
    const int procFd = dirfd(proc);
    int count = 0;
    char path[300];  // a name of up to 255 bytes + "/cmdline"
    char stat[4096];
    char cmdline[4096];
    struct dirent* entry;
    while (count < capacity && (entry = readdir(proc)) != NULL) {
        if (!isdigit((unsigned char)entry->d_name[0]))
            continue;
        struct FloorProcess* process = &out[count];
        process->pid = atoi(entry->d_name);
        snprintf(path, sizeof path, "%s/stat", entry->d_name);
        const long length = readSmall(procFd, path, stat, sizeof stat);
        if (length <= 0)
            continue;  // ended
        process->priority = floorPriority(stat, length);
        const char* start = statField(stat, length, 22);
        process->startTime = start != NULL ? strtoull(start, NULL, 10) : 0;
        snprintf(path, sizeof path, "%s/exe", entry->d_name);
        const ssize_t linked = readlinkat(procFd, path, process->path, sizeof process->path - 1);
        if (linked >= 0) {
            process->path[linked] = '\0';
        } else {
            snprintf(path, sizeof path, "%s/cmdline", entry->d_name);
            const long used = readSmall(procFd, path, cmdline, sizeof cmdline);
            if (used > 0 && cmdline[0] == '/') {
                memcpy(process->path, cmdline, strlen(cmdline) + 1);
            } else {
                // the name field: between the first '(' and the last ')'
                const char* open = strchr(stat, '(');
                const char* close = strrchr(stat, ')');
                const long size = open != NULL && close > open ? close - open - 1 : 0;
                const int bracket = used <= 0;
                long at = 0;
                if (bracket)
                    process->path[at++] = '[';
                if (size > 0)
                    memcpy(process->path + at, open + 1, (size_t)size);
                at += size;
                if (bracket)
                    process->path[at++] = ']';
                process->path[at] = '\0';
            }
        }
        ++count;
    }
    closedir(proc);
    return count;
}

double floorNow(void) {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec * 1e3 + (double)now.tv_nsec / 1e6;
}

static int compareDoubles(const void* a, const void* b) {
    const double x = *(const double*)a;
    const double y = *(const double*)b;
    return (x > y) - (x < y);
}

double floorMedian(double* values, int count) {
    if (count <= 0)
        return 0;
    qsort(values, (size_t)count, sizeof *values, compareDoubles);
    return count % 2 != 0 ? values[count / 2] : (values[count / 2 - 1] + values[count / 2]) / 2;
}
