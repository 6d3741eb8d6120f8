// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowcommands.h"

#include <gtest/gtest.h>

#include "resources/formatting.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakewindowsystem.h"
#include "tests/x11/indexedtree.h"

namespace pelorus::details {
namespace {

using platform::SW_HIDE;
using platform::SW_SHOW;
using platform::SW_SHOWMAXIMIZED;
using platform::SW_SHOWMINIMIZED;
using platform::SW_SHOWNORMAL;
using Call = testing::FakeWindowSystem::Call;

TEST(HandleFromKey, ReadsHexAfterTheFirstCharacterUpToTheFirstNonDigit) {
    EXPECT_EQ(HandleFromKey("SA01C4"), 655812u);
    EXPECT_EQ(HandleFromKey("Sa01c4"), 655812u);
    EXPECT_EQ(HandleFromKey("S000A01C4"), 655812u);
    EXPECT_EQ(HandleFromKey("SFFFFFFFF"), 0xFFFFFFFFu);
    EXPECT_EQ(HandleFromKey("S12G4"), 0x12u);
    EXPECT_EQ(HandleFromKey("S"), 0u);
    EXPECT_EQ(HandleFromKey("SX1"), 0u);
    EXPECT_EQ(HandleFromKey(""), 0u);
}

class WindowCommands : public ::testing::Test {
protected:
    /// Adds a top-level window with `state` and its node to the tree.
    void addWindow(platform::WindowHandle handle, std::int32_t state) {
        windows.add(handle, 1, 7, "w", "c", true);
        windows.windows[handle].showCmd = state;
        tree.nodes.push_back({std::string("M7"), "S" + resources::keyHex(handle), "w", 2, true});
    }
    void SetUp() override { tree.nodes.push_back({std::nullopt, "M7", "proc", 1, true}); }

