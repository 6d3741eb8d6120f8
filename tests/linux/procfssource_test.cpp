// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/procfssource.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/linux/pidfdprocesscontrol.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/linux/threadprogram.h"
#include "tests/support/xserver.h"

namespace pelorus::platform {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::TempDir;

template <class Entry>
std::vector<Entry> collect(std::unique_ptr<Snapshot<Entry>> snapshot) {
    std::vector<Entry> out;
    Entry entry;
    while (snapshot->next(entry))
        out.push_back(entry);
    return out;
}

std::map<Pid, ProcessEntry> processesByPid(ProcfsSource& source) {
    std::map<Pid, ProcessEntry> out;
    for (const auto& entry : collect(source.processes()))
        out.emplace(entry.pid, entry);
    return out;
}

std::string readText(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void writeText(const fs::path& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

// Polls until `done` holds; false after half a minute. Waits for a child to get where the
// test needs it, and asserts nothing about how long that takes.
bool waitUntil(const std::function<bool()>& done) {
    return testing::PollUntil(done, 30000);
}

std::string exeOf(pid_t pid) {
    std::error_code error;
    return fs::read_symlink("/proc/" + std::to_string(pid) + "/exe", error).string();
}

// The fields of a /proc stat line of a process whose name has no spaces, counted from 1.
std::vector<std::string> plainStatFields(pid_t pid) {
    auto fields = testing::words(readText("/proc/" + std::to_string(pid) + "/stat"));
    fields.insert(fields.begin(), "");
    return fields;
}

// Opens process `pid` with the start time /proc gives for it now; throws (failing the
// test) when that cannot be done.
std::unique_ptr<OpenedProcess> openNow(ProcfsSource& source, pid_t pid) {
    const auto fields = plainStatFields(pid);
    auto opened = fields.size() > 22 ? source.open(pid, std::stoull(fields[22])) : nullptr;
    if (!opened)
        throw std::runtime_error("cannot open " + std::to_string(pid));
    return opened;
}

class ProcfsFixtureTree : public ::testing::Test {
protected:
    ProcfsSource source{PELORUS_PROC_FIXTURE};
};

TEST_F(ProcfsFixtureTree, ListsOnlyReadableProcessEntries) {
    // 105 has no stat file (it vanished), 121 a cut stat line; "12abc", the file "999",
    // "self" and "uptime" are no processes.
    std::set<Pid> pids;
    for (const auto& [pid, entry] : processesByPid(source))
        pids.insert(pid);
    EXPECT_EQ(pids, (std::set<Pid>{1, 2, 3, 100, 101, 102, 103, 104, 106, 107, 120, 122}));
}

TEST_F(ProcfsFixtureTree, PathTextsAndTheirFallbacks) {
    auto all = processesByPid(source);
    EXPECT_EQ(all[1].path, "/usr/lib/systemd/systemd");
    EXPECT_EQ(all[100].path, "/opt/odd dir/a) (b");
    EXPECT_EQ(all[101].path, "/opt/caf\xe9/bin\xff");  // raw bytes, not valid UTF-8
    EXPECT_EQ(all[106].path, "/usr/bin/old (deleted)");
    EXPECT_EQ(all[103].path, "/usr/sbin/cron");  // no exe link: cmdline's absolute path
    EXPECT_EQ(all[102].path, "sshd");            // a rewritten title "sshd: alice@pts/0"
    EXPECT_EQ(all[2].path, "[kthreadd]");
    EXPECT_EQ(all[3].path, "[kworker/0:1-events]");
    EXPECT_EQ(all[104].path, "[defunct]");  // zombie
    // exe is no link at all: a failure that is no reason to trust cmdline.
    EXPECT_EQ(all[122].path, "regularexe");
}

TEST_F(ProcfsFixtureTree, PrioritiesAndStartTimes) {
    auto all = processesByPid(source);
    const std::map<Pid, std::int32_t> priorities = {
        {1, 8}, {3, 13}, {100, 10}, {101, 6}, {103, 4}, {106, 13}, {107, 24},
    };
    for (const auto& [pid, priority] : priorities) {
        SCOPED_TRACE(pid);
        EXPECT_EQ(all[pid].basePriority, priority);
    }
    EXPECT_EQ(all[100].startTime, 2000U);  // read after the name "a) (b c\nd) S 9 9"
    // An opening checks the start time: another one, or none, opens nothing.
    ASSERT_TRUE(source.open(100, 2000));
    EXPECT_EQ(source.open(100, 2000)->pid(), 100);
    EXPECT_EQ(source.open(107, 2007)->startTime(), 2007U);
    EXPECT_TRUE(source.open(107, 2007)->stillRunning());
    EXPECT_FALSE(source.open(100, 2001));
    EXPECT_FALSE(source.open(105, 0));  // no stat
    EXPECT_FALSE(source.open(121, 0));  // a cut stat line
    EXPECT_FALSE(source.open(4242, 0));
    EXPECT_FALSE(source.open(0, 0));
    EXPECT_FALSE(source.open(-1, 0));
    EXPECT_EQ(source.pathConvention().separator, '/');
    EXPECT_FALSE(source.pathConvention().lowerCase);
}

TEST_F(ProcfsFixtureTree, ThreadsWithTheirOwnPriorities) {
    // 109 has lost its stat file: it ended while the walk ran.
    std::map<ThreadId, std::int32_t> threads;
    for (const auto& thread : collect(source.open(107, 2007)->threads())) {
        EXPECT_EQ(thread.owner, 107);
        threads.emplace(thread.tid, thread.basePriority);
    }
    EXPECT_EQ(threads,
              (std::map<ThreadId, std::int32_t>{
                  {107, 24}, {108, 4}, {110, 4}, {111, 13}, {112, 24}, {113, 24}, {114, 6}}));
    EXPECT_TRUE(collect(source.open(100, 2000)->threads()).empty());  // no task folder
}

TEST_F(ProcfsFixtureTree, ModulesFromMaps) {
    const std::vector<std::string> expected = {
        "/usr/bin/maps",
        "/usr/lib/x86_64-linux-gnu/libc.so.6",
        "/opt/lib dir/libspace one.so",
        "/tmp/plugins/libgone.so (deleted)",
        "/opt/new\nline/libnl.so",
        "/dev/dri/card0",
        "/usr/share/locale/caf\xe9.mo",
    };
    std::vector<std::string> paths;
    for (const auto& module : collect(source.open(120, 2020)->modules())) {
        EXPECT_EQ(module.owner, 120);
        paths.push_back(module.path);
    }
    EXPECT_EQ(paths, expected);
    EXPECT_TRUE(collect(source.open(100, 2000)->modules()).empty());  // no maps
}

TEST(ProcfsRoots, EveryOneOfManyProcessesIsDelivered) {
    TempDir root;
    ASSERT_FALSE(root.path().empty());
    std::set<Pid> made;
    for (Pid pid = 300; pid < 2400; ++pid) {
        const auto dir = root.path() / std::to_string(pid);
        fs::create_directory(dir);
        writeText(dir / "stat", std::to_string(pid) + " (p" + std::to_string(pid) +
                                    ") S 1 1 1 0 -1 0 0 0 0 0 0 0 0 0 20 0 1 0 " +
                                    std::to_string(pid) +
                                    " 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 0 17 "
                                    "0 0 0 0 0 0\n");
        made.insert(pid);
    }
    ProcfsSource source(root.path().string());
    std::set<Pid> seen;
    for (const auto& entry : collect(source.processes())) {
        EXPECT_TRUE(seen.insert(entry.pid).second) << "twice: " << entry.pid;
        EXPECT_EQ(entry.startTime, static_cast<StartTime>(entry.pid));
        EXPECT_EQ(entry.path, "[p" + std::to_string(entry.pid) + "]");  // no exe, no cmdline
    }
    EXPECT_EQ(seen.size(), 2100U);
    EXPECT_EQ(seen, made);
}

TEST(ProcfsRoots, EmptyMissingAndUnreadableRootsDeliverNothing) {
    TempDir empty;
    ProcfsSource emptySource(empty.path().string());
    EXPECT_TRUE(collect(emptySource.processes()).empty());
    EXPECT_FALSE(emptySource.open(1, 0));

    ProcfsSource missing((empty.path() / "nothing").string());
    EXPECT_TRUE(collect(missing.processes()).empty());
    EXPECT_FALSE(missing.open(1, 0));

    ProcfsSource notADirectory((fs::path(PELORUS_PROC_FIXTURE) / "uptime").string());
    EXPECT_TRUE(collect(notADirectory.processes()).empty());

    // Mode 000 stops everyone but root, so the unreadable root is read as nobody.
    const auto locked = empty.path() / "locked";
    fs::create_directory(locked);
    fs::create_directory(locked / "1");
    writeText(locked / "1" / "stat", "1 (x) S 0 0 0 0 0 0 0 0 0 0 0 0 0 0 20 0 1 0 9\n");
    ::chmod(empty.path().c_str(), 0755);
    ::chmod(locked.c_str(), 0);
    if (::geteuid() != 0) {
        ProcfsSource unreadable(locked.string());
        EXPECT_TRUE(collect(unreadable.processes()).empty());
    } else {
        const pid_t child = ::fork();
        if (child == 0) {
            if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0) {
                ::_exit(2);
            }
            ProcfsSource unreadable(locked.string());
            ::_exit(collect(unreadable.processes()).empty() ? 0 : 1);
        }
        ASSERT_GT(child, 0);
        int status = -1;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
    }
    ::chmod(locked.c_str(), 0755);
}

// /proc opens a thread's directory under the thread's number, though it lists processes
// only: a PID that a thread of another process took, with the start time of the process
// that had it, is opened as no process and ended as none.
TEST(ProcfsRoots, AThreadsDirectoryIsNoProcess) {
    TempDir root;
    const auto thread = root.path() / "4243";
    fs::create_directory(thread);
    writeText(thread / "stat", "4243 (worker) S 1 0 0 0 0 0 0 0 0 0 0 0 0 0 20 0 1 0 9\n");
    const std::string head = "Name:\tworker\nUmask:\t0022\nState:\tS (sleeping)\n";
    writeText(thread / "status", head + "Tgid:\t4200\nNgid:\t0\nPid:\t4243\n");
    ProcfsSource source(root.path().string());
    PidfdProcessControl control(root.path().string());
    EXPECT_FALSE(source.open(4243, 9));
    EXPECT_EQ(control.terminate(4243, 9), TerminateResult::Replaced);

    // The same directory as its own thread group is a process.
    writeText(thread / "status", head + "Tgid:\t4243\nNgid:\t0\nPid:\t4243\n");
    EXPECT_TRUE(source.open(4243, 9));
    // Without a status, nothing tells: nothing is opened.
    fs::remove(thread / "status");
    EXPECT_FALSE(source.open(4243, 9));
    EXPECT_EQ(control.terminate(4243, 9), TerminateResult::NoSuchProcess);
}

TEST(ProcfsRealProcesses, StartedChildrenAreFoundWithTheirPathPriorityAndStartTime) {
    auto plain = ChildProcess::start({"sleep", "60"});
    auto niced = ChildProcess::start({"nice", "-n", "10", "sleep", "60"});
    ASSERT_GT(plain.pid(), 0);
    ASSERT_GT(niced.pid(), 0);
    // Until exec, a child is a copy of the test.
    ASSERT_TRUE(waitUntil([&] {
        return exeOf(plain.pid()) == "/usr/bin/sleep" && exeOf(niced.pid()) == "/usr/bin/sleep";
    }));

    ProcfsSource source;
    auto all = processesByPid(source);
    ASSERT_TRUE(all.contains(plain.pid()));
    ASSERT_TRUE(all.contains(niced.pid()));
    EXPECT_EQ(all[plain.pid()].path, "/usr/bin/sleep");
    EXPECT_EQ(all[niced.pid()].path, "/usr/bin/sleep");
    EXPECT_EQ(all[plain.pid()].basePriority, 8);
    EXPECT_EQ(all[niced.pid()].basePriority, 6);
    for (const pid_t pid : {plain.pid(), niced.pid()}) {
        const auto fields = plainStatFields(pid);
        ASSERT_GT(fields.size(), 22U);
        EXPECT_EQ(all[pid].startTime, std::stoull(fields[22]));
        EXPECT_TRUE(source.open(pid, std::stoull(fields[22])));
    }
    // The snapshot keeps the order of /proc, which lists processes by ascending PID.
    std::vector<Pid> order;
    for (const auto& entry : collect(source.processes()))
        order.push_back(entry.pid);
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end()));
}

