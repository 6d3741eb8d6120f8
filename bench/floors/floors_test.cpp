// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The floors of bench/run do the same work as the viewer, or its ratios say nothing: on
// processes and windows started here, each floor reads what the viewer reads. And the
// process fixture ends what it started.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "bench/floors/procfloor.h"
#include "details/windowtree.h"
#include "platform/platform.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/xserver.h"

namespace {

namespace fs = std::filesystem;
using pelorus::testing::ChildProcess;

const std::string kBench = PELORUS_BINARY_DIR "/bench";

/// Starts a fixture or floor with piped output and reads its first line.
std::string firstLine(ChildProcess& child) {
    return child.readLine().value_or("");
}

/// The numbers of a line such as "1.234 201 3", the time left out.
std::vector<long> countsOf(const std::string& line) {
    std::istringstream fields(line);
    double milliseconds = 0;
    fields >> milliseconds;
    std::vector<long> counts;
    for (long count = 0; fields >> count;)
        counts.push_back(count);
    return counts;
}

template <class Entry, class Source>
long entries(Source&& snapshot) {
    long count = 0;
    Entry entry;
    while (snapshot->next(entry))
        ++count;
    return count;
}

/// Opens process `pid` as an opening of its row does: with the start time a snapshot
/// read for it.
std::unique_ptr<pelorus::platform::OpenedProcess> openNow(pelorus::platform::ProcessSource& source,
                                                          pelorus::platform::Pid pid) {
    auto snapshot = source.processes();
    pelorus::platform::ProcessEntry entry;
    while (snapshot->next(entry)) {
        if (entry.pid == pid)
            return source.open(pid, entry.startTime);
    }
    return nullptr;
}

TEST(BenchFloors, SnapshotFloorReadsWhatTheViewerReads) {
    // A program whose name field holds ") " and that runs at nice 10 (base priority 6).
    const fs::path folder =
        fs::temp_directory_path() / ("pelorus-floor-" + std::to_string(getpid()));
    fs::create_directories(folder);
    const fs::path program = folder / "odd) name";
    fs::copy_file("/bin/sleep", program, fs::copy_options::overwrite_existing);
    ChildProcess plain = ChildProcess::start({"sleep", "1000"});
    ChildProcess odd = ChildProcess::start({"nice", "-n", "10", program.string(), "1000"});
    ASSERT_GT(plain.pid(), 0);
    ASSERT_GT(odd.pid(), 0);
    const auto execed = [](pid_t pid, const fs::path& path) {
        std::error_code error;
        return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error) == path;
    };
    ASSERT_TRUE(pelorus::testing::PollUntil([&] { return execed(odd.pid(), program); }));

    std::vector<FloorProcess> floor(32768);
    floor.resize(static_cast<std::size_t>(floorReadProcesses(floor.data(), 32768)));
    const auto platform = pelorus::platform::makeNativePlatform();
    std::vector<pelorus::platform::ProcessEntry> viewer;
    pelorus::platform::ProcessEntry entry;
    for (auto walk = platform->processSource().processes(); walk->next(entry);)
        viewer.push_back(entry);

    for (const pid_t pid : {plain.pid(), odd.pid(), getpid()}) {
        SCOPED_TRACE(pid);
        const auto inFloor = std::find_if(floor.begin(), floor.end(),
                                          [&](const FloorProcess& p) { return p.pid == pid; });
        const auto inViewer =
            std::find_if(viewer.begin(), viewer.end(), [&](const auto& p) { return p.pid == pid; });
        ASSERT_NE(inFloor, floor.end());
        ASSERT_NE(inViewer, viewer.end());
        EXPECT_EQ(inFloor->path, inViewer->path);
        EXPECT_EQ(inFloor->priority, inViewer->basePriority);
        EXPECT_EQ(inFloor->startTime, inViewer->startTime);
    }
    EXPECT_EQ(floor[0].pid, viewer[0].pid);  // both in the order of /proc
    odd.stop();
    plain.stop();
    fs::remove_all(folder);
}

