// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The detail list of processes that the tests start, read from the real /proc.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "details/taskdetails.h"
#include "platform/linux/procfssource.h"
#include "platform/platform.h"
#include "platform/text/escaping.h"
#include "resources/formatting.h"
#include "tasks/refresh.h"
#include "tests/fakes/fakelists.h"
#include "tests/linux/procfstestsupport.h"
#include "tests/linux/refreshedlists.h"
#include "tests/linux/threadprogram.h"
#include "tests/support/xserver.h"

namespace pelorus::details {
namespace {

namespace fs = std::filesystem;
using testing::ChildProcess;
using testing::FakeForm;
using testing::FakeReportList;
using testing::FakeWindowTree;
using Rows = std::vector<std::vector<std::string>>;

std::string hex8(int value) {
    char text[16];
    std::snprintf(text, sizeof text, "%08x", static_cast<unsigned>(value));
    return text;
}

std::string visible(const fs::path& path) {
    return text::visibleText(path.string());
}

class DetailListThreadProgram : public testing::ThreadProgramTest {};

TEST_F(DetailListThreadProgram, ShowsTheProgramItsThreadsAndItsModulesInOrder) {
    platform::ProcfsSource source;
    testing::RefreshedLists lists(source);
    const int row = lists.select(m_program.pid());
    ASSERT_NE(row, 0);
    const auto noDesktop = platform::makeNullPlatform();
    TaskDetails details(source, noDesktop->windowSystem(), lists.form);
    details.ShowTaskDetails(*lists.tables, lists.eTaskList, lists.TINF, lists.TFRM);

    const std::map<std::int32_t, std::string> texts = {
        {4, "4 (idle)"},     {6, "6 (\?\?\?)"}, {8, "8 (normal)"},
        {10, "10 (\?\?\?)"}, {13, "13 (high)"}, {24, "24 (realtime)"},
    };
    const fs::path program = testing::helperPath("pelorus_test_threadprog");
    Rows expected = {
        {"Exefile", program.filename(), program.parent_path()},
        {"ProcessID", hex8(m_program.pid()), "8 (normal)"},
        {"", "", ""},
    };
    for (std::size_t i = 0; i < m_tids.size(); ++i)
        expected.push_back(
            {"Thread:", hex8(m_tids[i]), texts.at(i == 0 ? 8 : m_priorities[i - 1])});
    expected.push_back({"", "", ""});
    const std::size_t firstModule = expected.size();
    // The module paths as the source reads them (its own tests hold them against the
    // kernel's map_files), split here by the standard library.
    // The lists show them with their control characters escaped (the folder with a
    // newline).
    auto modules = source.open(m_program.pid(), lists.tables->TaskStartTime[row - 1])->modules();
    for (platform::ModuleEntry module; modules->next(module);) {
        const fs::path path = module.path;
        expected.push_back({"Modul:", visible(path.filename()), visible(path.parent_path())});
    }

    Rows shown;
    for (const auto& shownRow : lists.TINF.rows)
        shown.push_back({shownRow.text, shownRow.column2, shownRow.column3});
    ASSERT_EQ(shown.size(), expected.size());
    EXPECT_EQ(shown, expected);
    // What the program is known to map: itself first, the library in the folder with a
    // space, and the deleted one, whose path the kernel marks as such.
    const Rows moduleRows(shown.begin() + static_cast<long>(firstModule), shown.end());
    ASSERT_FALSE(moduleRows.empty());
    EXPECT_EQ(moduleRows.front(),
              (Rows::value_type{"Modul:", program.filename(), program.parent_path()}));
    const Rows::value_type spaced{"Modul:", "liba one.so", m_spaced.parent_path()};
    const Rows::value_type deleted{"Modul:", "libb.so (deleted)", visible(m_deleted.parent_path())};
    EXPECT_EQ(std::count(moduleRows.begin(), moduleRows.end(), spaced), 1);
    EXPECT_EQ(std::count(moduleRows.begin(), moduleRows.end(), deleted), 1);
    EXPECT_EQ(lists.TFRM.nodeCount(), 1) << "no desktop: the root alone";

    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root: only root can give threads the priorities 10, 13 and 24";
    std::set<std::string> threadTexts;
    for (std::size_t i = 3; i + 1 < firstModule; ++i)
        threadTexts.insert(shown[i][2]);
    std::set<std::string> allTexts;
    for (const auto& [priority, text] : texts)
        allTexts.insert(text);
    EXPECT_EQ(threadTexts, allTexts);
}

// The PID-reuse scene opens the row of its ended process inside its own PID namespace,
// where the PID was taken again: from out here the two have different PIDs.
TEST(DetailListPidReuse, ARowWhosePidANewerProcessTookShowsFourRowsAndABareRoot) {
    std::string output;
    auto scene =
        ChildProcess::startPiped({testing::helperPath("pelorus_test_pidreuse"), "details"});
    ASSERT_GT(scene.pid(), 0);
    const int status = scene.finish(output);
    if (output.starts_with("skip "))
        GTEST_SKIP() << output.substr(5);
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    ASSERT_TRUE(output.starts_with("reused ")) << output;

    const int pid = std::stoi(output.substr(7));
    char rootKey[16];
    std::snprintf(rootKey, sizeof rootKey, "M%X", static_cast<unsigned>(pid));
    const fs::path program = testing::helperPath("pelorus_test_pidreuse");
    EXPECT_EQ(output, "reused " + std::to_string(pid) + "\n" + "row Exefile|" +
                          program.filename().string() + "|" + program.parent_path().string() +
                          "\n" + "row ProcessID|" + hex8(pid) + "|8 (normal)\n" +
                          "row ||\nrow ||\nnode " + rootKey + "\n");
}

}  // namespace
}  // namespace pelorus::details
