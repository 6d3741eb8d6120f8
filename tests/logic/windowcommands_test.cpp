// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowcommands.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakeprocesses.h"
#include "tests/fakes/fakewindowsystem.h"

namespace pelorus::details {
namespace {

using Call = testing::FakeWindowSystem::Call;
using State = testing::FakeWindowSystem::State;

constexpr platform::Pid kPid = 7;
constexpr platform::StartTime kStarted = 4000;

class WindowCommands : public ::testing::Test {
protected:
    /// Adds a top-level window of the opened process with `state`, and its node.
    void addWindow(platform::WindowHandle handle, State state) {
        windows.add(handle, 1, kPid, "w", "c", true);
        windows.windows[handle].state = state;
        addNode(handle, 0);
    }
    /// The node of `handle` under `parent`'s (the process's for 0), with the creator the
    /// walk would record: the window's owner now.
    void addNode(platform::WindowHandle handle, platform::WindowHandle parent) {
        const std::string parentKey = parent == 0 ? "M7" : "S" + text::keyHex(parent);
        tree.nodes.push_back({parentKey, "S" + text::keyHex(handle), "w", 2, true});
        opened.add(handle, parent, windows.exists(handle) ? windows.windows[handle].owner : 0);
    }
    void SetUp() override {
        tree.nodes.push_back({std::nullopt, "M7", "proc", 1, true});
        processes.add(kPid, 8, "/usr/bin/proc", kStarted);
        opened.pid = kPid;
        opened.startTime = kStarted;
    }
    void run(platform::ButtonIndex command) {
        runWindowCommand(command, tree, windows, form, processes, opened);
    }
    /// The windows that commands acted on, in order.
    std::vector<platform::WindowHandle> actedOn() const {
        std::vector<platform::WindowHandle> result;
        for (const auto& call : windows.calls)
            result.push_back(call.window);
        return result;
    }

