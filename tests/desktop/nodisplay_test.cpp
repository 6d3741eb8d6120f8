// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QTreeWidget>
#include <cstdlib>

#include "app/frmmain.h"
#include "platform/platform.h"
#include "resources/formatting.h"
#include "tests/forms/formtesting.h"

namespace pelorus::app {
namespace {

using testing::rowOf;

// A session without X (Qt on another platform, no X server to ask): the processes and
// their details are all there; the window tree has the opened process alone.
TEST(SessionWithoutX, TheViewerListsAndOpensProcessesAndTheTreeHasTheRootAlone) {
    ASSERT_EQ(QGuiApplication::platformName(), "offscreen");
    unsetenv("DISPLAY");
    const auto platform = platform::makeNativePlatform();
    auto form = testing::showLoadedForm(*platform);

    const int row = rowOf(*form->eTaskList(), resources::HexHandle(getpid()));
    ASSERT_GE(row, 0);
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(row));
    form->ShowTaskDetails();

    ASSERT_GE(form->TINF()->topLevelItemCount(), 4);
    EXPECT_EQ(form->TINF()->topLevelItem(0)->text(0), "Exefile");
    EXPECT_EQ(form->TINF()->topLevelItem(1)->text(1).toStdString(), resources::HexHandle(getpid()));
    ASSERT_EQ(form->TFRM()->topLevelItemCount(), 1);
    EXPECT_EQ(form->TFRM()->topLevelItem(0)->childCount(), 0);
}

}  // namespace
}  // namespace pelorus::app