TEST(ProcfsRealProcesses, ZombieAndKernelThreadGetBracketedNames) {
    auto child = ChildProcess::start({"true"});
    ASSERT_GT(child.pid(), 0);
    ASSERT_TRUE(waitUntil([&] { return plainStatFields(child.pid()).at(3) == "Z"; }));
    ProcfsSource source;
    auto all = processesByPid(source);
    ASSERT_TRUE(all.contains(child.pid()));
    EXPECT_EQ(all[child.pid()].path, "[true]");
    EXPECT_TRUE(collect(source.open(child.pid(), all[child.pid()].startTime)->modules()).empty());

    if (readText("/proc/2/comm") == "kthreadd\n") {
        EXPECT_EQ(all[2].path, "[kthreadd]");
    }
}

class ProcfsThreadProgram : public testing::ThreadProgramTest {};

TEST_F(ProcfsThreadProgram, ThreadsInOrderWithEachPriority) {
    ProcfsSource source;
    const auto threads = collect(openNow(source, m_program.pid())->threads());
    ASSERT_EQ(threads.size(), m_tids.size());
    for (std::size_t i = 0; i < threads.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(threads[i].owner, m_program.pid());
        EXPECT_EQ(threads[i].tid, m_tids[i]);
        EXPECT_EQ(threads[i].basePriority, i == 0 ? 8 : m_priorities[i - 1]);
    }
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: only root can give threads the priorities 10, 13 and 24";
    std::set<std::int32_t> shown;
    for (const auto& thread : threads)
        shown.insert(thread.basePriority);
    EXPECT_EQ(shown, (std::set<std::int32_t>{4, 6, 8, 10, 13, 24}));
}