TEST(BenchFloors, OpeningFloorCountsTheThreadsAndModulesTheViewerLists) {
    const fs::path libraries =
        fs::temp_directory_path() / ("pelorus-floor-libs-" + std::to_string(getpid()));
    fs::create_directories(libraries);
    ChildProcess threads = ChildProcess::startPiped({kBench + "/fixtures/threads", "5"});
    ChildProcess loader =
        ChildProcess::startPiped({kBench + "/fixtures/dlopener",
                                  kBench + "/fixtures/libpelorus_bench_tiny.so", libraries, "4"});
    ASSERT_EQ(firstLine(threads), "ready");
    ASSERT_EQ(firstLine(loader), "ready");
    const auto platform = pelorus::platform::makeNativePlatform();
    // The thread fixture: its main thread and five more; the loader: one thread, its own
    // executable and four copies of the library at least.
    for (const auto& [pid, threadCount, leastModules] :
         {std::tuple{threads.pid(), 6L, 1L}, std::tuple{loader.pid(), 1L, 5L}}) {
        SCOPED_TRACE(pid);
        ChildProcess floor =
            ChildProcess::startPiped({kBench + "/floors/openingfloor", std::to_string(pid), "1"});
        const auto counts = countsOf(firstLine(floor));
        ASSERT_EQ(counts.size(), 2u);
        EXPECT_EQ(counts[0], threadCount);
        EXPECT_GE(counts[1], leastModules);
        const auto opened = openNow(platform->processSource(), pid);
        ASSERT_NE(opened, nullptr);
        EXPECT_EQ(counts[0], entries<pelorus::platform::ThreadEntry>(opened->threads()));
        EXPECT_EQ(counts[1], entries<pelorus::platform::ModuleEntry>(opened->modules()));
    }
    threads.stop();
    loader.stop();
    fs::remove_all(libraries);
}

TEST(BenchFloors, WalkFloorMeetsTheWindowsTheViewerWalks) {
    const auto server = pelorus::testing::XServer::start(false);
    ASSERT_NE(server, nullptr);
    ::setenv("DISPLAY", server->display().c_str(), 1);
    // 2 top-levels, 1 child each, 2 under each of those, 3 under each of those: 20.
    ChildProcess windows =
        ChildProcess::startPiped({kBench + "/fixtures/windows", "2", "1", "2", "3"});
    ASSERT_EQ(firstLine(windows), "ready 20");
    ChildProcess floor = ChildProcess::startPiped({kBench + "/floors/walkfloor", "1"});
    EXPECT_EQ(countsOf(firstLine(floor)), std::vector<long>{20});

    const auto platform = pelorus::platform::makeNativePlatform();
    pelorus::testing::FakeWindowTree tree;
    pelorus::details::buildWindowTree(platform->windowSystem(), tree, windows.pid(), "windows");
    EXPECT_EQ(tree.nodeCount(), 1 + 20);
    windows.stop();
    ::unsetenv("DISPLAY");
}

/// The PIDs of the processes whose parent is `parent`.
std::set<pid_t> childrenOf(pid_t parent) {
    std::set<pid_t> children;
    for (const auto& entry : fs::directory_iterator("/proc")) {
        const std::string name = entry.path().filename();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        std::ifstream stat(entry.path() / "stat");
        std::string text((std::istreambuf_iterator<char>(stat)), {});
        const auto close = text.rfind(')');
        if (close == std::string::npos)
            continue;
        std::istringstream fields(text.substr(close + 2));
        std::string state;
        pid_t ppid = 0;
        if (fields >> state >> ppid && ppid == parent)
            children.insert(std::stoi(name));
    }
    return children;
}

TEST(BenchFixtures, ForkerEndsAndReapsEveryChildOnTerm) {
    ChildProcess forker = ChildProcess::startPiped({kBench + "/fixtures/forker", "6"});
    ASSERT_EQ(firstLine(forker), "ready");
    const std::set<pid_t> children = childrenOf(forker.pid());
    EXPECT_EQ(children.size(), 6u);
    const int status = forker.stop(SIGTERM);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    for (const pid_t child : children)
        EXPECT_FALSE(fs::exists("/proc/" + std::to_string(child))) << child;
}

}  // namespace
