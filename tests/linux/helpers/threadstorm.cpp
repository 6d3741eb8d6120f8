// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Starts threads as fast as it can, for as long as it runs: a few spawner threads each
// start short-lived threads one after the other, so that the task folder always holds
// new entries. Prints "ready" once the storm has begun; runs until it is ended.
#include <pthread.h>
#include <time.h>

#include <cstdio>

namespace {

void* shortLived(void*) {
    const timespec pause{0, 20000000L};
    ::nanosleep(&pause, nullptr);
    return nullptr;
}

void* spawner(void*) {
    pthread_attr_t detached;
    ::pthread_attr_init(&detached);
    ::pthread_attr_setdetachstate(&detached, PTHREAD_CREATE_DETACHED);
    for (;;) {
        pthread_t thread;
        if (::pthread_create(&thread, &detached, shortLived, nullptr) != 0)
            shortLived(nullptr);  // at the system's limit: wait for some to end
    }
    return nullptr;
}

}  // namespace

int main() {
    constexpr int kSpawners = 8;
    for (int i = 0; i < kSpawners; ++i) {
        pthread_t thread;
        if (::pthread_create(&thread, nullptr, spawner, nullptr) != 0)
            return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;) {
        const timespec pause{60, 0};
        ::nanosleep(&pause, nullptr);
    }
}
