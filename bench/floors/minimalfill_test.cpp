// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The minimal fill is a floor only if it shows what the main form's task list shows.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QHeaderView>
#include <QTreeWidget>
#include <filesystem>
#include <string>

#include "app/frmmain.h"
#include "bench/floors/minimalfill.h"
#include "platform/platform.h"
#include "tests/support/xserver.h"

namespace {

QTreeWidgetItem* rowOf(QTreeWidget& list, pid_t pid) {
    const QString hex =
        QStringLiteral("%1").arg(static_cast<unsigned>(pid), 8, 16, QLatin1Char('0'));
    const auto found = list.findItems(hex, Qt::MatchExactly, 1);
    return found.size() == 1 ? found.front() : nullptr;
}

TEST(MinimalFill, ShowsTheRowsAndHeadersOfTheTaskList) {
    pelorus::testing::ChildProcess child = pelorus::testing::ChildProcess::start({"sleep", "1000"});
    ASSERT_GT(child.pid(), 0);
    const std::string exe = "/proc/" + std::to_string(child.pid()) + "/exe";
    ASSERT_TRUE(pelorus::testing::PollUntil([&] {
        std::error_code error;
        return std::filesystem::read_symlink(exe, error).filename() == "sleep";
    }));
    const auto platform = pelorus::platform::makeNativePlatform();
    pelorus::app::frmMain form(*platform);
    form.Form_Load();
    QTreeWidget list;
    pelorus::bench::setUpMinimalList(list);
    pelorus::bench::fillMinimalList(list, pelorus::bench::readFloorProcesses(2048));

    ASSERT_EQ(list.columnCount(), form.eTaskList()->columnCount());
    for (int column = 0; column < list.columnCount(); ++column) {
        EXPECT_EQ(list.headerItem()->text(column), form.eTaskList()->headerItem()->text(column));
    }
    EXPECT_EQ(list.header()->resizeContentsPrecision(),
              form.eTaskList()->header()->resizeContentsPrecision());
    for (const pid_t pid : {::getpid(), child.pid()}) {
        SCOPED_TRACE(pid);
        QTreeWidgetItem* minimal = rowOf(list, pid);
        QTreeWidgetItem* viewer = rowOf(*form.eTaskList(), pid);
        ASSERT_NE(minimal, nullptr);
        ASSERT_NE(viewer, nullptr);
        for (int column = 0; column < 3; ++column)
            EXPECT_EQ(minimal->text(column), viewer->text(column)) << column;
    }
    child.stop();
}

}  // namespace
