// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A real program whose file name holds a right-to-left override, an escape sequence, a
// control byte and a byte that is not UTF-8, as the task list and the detail list show it.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include "details/taskdetails.h"
#include "platform/linux/procfssource.h"
#include "platform/platform.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/linux/refreshedlists.h"
#include "tests/support/xserver.h"

namespace pelorus::details {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;

TEST(DetailListNames, HiddenCharactersAreShownEscapedAndKeptAsRead) {
    testing::TempDir dir;
    const fs::path program = dir.path() /
                             "a\xE2\x80\xAE"
                             "b\x1b[31mc\x01\xFF";
    fs::copy_file("/usr/bin/sleep", program);
    auto child = ChildProcess::start({program.string(), "60"});
    ASSERT_GT(child.pid(), 0);
    // Until its exec has finished, an ordinary user may not read the maps of even its own
    // child: wait for the maps to name the program.
    const std::string maps = "/proc/" + std::to_string(child.pid()) + "/maps";
    ASSERT_TRUE(testing::PollUntil(
        [&] {
            std::ifstream in(maps);
            const std::string text((std::istreambuf_iterator<char>(in)),
                                   std::istreambuf_iterator<char>());
            return text.find(program.filename().string()) != std::string::npos;
        },
        30000));

    platform::ProcfsSource source;
    testing::RefreshedLists lists(source);
    const int listRow = lists.select(child.pid());
    ASSERT_NE(listRow, 0);
    const auto row = static_cast<std::size_t>(listRow - 1);
    // The table keeps the name as read (the stray byte as U+FFFD); the lists escape it.
    EXPECT_EQ(lists.tables->TaskFile[row],
              "a\xE2\x80\xAE"
              "b\x1b[31mc\x01\xEF\xBF\xBD");
    const std::string shown = "a<U+202E>b<U+001B>[31mc<U+0001>\xEF\xBF\xBD";
    EXPECT_EQ(lists.eTaskList.rows[row].text, shown);

    const auto noDesktop = platform::makeNullPlatform();
    TaskDetails details(source, noDesktop->windowSystem(), lists.form);
    details.ShowTaskDetails(*lists.tables, lists.eTaskList, lists.TINF, lists.TFRM);
    ASSERT_FALSE(lists.TINF.rows.empty());
    EXPECT_EQ(lists.TINF.rows[0].column2, shown);
    // The module list names the program first, escaped the same way.
    const auto modulesStart = std::find_if(lists.TINF.rows.begin() + 3, lists.TINF.rows.end(),
                                           [](const auto& r) { return r.text == "Modul:"; });
    ASSERT_NE(modulesStart, lists.TINF.rows.end());
    EXPECT_EQ(modulesStart->column2, shown);
}

}  // namespace
}  // namespace pelorus::details
