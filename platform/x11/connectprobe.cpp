// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/x11/connectprobe.h"

#include <pthread.h>
#include <signal.h>
#include <xcb/xcb.h>

#include <condition_variable>
#include <cstdlib>
#include <memory>
#include <mutex>
#include <thread>

namespace pelorus::platform {

xcb_connection_t* connectWithin(const std::string& display, std::chrono::milliseconds limit,
                                int* screen) {
    // Where no display is named at all (a session without X) there is no server to wait
    // for: no thread is started for an attempt that cannot connect.
    const char* named = std::getenv("DISPLAY");
    if (display.empty() && (named == nullptr || *named == '\0'))
        return nullptr;
    // The state the attempt reports to outlives both sides. Whichever side comes second
    // owns the connection: the caller takes it, or the attempt closes it when the caller
    // has given up.
    struct Attempt {
        std::mutex mutex;
        std::condition_variable done;
        bool finished = false;
        bool abandoned = false;
        xcb_connection_t* connection = nullptr;
        int screen = 0;
    };
    auto attempt = std::make_shared<Attempt>();
    std::thread([attempt, display] {
        // A server that closes the connection early must not end the program: this thread
        // takes no SIGPIPE (a signal it left pending goes with it).
        sigset_t pipe;
        sigemptyset(&pipe);
        sigaddset(&pipe, SIGPIPE);
        pthread_sigmask(SIG_BLOCK, &pipe, nullptr);
        int screenNumber = 0;
        xcb_connection_t* connection =
            xcb_connect(display.empty() ? nullptr : display.c_str(), &screenNumber);
        if (xcb_connection_has_error(connection) != 0) {
            xcb_disconnect(connection);
            connection = nullptr;
        }
        std::unique_lock lock(attempt->mutex);
        attempt->finished = true;
        if (attempt->abandoned) {
            lock.unlock();
            xcb_disconnect(connection);
            return;
        }
        attempt->connection = connection;
        attempt->screen = screenNumber;
        attempt->done.notify_all();
    }).detach();
    std::unique_lock lock(attempt->mutex);
    if (!attempt->done.wait_for(lock, limit, [&attempt] { return attempt->finished; })) {
        attempt->abandoned = true;
        return nullptr;
    }
    if (screen != nullptr)
        *screen = attempt->screen;
    return attempt->connection;
}

bool xServerAnswers(const std::string& display, std::chrono::milliseconds limit) {
    xcb_connection_t* connection = connectWithin(display, limit);
    // Closing a connection writes nothing: it cannot block on a server that has stopped.
    xcb_disconnect(connection);
    return connection != nullptr;
}

}  // namespace pelorus::platform
