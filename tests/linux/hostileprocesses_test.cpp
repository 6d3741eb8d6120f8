// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Real processes that make their texts and their memory maps as large as the system lets
// them, against the real /proc: what the lists show of them stays bounded, and says so.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "details/taskdetails.h"
#include "platform/linux/procfssource.h"
#include "platform/platform.h"
#include "resources/formatting.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/linux/refreshedlists.h"
#include "tests/support/xserver.h"

namespace pelorus::details {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;

const std::string kCut = "\xE2\x80\xA6";  // the cut marker, an ellipsis

/// A line of /proc/self/status in KiB ("VmRSS", "VmHWM").
long statusKib(const std::string& name) {
    std::ifstream in("/proc/self/status");
    for (std::string line; std::getline(in, line);) {
        if (line.starts_with(name + ":"))
            return std::stol(line.substr(name.size() + 1));
    }
    return -1;
}

/// The number of Unicode characters of a UTF-8 text.
std::size_t characters(const std::string& text) {
    return static_cast<std::size_t>(
        std::count_if(text.begin(), text.end(), [](char c) { return (c & 0xC0) != 0x80; }));
}

// Another user's processes whose command lines are "/" and 2,000 combining marks: the
// viewer, an ordinary user, cannot read their exe links and shows that first string.
TEST(HostileProcesses, CombiningMarkCommandLinesOfAnotherUserAreShownHeldToTheirLength) {
    if (::geteuid() != 0)
        GTEST_SKIP()
            << "needs root: the case runs the processes as one user, the viewer as another";
    std::vector<ChildProcess> marked;
    for (const char* letters : {"abc", "abd", "abe"}) {
        marked.push_back(ChildProcess::start(
            {testing::helperPath("pelorus_test_marked"), "1", letters, "2000"}));
        ASSERT_GT(marked.back().pid(), 0);
    }
    // Until its exec, each is still a copy of the helper, with the helper's command line.
    for (auto& child : marked) {
        ASSERT_TRUE(
            testing::PollUntil([&] { return testing::commOf(child.pid()) == "sleep"; }, 30000));
    }

    // The viewer, as nobody: it reports each marked row's shown text and table text.
    int report[2];
    ASSERT_EQ(::pipe(report), 0);
    const pid_t viewer = ::fork();
    ASSERT_GE(viewer, 0);
    if (viewer == 0) {
        ::close(report[0]);
        if (::setresgid(65534, 65534, 65534) != 0 || ::setresuid(65534, 65534, 65534) != 0)
            ::_exit(2);
        platform::ProcfsSource source;
        auto tables = std::make_unique<tasks::TaskTables>();
        testing::FakeReportList eTaskList;
        testing::FakeForm form;
        tasks::RefreshTaskList(*tables, source, eTaskList, form);
        std::ostringstream out;
        for (const auto& child : marked) {
            for (int i = 0; i < tables->TaskCount; ++i) {
                if (tables->TaskPid[i] == child.pid()) {
                    out << eTaskList.rows[static_cast<std::size_t>(i)].text << '\n'
                        << tables->TaskFile[static_cast<std::size_t>(i)] << '\n';
                }
            }
        }
        const std::string text = out.str();
        const bool written =
            ::write(report[1], text.data(), text.size()) == static_cast<ssize_t>(text.size());
        ::_exit(written ? 0 : 3);
    }
    ::close(report[1]);
    std::string reported;
    char buffer[65536];
    for (ssize_t n; (n = ::read(report[0], buffer, sizeof buffer)) > 0;)
        reported.append(buffer, static_cast<std::size_t>(n));
    ::close(report[0]);
    int status = -1;
    ASSERT_EQ(::waitpid(viewer, &status, 0), viewer);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;

    std::istringstream lines(reported);
    std::vector<std::string> shown;
    std::vector<std::string> kept;
    for (std::string row, table; std::getline(lines, row) && std::getline(lines, table);) {
        shown.push_back(row);
        kept.push_back(table);
    }
    ASSERT_EQ(shown.size(), marked.size()) << reported;
    std::string marks;
    for (int i = 0; i < 2000; ++i)
        marks += "\xCC\x81";
    const std::vector<std::string> letters = {"abc", "abd", "abe"};
    for (std::size_t i = 0; i < shown.size(); ++i) {
        SCOPED_TRACE(letters[i]);
        EXPECT_EQ(kept[i], letters[i] + marks);  // the table keeps the whole text
        EXPECT_EQ(characters(shown[i]), resources::MaxProcessTextLength);
        EXPECT_TRUE(shown[i].starts_with(letters[i] + "\xCC\x81"));
        EXPECT_TRUE(shown[i].ends_with(kCut));
    }
}

// 10,000 one-page mappings of distinct paths of 3,000 characters: a maps file of about
// 30 MB, which the opening reads in pieces, showing MaxModuleRows of its files and a note.
TEST(HostileProcesses, AHugeMapsFileIsReadInPiecesAndItsModuleRowsCapped) {
    testing::TempDir dir;
    auto program = ChildProcess::startPiped(
        {testing::helperPath("pelorus_test_manymaps"), dir.path().string(), "10000"});
    ASSERT_GT(program.pid(), 0);
    const auto ready = program.readLine();
    ASSERT_TRUE(ready && ready->starts_with("ready ")) << ready.value_or("(nothing)");
    const long mapsBytes = std::stol(ready->substr(6));
    ASSERT_GT(mapsBytes, 30'000'000L);

    platform::ProcfsSource source;
    testing::RefreshedLists lists(source);
    ASSERT_NE(lists.select(program.pid()), 0);

    const auto noDesktop = platform::makeNullPlatform();
    // The walks' deadline is another test's: a clock that stands still keeps it out of this
    // one, however slow the build.
    TaskDetails details(source, noDesktop->windowSystem(), lists.form,
                        [] { return std::chrono::steady_clock::time_point(); });
    const long before = statusKib("VmRSS");
    // Writing 5 to clear_refs sets the peak of the resident set back to what is resident.
    std::ofstream("/proc/self/clear_refs") << "5";
    details.ShowTaskDetails(*lists.tables, lists.eTaskList, lists.TINF, lists.TFRM);
    const long peak = statusKib("VmHWM");

    const auto modules = std::count_if(lists.TINF.rows.begin(), lists.TINF.rows.end(),
                                       [](const auto& r) { return r.text == "Modul:"; });
    EXPECT_EQ(modules, MaxModuleRows);
    EXPECT_EQ(lists.TINF.rows.back().text, "(more modules not listed: at most 2048 are shown)");
    // Every shown folder is held to its length and says that it was cut.
    for (const auto& shown : lists.TINF.rows) {
        if (shown.text == "Modul:" && shown.column2.starts_with("link-")) {
            ASSERT_EQ(characters(shown.column3), resources::MaxProcessTextLength);
            ASSERT_TRUE(shown.column3.ends_with(kCut));
        }
    }
    std::printf("maps %ld KiB, resident set %ld KiB before the opening, peak %ld KiB\n",
                mapsBytes / 1024, before, peak);
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "the resident set is not measured under AddressSanitizer, which holds "
                    "freed memory back";
#else
    // Read whole (and each path kept twice) the opening would take three times the file.
    EXPECT_LT(peak - before, mapsBytes / 1024 / 3);
#endif
}

}  // namespace
}  // namespace pelorus::details
