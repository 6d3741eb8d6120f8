// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "platform/linux/procfsparse.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace pelorus::platform::procfs {
namespace {

using namespace std::string_literals;

// A stat line as the kernel writes it, with the name, state, nice (field 19), start time
// (field 22) and policy (field 41) put in; every other field as a busy process has it.
std::string statLine(const std::string& comm, char state, int nice, unsigned long long start,
                     int policy) {
    return "4242 (" + comm + ") " + state + " 1 4242 4242 0 -1 4194560 2263 0 0 0 12 7 0 0 " +
           std::to_string(20 + nice) + " " + std::to_string(nice) + " 3 0 " +
           std::to_string(start) +
           " 10240000 750 18446744073709551615 1 1 0 0 0 0 0 4096 0 0 0 0 17 1 0 " +
           std::to_string(policy) + " 0 0 0 0 0 0 0 0 0 0 0\n";
}

TEST(ProcfsStat, ReadsFieldsOfAnOrdinaryLine) {
    const auto line = statLine("bash", 'S', -5, 987654321ULL, 0);
    const auto stat = parseStat(line);
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->comm, "bash");
    EXPECT_EQ(stat->state, 'S');
    EXPECT_EQ(stat->nice, -5);
    EXPECT_EQ(stat->startTime, 987654321ULL);
    EXPECT_EQ(stat->threadCount, 3);
    EXPECT_EQ(stat->policy, 0);
}

TEST(ProcfsStat, HostileNamesDoNotShiftTheFields) {
    // Each name tries to end the name field early or to look like further fields.
    const std::vector<std::string> names = {
        "my prog", "a) (b", ") S 1 2 3 4", "(", ")", "line\nbreak", "((x))", "", "x) Z 9 9 9",
    };
    for (const auto& name : names) {
        SCOPED_TRACE(name);
        const auto line = statLine(name, 'R', 7, 31337ULL, 3);
        const auto stat = parseStat(line);
        ASSERT_TRUE(stat);
        EXPECT_EQ(stat->comm, name);
        EXPECT_EQ(stat->state, 'R');
        EXPECT_EQ(stat->nice, 7);
        EXPECT_EQ(stat->startTime, 31337ULL);
        EXPECT_EQ(stat->policy, 3);
    }
}

TEST(ProcfsStat, StartTimeBeyond32Bits) {
    const auto stat = parseStat(statLine("long uptime", 'S', 0, 1ULL << 40, 0));
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->startTime, 1ULL << 40);
}

TEST(ProcfsStat, RejectsLinesItCannotTrust) {
    EXPECT_FALSE(parseStat(""));
    EXPECT_FALSE(parseStat("4242 bash S 1"));                 // no parentheses
    EXPECT_FALSE(parseStat("4242 (bash S 1 2 3"));            // no closing parenthesis
    EXPECT_FALSE(parseStat("4242 (short) S 1 4242 4242\n"));  // ends before the start time
    auto line = statLine("bash", 'S', 0, 100, 0);
    line.replace(line.find(" 0 3 0 100 "), 11, " 0 3 0 1x0 ");  // start time not a number
    EXPECT_FALSE(parseStat(line));
}

TEST(ProcfsStat, LineWithoutPolicyCountsAsOrdinary) {
    // Cut right after the start time: older kernels end the line earlier.
    const auto full = statLine("old", 'S', 12, 555, 1);
    const auto cut = full.substr(0, full.find(" 555 ") + 4);
    const auto stat = parseStat(cut);
    ASSERT_TRUE(stat);
    EXPECT_EQ(stat->startTime, 555ULL);
    EXPECT_EQ(stat->policy, 0);
    EXPECT_EQ(stat->nice, 12);
}

TEST(ProcfsPriority, NiceBandsAndTheirEdges) {
    const struct {
        int nice;
        int priority;
    } cases[] = {
        {19, 4},  {15, 4},   {14, 6},   {5, 6},    {4, 8},  {0, 8},    {-4, 8},
        {-5, 10}, {-14, 10}, {-15, 13}, {-20, 13}, {40, 4}, {-40, 13},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.nice);
        EXPECT_EQ(basePriority(0, c.nice), c.priority);  // SCHED_OTHER
        EXPECT_EQ(basePriority(3, c.nice), c.priority);  // SCHED_BATCH counts by nice too
    }
}

TEST(ProcfsPriority, PoliciesOverrideNice) {
    for (const int nice : {-20, 0, 19}) {
        EXPECT_EQ(basePriority(1, nice), 24);  // FIFO
        EXPECT_EQ(basePriority(2, nice), 24);  // RR
        EXPECT_EQ(basePriority(6, nice), 24);  // DEADLINE
        EXPECT_EQ(basePriority(5, nice), 4);   // IDLE
    }
}

