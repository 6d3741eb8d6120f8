// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Starts and reaps short-lived processes as fast as it can until it gets SIGTERM.
//
//   procstorm PIDFILE [PERSECOND]
//
// Starts at most PERSECOND children a second when given, else as many as it can. Keeps
// up to 16 children alive at once; most live up to 2 ms, one in sixteen 20 ms. Writes the
// PID of every child to PIDFILE, one a line. Prints "ready" once the first child has
// been started; on SIGTERM stops starting, reaps every child and prints
// "spawned COUNT ms MILLISECONDS". The children stay single-threaded.
#include <signal.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

volatile sig_atomic_t stopRequested = 0;

void onTerm(int) {
    stopRequested = 1;
}

long long nowMs() {
    timespec now{};
    ::clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2 && argc != 3)
        return 2;
    const long long perSecond = argc == 3 ? std::atoll(argv[2]) : 0;
    std::FILE* pids = std::fopen(argv[1], "w");
    if (pids == nullptr)
        return 2;
    // No SA_RESTART: the blocking wait returns on SIGTERM.
    struct sigaction action {};
    action.sa_handler = onTerm;
    ::sigaction(SIGTERM, &action, nullptr);

    constexpr int kMaxAlive = 16;
    int alive = 0;
    long long spawned = 0;
    const long long start = nowMs();
    while (stopRequested == 0) {
        while (alive < kMaxAlive && stopRequested == 0) {
            if (perSecond > 0 && spawned * 1000 > perSecond * (nowMs() - start)) {
                // Ahead of the pace: reap what has ended meanwhile and wait a little.
                while (alive > 0 && ::waitpid(-1, nullptr, WNOHANG) > 0)
                    --alive;
                const timespec pause{0, 1000000L};
                ::nanosleep(&pause, nullptr);
                continue;
            }
            // Most live a millisecond or two, one in sixteen twenty.
            const timespec life{0, (spawned % 16 == 0 ? 20 : spawned % 3) * 1000000L};
            const pid_t child = ::fork();
            if (child == 0) {
                ::nanosleep(&life, nullptr);
                ::_exit(0);
            }
            if (child < 0)
                break;  // at the system's limit: wait for one to end
            std::fprintf(pids, "%d\n", static_cast<int>(child));
            if (spawned == 0) {
                std::printf("ready\n");
                std::fflush(stdout);
            }
            ++spawned;
            ++alive;
        }
        if (alive > 0 && ::waitpid(-1, nullptr, 0) > 0)
            --alive;
    }
    const long long elapsed = nowMs() - start;
    while (alive > 0) {
        if (::waitpid(-1, nullptr, 0) > 0)
            --alive;
        else if (errno != EINTR)
            break;
    }
    std::fclose(pids);
    std::printf("spawned %lld ms %lld\n", spawned, elapsed);
    return 0;
}
