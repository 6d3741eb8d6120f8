// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The viewer's side of bench/run, one job per call. Each job does its work once untimed,
// then PASSES timed times, and prints the median pass as "MILLISECONDS COUNT".
//   viewerjobs snapshot PASSES   the process snapshot of the native platform, in process
//   viewerjobs refresh PASSES    Refresh on the loaded and shown main form: the whole
//                                RefreshTaskList with its list fill, until the form is idle
//   viewerjobs fill PASSES       the floor's fill: the rows the floor reads, put into the
//                                main form's task list the cheapest way, until idle
//   viewerjobs open PID PASSES   opening the row of PID on the main form (the untimed pass
//                                opens the viewer's own row), until the form is idle
//   viewerjobs walk PID PASSES   the window walk of PID's windows on $DISPLAY into a tree
//                                that only keeps the nodes
// The Qt jobs run on whatever platform QT_QPA_PLATFORM names (bench/run: offscreen).
#include <unistd.h>

#include <QApplication>
#include <QTreeWidget>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "app/frmmain.h"
#include "bench/floors/minimalfill.h"
#include "details/windowtree.h"
#include "platform/platform.h"
#include "tests/fakes/fakelists.h"

namespace {

using Clock = std::chrono::steady_clock;

/// Runs `work` once untimed and `passes` times timed; prints the median and `count()`.
int measure(int passes, const std::function<void()>& work, const std::function<long()>& count) {
    work();
    std::vector<double> times;
    for (int i = 0; i < passes; ++i) {
        const auto start = Clock::now();
        work();
        times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
    }
    std::sort(times.begin(), times.end());
    const std::size_t middle = times.size() / 2;
    const double median = times.empty()           ? 0
                          : times.size() % 2 != 0 ? times[middle]
                                                  : (times[middle - 1] + times[middle]) / 2;
    std::printf("%.3f %ld\n", median, count());
    return 0;
}

/// Handles everything the last step left waiting (layout, paint) until nothing is left.
void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents(QEventLoop::AllEvents, 5000);
}

std::unique_ptr<pelorus::app::frmMain> shownForm(pelorus::platform::Platform& platform) {
    auto form = std::make_unique<pelorus::app::frmMain>(platform);
    form->Form_Load();
    form->show();
    settle();
    return form;
}

int snapshot(int passes) {
    const auto platform = pelorus::platform::makeNativePlatform();
    long processes = 0;
    return measure(
        passes,
        [&] {
            processes = 0;
            pelorus::platform::ProcessEntry entry;
            for (auto walk = platform->processSource().processes(); walk->next(entry);)
                ++processes;
        },
        [&] { return processes; });
}

int refresh(int passes) {
    const auto platform = pelorus::platform::makeNativePlatform();
    const auto form = shownForm(*platform);
    return measure(
        passes,
        [&] {
            form->eButton_Click(static_cast<int>(pelorus::platform::ButtonIndex::Refresh));
            settle();
        },
        [&] { return static_cast<long>(form->taskTables().TaskCount); });
}

int fill(int passes) {
    // A form over a platform without processes: its task list stays empty for this fill.
    const auto platform = pelorus::platform::makeNullPlatform();
    const auto form = shownForm(*platform);
    QTreeWidget& list = *form->eTaskList();
    const auto processes = pelorus::bench::readFloorProcesses(2048);
    return measure(
        passes,
        [&] {
            list.clear();
            pelorus::bench::fillMinimalList(list, processes);
            settle();
        },
        [&] { return static_cast<long>(list.topLevelItemCount()); });
}

/// Selects the task list's row of `pid`; false when the list has none.
bool selectRow(pelorus::app::frmMain& form, pid_t pid) {
    const auto& tables = form.taskTables();
    for (int slot = 0; slot < tables.TaskCount; ++slot) {
        if (tables.TaskPid[static_cast<std::size_t>(slot)] == pid) {
            form.eTaskList()->setCurrentItem(form.eTaskList()->topLevelItem(slot));
            return true;
        }
    }
    return false;
}

int opening(pid_t pid, int passes) {
    const auto platform = pelorus::platform::makeNativePlatform();
    const auto form = shownForm(*platform);
    if (!selectRow(*form, ::getpid())) {
        std::fprintf(stderr, "viewerjobs: the viewer's own row is not listed\n");
        return 1;
    }
    form->ShowTaskDetails();
    settle();
    if (!selectRow(*form, pid)) {
        std::fprintf(stderr, "viewerjobs: process %d is not listed\n", static_cast<int>(pid));
        return 1;
    }
    return measure(
        passes,
        [&] {
            form->ShowTaskDetails();
            settle();
        },
        [&] { return static_cast<long>(form->TINF()->topLevelItemCount()); });
}

int walk(pid_t pid, int passes) {
    const auto platform = pelorus::platform::makeNativePlatform();
    pelorus::testing::FakeWindowTree tree;
    return measure(
        passes,
        [&] { pelorus::details::buildWindowTree(platform->windowSystem(), tree, pid, "fixture"); },
        [&] { return static_cast<long>(tree.nodeCount() - 1); });
}

int usage() {
    std::fprintf(stderr,
                 "usage: viewerjobs snapshot|refresh|fill PASSES\n"
                 "       viewerjobs open|walk PID PASSES\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() == 2 && args[0] == "snapshot")
        return snapshot(std::atoi(args[1].c_str()));
    if (args.size() == 3 && args[0] == "walk")
        return walk(std::atoi(args[1].c_str()), std::atoi(args[2].c_str()));
    QApplication application(argc, argv);
    if (args.size() == 2 && args[0] == "refresh")
        return refresh(std::atoi(args[1].c_str()));
    if (args.size() == 2 && args[0] == "fill")
        return fill(std::atoi(args[1].c_str()));
    if (args.size() == 3 && args[0] == "open")
        return opening(std::atoi(args[1].c_str()), std::atoi(args[2].c_str()));
    return usage();
}
