// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>
#include <unistd.h>

#include <QGuiApplication>
#include <QTreeWidget>
#include <cstdlib>

#include "app/frmmain.h"
#include "platform/platform.h"
#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "resources/strings.h"
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

    const int row = rowOf(*form->eTaskList(), text::HexHandle(getpid()));
    ASSERT_GE(row, 0);
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(row));
    form->ShowTaskDetails();

    ASSERT_GE(form->TINF()->topLevelItemCount(), 4);
    EXPECT_EQ(form->TINF()->topLevelItem(0)->text(0), "Exefile");
    EXPECT_EQ(form->TINF()->topLevelItem(1)->text(1).toStdString(), text::HexHandle(getpid()));
    ASSERT_EQ(form->TFRM()->topLevelItemCount(), 1);
    EXPECT_EQ(form->TFRM()->topLevelItem(0)->childCount(), 0);
}

// A Wayland session whose compositor offers no view of its windows (GNOME's): the tree
// holds the opened process and says, in the program's words, why no native window is
// under it; the note is no window, and a command on it does nothing.
TEST(SessionWithoutX, AWaylandSessionWithoutACompositorInterfaceSaysWhyTheTreeIsBare) {
    unsetenv("DISPLAY");
    unsetenv("SWAYSOCK");
    setenv("XDG_SESSION_TYPE", "wayland", 1);
    const auto platform = platform::makeNativePlatform();
    unsetenv("XDG_SESSION_TYPE");
    auto form = testing::showLoadedForm(*platform);

    const int row = rowOf(*form->eTaskList(), text::HexHandle(getpid()));
    ASSERT_GE(row, 0);
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(row));
    form->ShowTaskDetails();

    ASSERT_EQ(form->TFRM()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = form->TFRM()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 1);
    EXPECT_EQ(root->child(0)->text(0).toStdString(),
              resources::LoadString(resources::StringId::NativeWindowsUnseen));
    form->TFRM()->setCurrentItem(root->child(0));
    form->eButton_Click(static_cast<int>(platform::ButtonIndex::Hide));
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(root->childCount(), 1);
}

}  // namespace
}  // namespace pelorus::app