TEST_F(ProcfsThreadProgram, ModulesInOrderOfFirstMappingAsTheKernelNamesThem) {
    ProcfsSource source;
    std::vector<std::string> paths;
    for (const auto& module : collect(openNow(source, m_program.pid())->modules())) {
        EXPECT_EQ(module.owner, m_program.pid());
        paths.push_back(module.path);
    }
    ASSERT_FALSE(paths.empty());
    EXPECT_EQ(paths.front(), testing::helperPath("pelorus_test_threadprog"));
    EXPECT_EQ(std::count(paths.begin(), paths.end(), m_spaced.string()), 1);
    EXPECT_EQ(std::count(paths.begin(), paths.end(), m_deleted.string() + " (deleted)"), 1);

    // map_files names every file mapping by its address range, unescaped: the same files
    // in address order, each kept once, must give the same list.
    const fs::path mapFiles = "/proc/" + std::to_string(m_program.pid()) + "/map_files";
    std::map<unsigned long long, std::string> byAddress;
    std::error_code error;
    for (const auto& item : fs::directory_iterator(mapFiles, error)) {
        const auto name = item.path().filename().string();
        byAddress.emplace(std::stoull(name.substr(0, name.find('-')), nullptr, 16),
                          fs::read_symlink(item.path(), error).string());
    }
    if (byAddress.empty())
        GTEST_SKIP()
            << "needs root: /proc/PID/map_files, the modules' reference, is readable by root only";
    std::vector<std::string> expected;
    for (const auto& [address, path] : byAddress) {
        if (path.starts_with("/memfd:"))
            continue;
        if (std::find(expected.begin(), expected.end(), path) == expected.end()) {
            expected.push_back(path);
        }
    }
    EXPECT_EQ(paths, expected);
}

TEST_F(ProcfsThreadProgram, AnotherUserSeesThreadsButNoModules) {
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: the case runs the reader as another user";
    const auto probe = testing::helperPath("pelorus_test_procfsprobe");
    const auto pid = std::to_string(m_program.pid());

    std::string asRoot;
    auto reader = ChildProcess::startPiped({probe, "read", pid});
    reader.finish(asRoot);
    EXPECT_TRUE(asRoot.starts_with("modules ") && !asRoot.starts_with("modules 0\n")) << asRoot;

    std::string asNobody;
    auto stranger = ChildProcess::startPiped(
        {"setpriv", "--reuid=65534", "--regid=65534", "--clear-groups", probe, "read", pid});
    const int status = stranger.finish(asNobody);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << asNobody;
    // The exe link of a root process cannot be read by nobody: the path comes from the
    // absolute first argument of cmdline instead.
    EXPECT_EQ(asNobody, "modules 0\nthreads " + std::to_string(m_tids.size()) + "\npath " +
                            testing::helperPath("pelorus_test_threadprog") + "\n");
}

}  // namespace
}  // namespace pelorus::platform