TEST(ProcfsMaps, KeepsFilesOnceInOrderOfFirstMapping) {
    const std::string maps =
        "55d0c0a00000-55d0c0a02000 r--p 00000000 fd:01 1234    /usr/bin/cat\n"
        "55d0c0a02000-55d0c0a08000 r-xp 00002000 fd:01 1234    /usr/bin/cat\n"
        "55d0c1000000-55d0c1021000 rw-p 00000000 00:00 0       [heap]\n"
        "7f1a00000000-7f1a00021000 rw-p 00000000 00:00 0 \n"
        "7f1a00021000-7f1a00022000 rw-p 00000000 00:00 0\n"
        "7f1a10000000-7f1a10200000 r--p 00000000 fd:01 5678    /lib/libc.so.6\n"
        "7f1a21000000-7f1a21001000 r--p 00000000 fd:01 92      /tmp/libgone.so (deleted)\n"
        "7f1a22000000-7f1a22001000 r--p 00000000 fd:01 5678    /usr/bin/cat\n"
        "7f1a23000000-7f1a23400000 rw-s 00000000 00:01 1024    /memfd:shm (deleted)\n"
        "7f1a24000000-7f1a24100000 rw-s 00000000 00:01 7       /dev/zero (deleted)\n"
        "7f1a25000000-7f1a25100000 rw-s 00000000 00:01 65538   /SYSV0000002a (deleted)\n"
        "7f1a26000000-7f1a26001000 rw-s 00000000 00:05 33      /dev/dri/card0\n"
        "7ffc3a000000-7ffc3a021000 rw-p 00000000 00:00 0       [stack]\n"
        "7ffc3a1f4000-7ffc3a1f6000 r-xp 00000000 00:00 0       [vdso]\n"
        "7ffc3a1f4000-7ffc3a1f6000 r-xp 00000000 00:00 0       /lib/last.so";  // no final newline
    EXPECT_EQ(mapsPaths(maps), (std::vector<std::string>{"/usr/bin/cat", "/lib/libc.so.6",
                                                         "/tmp/libgone.so (deleted)",
                                                         "/dev/dri/card0", "/lib/last.so"}));
}

// The same text in pieces of every size gives the same files: lines cut anywhere, even
// inside "\\012" or at the line feed, are put together before they are read.
TEST(ProcfsMaps, TextInPiecesGivesTheSameFilesAsWhole) {
    const std::string maps =
        "55d0-55d1 r--p 00000000 fd:01 1234    /usr/bin/cat\n"
        "7f1a-7f1b r--p 00000000 fd:01 93      /opt/new\\012line/libnl.so\n"
        "7f1b-7f1c rw-p 00000000 00:00 0       [heap]\n"
        "7f1c-7f1d r--p 00000000 fd:01 93      /opt/new\\012line/libnl.so\n"
        "7f1d-7f1e r--p 00000000 fd:01 5678    /lib/last.so";
    const std::vector<std::string> whole = {"/usr/bin/cat", "/opt/new\nline/libnl.so",
                                            "/lib/last.so"};
    ASSERT_EQ(mapsPaths(maps), whole);
    for (std::size_t size = 1; size <= maps.size(); ++size) {
        MapsPathReader reader;
        std::vector<std::string> files;
        for (std::size_t at = 0; at < maps.size(); at += size) {
            reader.feed(std::string_view(maps).substr(at, size));
            while (auto file = reader.next())
                files.push_back(std::move(*file));
        }
        // The last line has no line feed: it counts once the text has ended.
        EXPECT_EQ(files.size(), 2U) << size;
        reader.finish();
        while (auto file = reader.next())
            files.push_back(std::move(*file));
        EXPECT_EQ(files, whole) << size;
        EXPECT_EQ(reader.named(), 3U);
    }
}

TEST(ProcfsStatus, NumbersOfTheirOwnLinesOnly) {
    const std::string status =
        "Name:\tevil\\nPid:\t1\nUmask:\t0022\nState:\tS (sleeping)\nTgid:\t4321\n"
        "Ngid:\t0\nPid:\t4325\nPPid:\t77\nTracerPid:\t0\n";
    EXPECT_EQ(statusNumber(status, "Tgid"), 4321);
    // Not the name's "Pid:", which the kernel writes escaped on the first line, nor PPid's.
    EXPECT_EQ(statusNumber(status, "Pid"), 4325);
    EXPECT_EQ(statusNumber(status, "PPid"), 77);
    EXPECT_FALSE(statusNumber(status, "Gid"));
    EXPECT_FALSE(statusNumber("Pid:\t5\n", "Pid"));  // the first line is the name's
    EXPECT_FALSE(statusNumber("Name:\tx\nPid:\t\n", "Pid"));
    EXPECT_FALSE(statusNumber("Name:\tx\nPid:\t12x\n", "Pid"));
    EXPECT_EQ(statusNumber("Name:\tx\nPid:\t12", "Pid"), 12);  // cut after the number
}

