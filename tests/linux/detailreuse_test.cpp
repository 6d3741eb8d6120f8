// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// An opening whose process ends, and whose PID another process takes, in the middle of
// the opening: real processes, with the PID steered through the source's own root.
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "details/taskdetails.h"
#include "platform/linux/procfssource.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakewindowsystem.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/linux/refreshedlists.h"
#include "tests/support/xserver.h"

namespace pelorus::details {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;

TEST(DetailListReuse, APidTakenDuringTheThreadWalkShowsNoModulesOrWindowsOfTheNewer) {
    testing::TempDir root;
    auto first = ChildProcess::start({"sleep", "60"});
    auto second = ChildProcess::start({"sleep", "60"});
    ASSERT_GT(first.pid(), 0);
    ASSERT_GT(second.pid(), 0);
    // Entry 4242 of the root names the first sleeper, as PID 4242 would.
    const fs::path entry = root.path() / "4242";
    fs::create_directory_symlink("/proc/" + std::to_string(first.pid()), entry);
    ASSERT_TRUE(testing::PollUntil(
        [&] {
            std::error_code ended;
            return fs::read_symlink(entry / "exe", ended) == "/usr/bin/sleep";
        },
        30000));
    platform::ProcfsSource source(root.path().string());
    testing::RefreshedLists lists(source);
    ASSERT_EQ(lists.tables->TaskCount, 1);
    lists.eTaskList.selected = {1};
    lists.eTaskList.current = 1;
    // A window of PID 4242: after the switch it would be the second sleeper's.
    testing::FakeWindowSystem windows;
    windows.add(0x500, windows.desktopHandle, 4242);

    // While the thread walk lets events run, the first ends and 4242 names the second.
    bool switched = false;
    lists.form.onProcessEvents = [&] {
        if (switched)
            return;
        switched = true;
        first.stop();
        fs::remove(entry);
        fs::create_directory_symlink("/proc/" + std::to_string(second.pid()), entry);
    };
    TaskDetails details(source, windows, lists.form);
    details.ShowTaskDetails(*lists.tables, lists.eTaskList, lists.TINF, lists.TFRM);

    std::vector<std::string> column1;
    for (const auto& row : lists.TINF.rows)
        column1.push_back(row.text);
    EXPECT_EQ(column1, (std::vector<std::string>{"Exefile", "ProcessID", "", "Thread:", ""}));
    EXPECT_EQ(lists.TFRM.keys(), std::vector<std::string>{"M1092"});
}

}  // namespace
}  // namespace pelorus::details
