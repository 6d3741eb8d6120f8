// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Runs the /proc readers from another process, so that a test can run them as another
// user.
//
//   procfsprobe read PID        prints "modules N", "threads N" and "path TEXT"
//                               (TEXT: the process's path text, "-" when not listed)
//   procfsprobe kill PID START  prints "result R" (the TerminateResult as a number)
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/pidfdprocesscontrol.h"
#include "platform/linux/procfssource.h"

using namespace pelorus::platform;

int main(int argc, char** argv) {
    if (argc < 3)
        return 64;
    const std::string command = argv[1];
    const Pid pid = static_cast<Pid>(std::atoi(argv[2]));
    ProcfsSource source;
    if (command == "read") {
        std::string path = "-";
        int modules = 0;
        int threads = 0;
        ProcessEntry process;
        for (auto walk = source.processes(); walk->next(process);) {
            if (process.pid != pid)
                continue;
            path = process.path;
            if (auto opened = source.open(pid, process.startTime)) {
                ModuleEntry module;
                for (auto modulesWalk = opened->modules(); modulesWalk->next(module);)
                    ++modules;
                ThreadEntry thread;
                for (auto threadsWalk = opened->threads(); threadsWalk->next(thread);)
                    ++threads;
            }
        }
        std::printf("modules %d\nthreads %d\npath %s\n", modules, threads, path.c_str());
        return 0;
    }
    if (command == "kill" && argc == 4) {
        PidfdProcessControl control;
        const auto result = control.terminate(pid, std::strtoull(argv[3], nullptr, 10));
        std::printf("result %d\n", static_cast<int>(result));
        return 0;
    }
    return 64;
}