TEST(ProcfsMaps, PathsKeepSpacesAndGetTheirNewlinesBack) {
    EXPECT_EQ(mapsLinePath("7f1a-7f1b r--p 00000000 fd:01 91   /opt/lib dir/lib one.so"),
              "/opt/lib dir/lib one.so");
    EXPECT_EQ(mapsLinePath("7f1a-7f1b r--p 00000000 fd:01 91   /opt/x  y/z "), "/opt/x  y/z ");
    EXPECT_EQ(mapsLinePath("7f1a-7f1b r--p 00000000 fd:01 93   /opt/new\\012line/libnl.so"),
              "/opt/new\nline/libnl.so");
    EXPECT_EQ(mapsLinePath("7f1a-7f1b r--p 00000000 fd:01 93   /a\\012\\012b\\01"), "/a\n\nb\\01");
    EXPECT_EQ(mapsLinePath("7f1a-7f1b r--p 00000000 fd:01 94   /opt/caf\xe9.mo"),
              "/opt/caf\xe9.mo");
}

TEST(ProcfsMaps, LinesThatAreNotFileMappings) {
    EXPECT_FALSE(mapsLinePath(""));
    EXPECT_FALSE(mapsLinePath("this line is not a maps line"));
    EXPECT_FALSE(mapsLinePath("7f1a-7f1b r--p 00000000 fd:01"));
    EXPECT_FALSE(mapsLinePath("7f1a-7f1b r--p 00000000 00:00 0   [anon:named]"));
    EXPECT_FALSE(mapsLinePath("7f1a-7f1b r--p 00000000 00:00 0   relative/path"));
    EXPECT_EQ(mapsPaths("\n\n\n"), std::vector<std::string>{});
}

TEST(ProcfsPathText, FallbacksWhenTheExeLinkIsAbsentOrRefused) {
    for (const int error : {ENOENT, EACCES, ESRCH}) {
        SCOPED_TRACE(error);
        // An absolute first argument.
        EXPECT_EQ(fallbackPathText(error, "/usr/sbin/cron\0-f\0"s, "cron"), "/usr/sbin/cron");
        // A rewritten title is no path: the name from stat stands in for it.
        EXPECT_EQ(fallbackPathText(error, "sshd: alice@pts/0\0\0\0"s, "sshd"), "sshd");
        EXPECT_EQ(fallbackPathText(error, "\0/usr/bin/x\0"s, "x"), "x");
        // Kernel threads and zombies have no cmdline at all.
        EXPECT_EQ(fallbackPathText(error, "", "kthreadd"), "[kthreadd]");
        EXPECT_EQ(fallbackPathText(error, "", "kworker/0:1-events"), "[kworker/0:1-events]");
    }
}

TEST(ProcfsPathText, OtherFailuresShowTheKernelsNameNeverTheCommandLine) {
    // A binary run from a path longer than a page: the link cannot be read, and argv[0]
    // is the process's own to forge.
    for (const int error : {ENAMETOOLONG, EINVAL, ELOOP, EIO, ENOMEM}) {
        SCOPED_TRACE(error);
        EXPECT_EQ(fallbackPathText(error, "/usr/bin/sshd\0-D\0"s, "evil"), "evil");
        EXPECT_EQ(fallbackPathText(error, "", "evil"), "evil");
    }
    // A first string that does not end within the 4 KiB read is incomplete: no path.
    const std::string cut = "/" + std::string(kCmdlineReadLimit - 1, 'd');
    EXPECT_EQ(fallbackPathText(EACCES, cut, "long"), "long");
    const std::string whole = "/" + std::string(kCmdlineReadLimit - 2, 'd') + '\0';
    EXPECT_EQ(fallbackPathText(EACCES, whole, "long"), whole.substr(0, whole.size() - 1));
}

TEST(ProcfsIds, OnlyPlainPositiveNumbers) {
    EXPECT_EQ(parseId("1"), 1);
    EXPECT_EQ(parseId("4194304"), 4194304);
    EXPECT_EQ(parseId("2147483647"), 2147483647);
    for (const char* name : {"", "0", "self", "12a", "-1", "+5", " 7", "2147483648", "1e3"}) {
        SCOPED_TRACE(name);
        EXPECT_FALSE(parseId(name));
    }
}

}  // namespace
}  // namespace pelorus::platform::procfs
