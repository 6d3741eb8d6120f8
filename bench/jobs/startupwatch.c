// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// startupwatch PROGRAM [ARGS...]: starts PROGRAM on $DISPLAY (an X server without a
// window manager) and waits until it maps a top-level window; then reads the program's
// resident set size, kills it by its PID and reaps it. Prints "MILLISECONDS RSS_KIB":
// the time from just before the start to the MapNotify (the program's own output goes to
// /dev/null). A program that ends first, or maps nothing within a minute, fails the call.
#define _GNU_SOURCE
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include "bench/floors/procfloor.h"

extern char** environ;

static long residentKib(pid_t pid) {
    char path[64];
    snprintf(path, sizeof path, "/proc/%d/status", (int)pid);
    FILE* status = fopen(path, "r");
    if (status == NULL)
        return -1;
    char line[256];
    long kib = -1;
    while (fgets(line, sizeof line, status) != NULL) {
        if (strncmp(line, "VmRSS:", 6) == 0)
            kib = strtol(line + 6, NULL, 10);
    }
    fclose(status);
    return kib;
}

int main(int argc, char** argv) {
    if (argc < 2)
        return 2;
    xcb_connection_t* x = xcb_connect(NULL, NULL);
    if (xcb_connection_has_error(x)) {
        fprintf(stderr, "startupwatch: no X server at $DISPLAY\n");
        return 1;
    }
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(x)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(x, root, XCB_CW_EVENT_MASK, &mask);
    free(xcb_get_input_focus_reply(x, xcb_get_input_focus(x), NULL));

    const double start = floorNow();
    pid_t pid = -1;
    // The program's own output would mix with the report.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawnp(&pid, argv[1], &actions, NULL, argv + 1, environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        fprintf(stderr, "startupwatch: %s cannot be started\n", argv[1]);
        return 1;
    }
    double mapped = -1;
    struct pollfd watch = {xcb_get_file_descriptor(x), POLLIN, 0};
    while (mapped < 0 && floorNow() - start < 60000) {
        xcb_generic_event_t* event;
        while (mapped < 0 && (event = xcb_poll_for_event(x)) != NULL) {
            if ((event->response_type & 0x7f) == XCB_MAP_NOTIFY)
                mapped = floorNow() - start;
            free(event);
        }
        if (mapped >= 0 || xcb_connection_has_error(x))
            break;
        if (waitpid(pid, NULL, WNOHANG) == pid) {
            pid = -1;
            break;
        }
        poll(&watch, 1, 100);
    }
    const long rss = pid > 0 ? residentKib(pid) : -1;
    if (pid > 0) {
        kill(pid, SIGKILL);
        waitpid(pid, NULL, 0);
    }
    xcb_disconnect(x);
    if (mapped < 0) {
        fprintf(stderr, "startupwatch: %s mapped no window\n", argv[1]);
        return 1;
    }
    printf("%.3f %ld\n", mapped, rss);
    return 0;
}
