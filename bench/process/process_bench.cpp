// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// One full process snapshot as the task list takes it (path text, base priority and start
// time of every process), against `ps -e -o pid=,ni=,args=` reading the same things for
// every process, its output read to the end. Prints the ratio viewer / ps at the end.
#include <benchmark/benchmark.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "platform/linux/procfssource.h"

namespace {

using pelorus::platform::ProcessEntry;
using pelorus::platform::ProcfsSource;

void ViewerSnapshot(benchmark::State& state) {
    ProcfsSource source;
    std::size_t processes = 0;
    for (auto _ : state) {
        processes = 0;
        ProcessEntry entry;
        for (auto walk = source.processes(); walk->next(entry);) {
            benchmark::DoNotOptimize(entry.path.data());
            ++processes;
        }
    }
    state.counters["processes"] = static_cast<double>(processes);
}

// Runs ps with its output on a pipe, reads all of it and reaps it; the bytes read.
std::size_t runPs() {
    int fds[2];
    if (::pipe(fds) != 0)
        return 0;
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execlp("ps", "ps", "-e", "-o", "pid=,ni=,args=", static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    std::size_t total = 0;
    char buffer[65536];
    for (;;) {
        const ssize_t count = ::read(fds[0], buffer, sizeof buffer);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            break;
        total += static_cast<std::size_t>(count);
    }
    ::close(fds[0]);
    if (pid > 0) {
        int status = 0;
        while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
        }
    }
    return total;
}

void PsProcessList(benchmark::State& state) {
    std::size_t bytes = 0;
    for (auto _ : state)
        bytes = runPs();
    state.counters["output_bytes"] = static_cast<double>(bytes);
}

BENCHMARK(ViewerSnapshot)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();
BENCHMARK(PsProcessList)->Unit(benchmark::kMillisecond)->MinTime(0.5)->UseRealTime();

/// The console report, keeping each benchmark's time per iteration for the ratio.
class RatioReporter final : public benchmark::ConsoleReporter {
public:
    RatioReporter() : ConsoleReporter(::isatty(STDOUT_FILENO) ? OO_Defaults : OO_Tabular) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        for (const auto& run : runs) {
            if (run.run_type == Run::RT_Iteration && !run.error_occurred) {
                m_times[run.run_name.function_name] = run.GetAdjustedRealTime();
            }
        }
        ConsoleReporter::ReportRuns(runs);
    }

    void printRatio() const {
        const auto viewer = m_times.find("ViewerSnapshot");
        const auto ps = m_times.find("PsProcessList");
        if (viewer == m_times.end() || ps == m_times.end() || ps->second <= 0)
            return;
        std::printf("viewer / ps: %.3f (%.3f ms against %.3f ms)\n", viewer->second / ps->second,
                    viewer->second, ps->second);
    }

private:
    std::map<std::string, double> m_times;
};

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    reporter.printRatio();
    return 0;
}
