// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A process with a known set of threads and loaded libraries, for the tests of the
// thread and module walks.
//
//   threadprog [--lib PATH | --lib-then-delete PATH | --thread SETTING]...
//
// SETTING sets the scheduling of one new thread: nice:N, batch:N, idle, fifo or rr. The
// main thread is set to nice 0. Prints "main TID", then "thread TID" per SETTING in the
// order given, then "ready", and waits to be killed. Any failure prints "error ..." and
// exits with status 2.
#include <dlfcn.h>
#include <sched.h>
#include <sys/resource.h>
#include <unistd.h>

#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

[[noreturn]] void fail(const std::string& what) {
    std::printf("error %s: %s\n", what.c_str(), std::strerror(errno));
    std::fflush(stdout);
    std::_Exit(2);
}

bool setNice(int nice) {
    return ::setpriority(PRIO_PROCESS, ::gettid(), nice) == 0;
}

bool setPolicy(int policy, int priority) {
    sched_param param{};
    param.sched_priority = priority;
    return ::sched_setscheduler(0, policy, &param) == 0;  // 0: the calling thread
}

// Applies SETTING to the calling thread.
bool apply(const std::string& setting) {
    if (setting.starts_with("nice:"))
        return setNice(std::atoi(setting.c_str() + 5));
    if (setting.starts_with("batch:")) {
        return setPolicy(SCHED_BATCH, 0) && setNice(std::atoi(setting.c_str() + 6));
    }
    if (setting == "idle")
        return setPolicy(SCHED_IDLE, 0);
    if (setting == "fifo")
        return setPolicy(SCHED_FIFO, 1);
    if (setting == "rr")
        return setPolicy(SCHED_RR, 1);
    errno = EINVAL;
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> settings;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        const char* value = argv[i + 1];
        if (option == "--thread") {
            settings.emplace_back(value);
        } else if (option == "--lib" || option == "--lib-then-delete") {
            if (::dlopen(value, RTLD_NOW | RTLD_LOCAL) == nullptr)
                fail(std::string("dlopen ") + value);
            if (option == "--lib-then-delete" && ::unlink(value) != 0)
                fail("unlink");
        } else {
            errno = EINVAL;
            fail("option " + option);
        }
    }
    if (!setNice(0))
        fail("main nice");

    std::mutex mutex;
    std::condition_variable changed;
    std::vector<pid_t> tids(settings.size(), 0);
    std::vector<std::string> failures(settings.size());
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < settings.size(); ++i) {
        // One at a time, so that the threads are created in the order of their settings.
        threads.emplace_back([&, i] {
            const bool ok = apply(settings[i]);
            const int error = errno;
            std::unique_lock lock(mutex);
            tids[i] = ::gettid();
            if (!ok)
                failures[i] = settings[i] + ": " + std::strerror(error);
            changed.notify_all();
            changed.wait(lock, [] { return false; });  // until the process is killed
        });
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return tids[i] != 0; });
    }
    {
        std::unique_lock lock(mutex);
        for (const auto& failure : failures) {
            if (!failure.empty()) {
                errno = 0;
                fail(failure);
            }
        }
    }
    std::printf("main %d\n", static_cast<int>(::gettid()));
    for (const pid_t tid : tids)
        std::printf("thread %d\n", static_cast<int>(tid));
    std::printf("ready\n");
    std::fflush(stdout);
    for (;;)
        ::pause();
}
