// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The task commands of the main window: Kill, Refresh, Quit, and the buttons without one. On Qt's
// offscreen platform.
#include <gtest/gtest.h>

#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTreeWidget>
#include <QWindow>

#include "about/aboutbox.h"
#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "resources/pictures.h"
#include "tests/forms/formtesting.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {
namespace {

using app::frmMain;

TEST(FrmMainCommands, TheDisabledButtonAndUnknownIndicesDoNothing) {
    FakePlatform platform;
    addThreeProcesses(platform);
    auto form = showLoadedForm(platform);
    form->eTaskList()->topLevelItem(0)->setSelected(true);
    EXPECT_FALSE(form->eButton(6)->isEnabled());
    EXPECT_EQ(form->eButton(6)->focusPolicy(), Qt::NoFocus);

    QTest::mouseClick(form->eButton(6), Qt::LeftButton);
    for (int index : {6, -1, 9, 32767, -32768})
        form->eButton_Click(index);

    EXPECT_EQ(platform.processes.log.taken, 1);
    EXPECT_TRUE(platform.control.calls.empty());
    EXPECT_TRUE(platform.windows.calls.empty());
    EXPECT_EQ(form->aboutBox(), nullptr);
    EXPECT_TRUE(form->isEnabled());
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->eTaskList()->topLevelItemCount(), 3);
}

TEST(FrmMainCommands, KillEndsEverySelectedRealProcessAndTheRowsStayUntilRefresh) {
    std::vector<ChildProcess> children;
    for (int i = 0; i < 3; ++i) {
        children.push_back(ChildProcess::start({"sleep", "1000"}));
        ASSERT_GT(children.back().pid(), 0);
    }
    ChildProcess bystander = ChildProcess::start({"sleep", "1000"});
    const auto platform = platform::makeNativePlatform();
    auto form = showLoadedForm(*platform);
    for (const ChildProcess& child : children) {
        const int row = rowOf(*form->eTaskList(), text::HexHandle(child.pid()));
        ASSERT_GE(row, 0);
        form->eTaskList()->topLevelItem(row)->setSelected(true);
    }
    const int rows = form->eTaskList()->topLevelItemCount();

    form->eButton(0)->click();
    for (ChildProcess& child : children)
        EXPECT_TRUE(child.waitForEnd(10000));
    EXPECT_FALSE(bystander.reapIfEnded());
    EXPECT_EQ(form->eTaskList()->topLevelItemCount(), rows);
    for (const ChildProcess& child : children) {
        EXPECT_GE(rowOf(*form->eTaskList(), text::HexHandle(child.pid())), 0);
    }

    form->eButton(1)->click();
    for (const ChildProcess& child : children) {
        EXPECT_EQ(rowOf(*form->eTaskList(), text::HexHandle(child.pid())), -1);
    }
    EXPECT_GE(rowOf(*form->eTaskList(), text::HexHandle(bystander.pid())), 0);
}

TEST(FrmMainCommands, KillWithAnEmptyListDoesNothing) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    ASSERT_EQ(form->taskTables().TaskCount, 0);
    form->eButton(0)->click();
    EXPECT_TRUE(platform.control.calls.empty());
    EXPECT_TRUE(form->isEnabled());
}

TEST(FrmMainCommands, QuitClosesTheMainWindow) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    form->eButton(3)->click();
    EXPECT_FALSE(form->isVisible());
}

}  // namespace
}  // namespace pelorus::testing
