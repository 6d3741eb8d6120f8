// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/connectprobe.h"

#include <pthread.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace pelorus::platform {

bool xServerAnswers(const std::string& display, std::chrono::milliseconds limit) {
    // The connection is tried on a thread of its own, left behind if the server never
    // answers; the state it reports to outlives both sides.
    struct Attempt {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool answered = false;
    };
    auto attempt = std::make_shared<Attempt>();
    std::thread([attempt, display] {
        // A server that closes the connection early must not end the program: this thread
        // takes no SIGPIPE (a signal it left pending goes with it).
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        xcb_connection_t* connection =
            xcb_connect(display.empty() ? nullptr : display.c_str(), nullptr);
        const bool answered = xcb_connection_has_error(connection) == 0;
        xcb_disconnect(connection);
        const std::lock_guard lock(attempt->mutex);
        attempt->finished = true;
        attempt->answered = answered;
        attempt->done.notify_all();
    }).detach();
    std::unique_lock lock(attempt->mutex);
    attempt->done.wait_for(lock, limit, [&attempt] { return attempt->finished; });
    return attempt->answered;
}

}  // namespace pelorus::platform