    testing::FakeWindowSystem windows;
    testing::FakeWindowTree tree;
    testing::FakeForm form;
};

TEST_F(WindowCommands, ShowMapsAndRaisesKeepingMaximisedAndRestoringMinimised) {
    addWindow(0x10, SW_HIDE);
    addWindow(0x20, SW_SHOWMINIMIZED);
    addWindow(0x30, SW_SHOWMAXIMIZED);
    SetWindowShown(windows, "S10", true);
    SetWindowShown(windows, "S20", true);
    SetWindowShown(windows, "S30", true);
    EXPECT_EQ(windows.calls, (std::vector<Call>{{"place", 0x10, SW_SHOW},
                                                {"raise", 0x10, 0},
                                                {"place", 0x20, SW_SHOW},
                                                {"place", 0x20, SW_SHOWNORMAL},
                                                {"raise", 0x20, 0},
                                                {"place", 0x30, SW_SHOW},
                                                {"raise", 0x30, 0}}));
    EXPECT_EQ(windows.windows[0x10].showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(windows.windows[0x20].showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(windows.windows[0x30].showCmd, SW_SHOWMAXIMIZED);
}

TEST_F(WindowCommands, HideThenShowReturnsTheWindowOnTop) {
    addWindow(0x10, SW_SHOWNORMAL);
    addWindow(0x20, SW_SHOWNORMAL);
    SetWindowShown(windows, "S20", false);
    EXPECT_EQ(windows.windows[0x20].showCmd, SW_HIDE);
    SetWindowShown(windows, "S20", true);
    EXPECT_EQ(windows.windows[0x20].showCmd, SW_SHOWNORMAL);
    EXPECT_EQ(windows.topLevels.front(), 0x20u);
}

TEST_F(WindowCommands, ShowAndHideActOnTheFirstSelectedWindowNode) {
    addWindow(0x10, SW_SHOWNORMAL);
    addWindow(0x20, SW_HIDE);
    tree.selectedIndex = 3;
    RunWindowCommand(platform::ButtonIndex::Show, tree, windows, form);
    RunWindowCommand(platform::ButtonIndex::Hide, tree, windows, form);
    EXPECT_EQ(windows.calls,
              (std::vector<Call>{
                  {"place", 0x20, SW_SHOW}, {"raise", 0x20, 0}, {"place", 0x20, SW_HIDE}}));
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show", "hide", "show"}));
}

TEST_F(WindowCommands, NothingSelectedOrOnlyTheProcessNodeChangesNoWindow) {
    addWindow(0x10, SW_SHOWNORMAL);
    for (const int selected : {0, 1}) {
        tree.selectedIndex = selected;
        RunWindowCommand(platform::ButtonIndex::Show, tree, windows, form);
        RunWindowCommand(platform::ButtonIndex::Hide, tree, windows, form);
    }
    EXPECT_TRUE(windows.calls.empty());
    EXPECT_EQ(form.calls.size(), 8u);
    EXPECT_TRUE(form.visible);
}

TEST_F(WindowCommands, ShowAllRaisesFromTheLastNodeAndHideAllHidesFromTheSecond) {
    addWindow(0x10, SW_HIDE);
    addWindow(0x20, SW_SHOWMINIMIZED);
    addWindow(0x30, SW_SHOWNORMAL);
    RunWindowCommand(platform::ButtonIndex::ShowAll, tree, windows, form);
    std::vector<platform::WindowHandle> raised;
    for (const auto& call : windows.calls) {
        if (call.what == "raise")
            raised.push_back(call.window);
    }
    EXPECT_EQ(raised, (std::vector<platform::WindowHandle>{0x30, 0x20, 0x10}));
    EXPECT_EQ(windows.topLevels.front(), 0x10u);

    windows.calls.clear();
    RunWindowCommand(platform::ButtonIndex::HideAll, tree, windows, form);
    EXPECT_EQ(windows.calls,
              (std::vector<Call>{
                  {"place", 0x10, SW_HIDE}, {"place", 0x20, SW_HIDE}, {"place", 0x30, SW_HIDE}}));
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show", "hide", "show"}));
}

TEST_F(WindowCommands, DestroyedWindowIsPassedOverAndTheRestGoesOn) {
    addWindow(0x10, SW_SHOWNORMAL);
    addWindow(0x20, SW_SHOWNORMAL);
    addWindow(0x30, SW_SHOWNORMAL);
    windows.destroy(0x20);
    RunWindowCommand(platform::ButtonIndex::HideAll, tree, windows, form);
    EXPECT_EQ(windows.windows[0x10].showCmd, SW_HIDE);
    EXPECT_EQ(windows.windows[0x30].showCmd, SW_HIDE);
    EXPECT_FALSE(windows.exists(0x20));
}

TEST_F(WindowCommands, OtherButtonsDoNothingAtAll) {
    addWindow(0x10, SW_HIDE);
    tree.selectedIndex = 2;
    using platform::ButtonIndex;
    for (const auto button : {ButtonIndex::Kill, ButtonIndex::Refresh, ButtonIndex::About,
                              ButtonIndex::Quit, ButtonIndex::RefreshWindows})
        RunWindowCommand(button, tree, windows, form);
    EXPECT_TRUE(windows.calls.empty());
    EXPECT_TRUE(form.calls.empty());
}

TEST(WindowCommandsLargeTree, HideAllReachesEveryNodePastA16BitCount) {
    testing::FakeWindowSystem windows;
    testing::IndexedTree tree;
    testing::FakeForm form;
    tree.addNode(std::nullopt, "M1", "proc", 1);
    constexpr int kWindows = 40000;
    for (int i = 0; i < kWindows; ++i) {
        tree.addNode(std::string("M1"),
                     "S" + resources::keyHex(static_cast<std::uint32_t>(0x1000 + i)), "w", 2);
    }
    RunWindowCommand(platform::ButtonIndex::HideAll, tree, windows, form);
    ASSERT_EQ(windows.calls.size(), static_cast<size_t>(kWindows));
    EXPECT_EQ(windows.calls.back().window,
              static_cast<platform::WindowHandle>(0x1000 + kWindows - 1));
}

}  // namespace
}  // namespace pelorus::details