    testing::FakeWindowSystem windows;
    testing::FakeWindowTree tree;
    testing::FakeForm form;
    testing::FakeProcessSource processes;
    OpenedWindows opened;
};

TEST_F(WindowCommands, SetWindowShownActsOnTheWindowAtItsNodesPosition) {
    addWindow(0x10, State::Normal);
    addWindow(0x20, State::Normal);
    const auto process = processes.open(kPid, kStarted);
    ASSERT_NE(process, nullptr);
    EXPECT_TRUE(SetWindowShown(windows, *process, opened, 1, false));
    EXPECT_TRUE(SetWindowShown(windows, *process, opened, 1, true));
    EXPECT_FALSE(SetWindowShown(windows, *process, opened, 2, true)) << "no such node";
    EXPECT_EQ(windows.calls, (std::vector<Call>{{"hide", 0x20}, {"show", 0x20}}));
}

TEST_F(WindowCommands, ShowAndHideActOnTheFirstSelectedWindowNode) {
    addWindow(0x10, State::Normal);
    addWindow(0x20, State::Hidden);
    tree.selectedIndex = 3;
    run(platform::ButtonIndex::Show);
    run(platform::ButtonIndex::Hide);
    EXPECT_EQ(windows.calls, (std::vector<Call>{{"show", 0x20}, {"hide", 0x20}}));
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show", "hide", "show"}));
}

TEST_F(WindowCommands, NothingSelectedOrOnlyTheProcessNodeChangesNoWindow) {
    addWindow(0x10, State::Normal);
    for (const int selected : {0, 1}) {
        tree.selectedIndex = selected;
        run(platform::ButtonIndex::Show);
        run(platform::ButtonIndex::Hide);
    }
    EXPECT_TRUE(windows.calls.empty());
    EXPECT_EQ(form.calls.size(), 8u);
    EXPECT_TRUE(form.visible);
}

TEST_F(WindowCommands, ShowAllShowsFromTheLastNodeAndHideAllHidesFromTheSecond) {
    addWindow(0x10, State::Hidden);
    addWindow(0x20, State::Minimised);
    addWindow(0x30, State::Normal);
    run(platform::ButtonIndex::ShowAll);
    EXPECT_EQ(windows.calls, (std::vector<Call>{{"show", 0x30}, {"show", 0x20}, {"show", 0x10}}));
    EXPECT_EQ(windows.topLevels.front(), 0x10u) << "node 2 shown last, on top";

    windows.calls.clear();
    run(platform::ButtonIndex::HideAll);
    EXPECT_EQ(windows.calls, (std::vector<Call>{{"hide", 0x10}, {"hide", 0x20}, {"hide", 0x30}}));
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show", "hide", "show"}));
}

TEST_F(WindowCommands, DestroyedWindowIsPassedOverAndTheRestGoesOn) {
    addWindow(0x10, State::Normal);
    addWindow(0x20, State::Normal);
    addWindow(0x30, State::Normal);
    windows.destroy(0x20);
    run(platform::ButtonIndex::HideAll);
    EXPECT_EQ(actedOn(), (std::vector<platform::WindowHandle>{0x10, 0x30}));
}

TEST_F(WindowCommands, OtherButtonsDoNothingAtAll) {
    addWindow(0x10, State::Hidden);
    tree.selectedIndex = 2;
    using platform::ButtonIndex;
    for (const auto button : {ButtonIndex::Kill, ButtonIndex::Refresh, ButtonIndex::About,
                              ButtonIndex::Quit, ButtonIndex::RefreshWindows})
        run(button);
    EXPECT_TRUE(windows.calls.empty());
    EXPECT_TRUE(form.calls.empty());
}

TEST_F(WindowCommands, HideAllReachesEveryNodePastA16BitCount) {
    constexpr int kWindows = 40000;
    for (int i = 0; i < kWindows; ++i)
        addWindow(static_cast<platform::WindowHandle>(0x1000 + i), State::Normal);
    run(platform::ButtonIndex::HideAll);
    ASSERT_EQ(windows.calls.size(), static_cast<size_t>(kWindows));
    EXPECT_EQ(windows.calls.back().window,
              static_cast<platform::WindowHandle>(0x1000 + kWindows - 1));
}

TEST_F(WindowCommands, AfterItsTimeLimitACommandEndsWithANoteAndShowsTheFormAgain) {
    const std::vector<platform::WindowHandle> order{0x10, 0x20, 0x30, 0x40, 0x50};
    for (const platform::WindowHandle window : order)
        addWindow(window, State::Normal);
    // The deadline passes after a few questions (one a window): the first windows in order
    // were hidden, the rest are as they were.
    windows.deadlineAfter = 2;
    run(platform::ButtonIndex::HideAll);
    const auto hidden = actedOn();
    ASSERT_FALSE(hidden.empty());
    ASSERT_LT(hidden.size(), order.size());
    EXPECT_TRUE(std::equal(hidden.begin(), hidden.end(), order.begin()));
    EXPECT_EQ(windows.windows[0x50].state, State::Normal);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show"}));
    EXPECT_FALSE(windows.bounded) << "the bound ends with the command";
    ASSERT_EQ(tree.nodes.back().key, "N:command");
    EXPECT_EQ(tree.nodes.back().parentKey, "M7");
    EXPECT_EQ(tree.nodes.back().text,
              "(the last window command ended after 30 seconds: the windows it had not reached "
              "are as they were)");

    // The note is no window: Show all passes it over (the last node comes first), and a
    // second cut adds no second note.
    windows.calls.clear();
    run(platform::ButtonIndex::ShowAll);
    const auto shown = actedOn();
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.front(), 0x50u);
    EXPECT_EQ(tree.nodes.size(), 7u);
    tree.selectedIndex = tree.nodeCount();
    windows.deadlineAfter = -1;
    windows.calls.clear();
    run(platform::ButtonIndex::Show);
    EXPECT_TRUE(windows.calls.empty());
}

// 0x10 and its child 0x11 are still the opened process's, and so is 0x12, which has
// moved under another parent. 0x20's id now names another client's window (a departed
// client's ids reused), and so does its child 0x21; 0x30 has gone. 0x13 and 0x14 were
// made by a client the window system could not name: 0x13 still hangs under 0x11, 0x14
// no longer under 0x21's window.
class StaleWindowCommands : public WindowCommands {
protected:
    void SetUp() override {
        WindowCommands::SetUp();
        addWindow(0x10, State::Normal);
        addWindow(0x20, State::Normal);
        addWindow(0x30, State::Normal);
        windows.add(0x11, 0x10, kPid);
        addNode(0x11, 0x10);
        windows.add(0x21, 0x20, kPid);
        addNode(0x21, 0x20);
        windows.add(0x12, 0x20, kPid);
        addNode(0x12, 0x10);
        windows.add(0x13, 0x11, 0);
        addNode(0x13, 0x11);
        windows.add(0x14, 0x10, 0);
        addNode(0x14, 0x21);
        windows.windows[0x20].owner = 99;
        windows.windows[0x21].owner = 99;
        windows.destroy(0x30);
    }
};

TEST_F(StaleWindowCommands, OnlyTheOpenedProcessWindowsAreReached) {
    run(platform::ButtonIndex::HideAll);
    EXPECT_EQ(actedOn(), (std::vector<platform::WindowHandle>{0x10, 0x11, 0x12, 0x13}));
    windows.calls.clear();
    run(platform::ButtonIndex::ShowAll);
    EXPECT_EQ(actedOn(), (std::vector<platform::WindowHandle>{0x13, 0x12, 0x11, 0x10}));
    EXPECT_EQ(windows.windows[0x20].state, State::Normal);
    EXPECT_EQ(windows.windows[0x21].state, State::Normal);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show", "hide", "show"}));
}

TEST_F(StaleWindowCommands, ASelectedStaleNodeChangesNothing) {
    for (const char* key : {"S20", "S21", "S30", "S14"}) {
        tree.selectedIndex = tree.find(key);
        run(platform::ButtonIndex::Hide);
        run(platform::ButtonIndex::Show);
    }
    EXPECT_TRUE(windows.calls.empty());
    tree.selectedIndex = tree.find("S11");
    run(platform::ButtonIndex::Hide);
    EXPECT_EQ(actedOn(), std::vector<platform::WindowHandle>{0x11});
}

TEST_F(StaleWindowCommands, AProcessThatEndedOrRestartedReachesNothing) {
    processes.startTimes[kPid] = kStarted + 1;  // a newer process took the PID
    run(platform::ButtonIndex::HideAll);
    processes.startTimes.erase(kPid);  // it has ended
    run(platform::ButtonIndex::HideAll);
    EXPECT_TRUE(windows.calls.empty());
}

// Each window is checked right before the command acts on it, not once for the whole
// command: the world changes right after the first window is hidden.
TEST_F(StaleWindowCommands, AWindowIsCheckedRightBeforeTheCommandActsOnIt) {
    windows.afterAct = [&] {
        windows.afterAct = nullptr;
        processes.startTimes.erase(kPid);  // the process ends
    };
    run(platform::ButtonIndex::HideAll);
    EXPECT_EQ(actedOn(), std::vector<platform::WindowHandle>{0x10});
}

TEST_F(StaleWindowCommands, AClientTakingOverTheIdsMidwayIsNotReached) {
    windows.afterAct = [&] {
        windows.afterAct = nullptr;
        for (auto& [handle, window] : windows.windows)
            window.owner = 99;
    };
    run(platform::ButtonIndex::HideAll);
    EXPECT_EQ(actedOn(), std::vector<platform::WindowHandle>{0x10});
}

}  // namespace
}  // namespace pelorus::details
