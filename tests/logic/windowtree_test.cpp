// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "details/windowtree.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "tests/fakes/fakelists.h"
#include "tests/fakes/fakewindowsystem.h"

namespace pelorus::details {
namespace {

using testing::FakeWindowSystem;
using testing::FakeWindowTree;

constexpr platform::Pid kPid = 1234;
constexpr platform::Pid kOther = 99;

// Top-levels A (topmost), another process's X, hidden B; A has A1 (topmost) and A2,
// A1 has A1a; F is another process's child inside A, below A2.
class WindowTreeWalk : public ::testing::Test {
protected:
    void SetUp() override {
        windows.add(20, 1, kPid, "B", "ClassB");
        windows.add(30, 1, kOther, "X", "ClassX");
        windows.add(10, 1, kPid, "A", "ClassA");
        windows.windows[20].state = testing::FakeWindowSystem::State::Hidden;
        windows.add(12, 10, kPid, "A2", "ClassA2");
        windows.add(11, 10, kPid, "A1", "ClassA1");
        windows.add(13, 10, kOther, "F", "ClassF", true);
        windows.add(111, 11, kPid, "", "ClassA1a");
        windows.add(31, 30, kOther, "X1", "ClassX1");
    }

    FakeWindowSystem windows;
    FakeWindowTree tree;
};

TEST_F(WindowTreeWalk, AddsTheProcessWindowsBreadthFirstTopmostFirst) {
    buildWindowTree(windows, tree, kPid, "app.bin");

    EXPECT_EQ(tree.keys(),
              (std::vector<std::string>{"M4D2", "SA", "S14", "SB", "SC", "SD", "S6F"}));
    const std::vector<std::optional<std::string>> parents{std::nullopt, "M4D2", "M4D2", "SA",
                                                          "SA",         "SA",   "SB"};
    for (size_t i = 0; i < tree.nodes.size(); ++i) {
        EXPECT_EQ(tree.nodes[i].parentKey, parents[i]) << tree.nodes[i].key;
        EXPECT_TRUE(tree.nodes[i].expanded) << tree.nodes[i].key;
        EXPECT_EQ(tree.nodes[i].image, i == 0 ? 1 : 2);
    }
    EXPECT_EQ(tree.nodes[0].text, "app.bin");
    EXPECT_EQ(tree.nodes[1].text, "A (ClassA)   (10)");
    EXPECT_EQ(tree.nodes[6].text, "(ClassA1a)   (111)");
}

TEST_F(WindowTreeWalk, RecordsWhatEachNodeStandsFor) {
    const OpenedWindows opened = buildWindowTree(windows, tree, kPid, "app.bin");
    EXPECT_EQ(opened.pid, kPid);
    using Node = std::tuple<platform::WindowHandle, platform::WindowHandle, platform::Pid>;
    std::vector<Node> nodes;
    for (const auto& node : opened.nodes)
        nodes.emplace_back(node.window, node.parent, node.creator);
    EXPECT_EQ(nodes, (std::vector<Node>{{10, 0, kPid},
                                        {20, 0, kPid},
                                        {11, 10, kPid},
                                        {12, 10, kPid},
                                        {13, 10, kOther},
                                        {111, 11, kPid}}));
}

TEST_F(WindowTreeWalk, KeysAreUpperHexWithoutLeadingZerosAndTextsDecimal) {
    windows.add(655812, 1, 655812, "Wide", "Cls");
    buildWindowTree(windows, tree, 655812, "wide");
    ASSERT_EQ(tree.keys(), (std::vector<std::string>{"MA01C4", "SA01C4"}));
    EXPECT_EQ(tree.nodes[1].text, "Wide (Cls)   (655812)");
}

TEST_F(WindowTreeWalk, AsksOneTreeLevelAtATime) {
    buildWindowTree(windows, tree, kPid, "app.bin");
    // The desktop, then the levels {A, B}, {A1, A2, F}, {A1a}; texts only where a level
    // has windows: the top-levels, {A1, A2, F}, {A1a}; owners of the top-levels, and the
    // creators of the windows below them.
    EXPECT_EQ(windows.childrenCalls, 4);
    EXPECT_EQ(windows.textsCalls, 3);
    EXPECT_EQ(windows.ownersCalls, 3);
}

TEST_F(WindowTreeWalk, RefusedNodeSkipsItsWholeSubtree) {
    tree.failAdd = [](const std::string& key) { return key == "SB"; };
    buildWindowTree(windows, tree, kPid, "app.bin");
    EXPECT_EQ(tree.keys(), (std::vector<std::string>{"M4D2", "SA", "S14", "SC", "SD"}));
}

TEST_F(WindowTreeWalk, WindowMetTwiceGetsOneNodeUnderItsFirstParent) {
    // The z-order changed under the walk: A1a now also appears among A's children.
    windows.windows[10].children.push_back(111);
    buildWindowTree(windows, tree, kPid, "app.bin");
    EXPECT_EQ(tree.keys(),
              (std::vector<std::string>{"M4D2", "SA", "S14", "SB", "SC", "SD", "S6F"}));
    EXPECT_EQ(tree.nodes[6].parentKey, "SA");
}

TEST_F(WindowTreeWalk, WindowsCreatedAndDestroyedDuringTheWalk) {
    windows.beforeChildren = [this](int call) {
        if (call == 3) {                                 // while the level {A1, A2, F} is asked for
            windows.destroy(11);                         // A1 has its node; A1a goes with it
            windows.add(14, 12, kOther, "late", "");     // a new child of A2 appears
            windows.windows[12].children.push_back(10);  // and A, met again below A2
        }
    };
    buildWindowTree(windows, tree, kPid, "app.bin");
    EXPECT_EQ(tree.keys(), (std::vector<std::string>{"M4D2", "SA", "S14", "SB", "SC", "SD", "SE"}));
    EXPECT_EQ(tree.nodes[6].parentKey, "SC");
}

TEST_F(WindowTreeWalk, EndedProcessGetsOnlyItsRoot) {
    buildWindowTree(windows, tree, kPid, "app.bin", true);
    ASSERT_EQ(tree.keys(), std::vector<std::string>{"M4D2"});
    EXPECT_TRUE(tree.nodes[0].expanded);
    EXPECT_EQ(windows.childrenCalls, 0);
}

TEST_F(WindowTreeWalk, ProcessWithoutWindowsGetsOnlyItsRoot) {
    buildWindowTree(windows, tree, 4242, "idle");
    EXPECT_EQ(tree.keys(), std::vector<std::string>{"M1092"});
}

TEST_F(WindowTreeWalk, NoDesktopLeavesTheRootAlone) {
    buildWindowTree(windows, tree, kPid, "app.bin");
    windows.desktopHandle = 0;
    buildWindowTree(windows, tree, kPid, "app.bin");
    EXPECT_EQ(tree.keys(), std::vector<std::string>{"M4D2"});
    EXPECT_EQ(tree.clears, 2);
}

TEST_F(WindowTreeWalk, OpeningAgainRebuildsWithoutDuplicates) {
    buildWindowTree(windows, tree, kOther, "other");
    EXPECT_EQ(tree.keys(), (std::vector<std::string>{"M63", "S1E", "S1F"}));
    buildWindowTree(windows, tree, kPid, "app.bin");
    buildWindowTree(windows, tree, kPid, "app.bin");
    EXPECT_EQ(tree.nodes.size(), 7u);
}

TEST(WindowTreeQueue, StopsAddingNodesWhenTheQueueIsFull) {
    FakeWindowSystem windows;
    // One top-level with more children than the queue holds, one more top-level after it.
    windows.add(2, 1, kPid, "second");
    windows.add(3, 1, kPid, "first");
    constexpr platform::WindowHandle kFirstChild = 1000;
    for (platform::WindowHandle h = kFirstChild; h < kFirstChild + WindowQueueSize + 10; ++h) {
        windows.add(h, 3, kPid, {}, {}, true);
    }
    FakeWindowTree tree;
    buildWindowTree(windows, tree, kPid, "many");
    // The windows the queue holds, and a note that there were more.
    ASSERT_EQ(tree.nodeCount(), 1 + WindowQueueSize + 1);
    // Never a text asked for a window the queue has no room for, nor more than a chunk.
    EXPECT_EQ(windows.textsAsked, static_cast<std::size_t>(WindowQueueSize));
    EXPECT_LE(windows.largestAsk, kWalkChunk);
    // Two top-levels, then the first WindowQueueSize - 2 children of "first".
    EXPECT_EQ(tree.key(tree.nodeCount() - 1),
              "S" + text::keyHex(kFirstChild + WindowQueueSize - 3));
    EXPECT_EQ(tree.nodes.back().key, "N:count");
    EXPECT_EQ(tree.nodes.back().parentKey, "M4D2");
    EXPECT_EQ(tree.nodes.back().text, "(the windows after the first 65536 are not shown)");
}

// A chain of windows nested in one another under a top-level of the process; the top-level
// is the first level. The tree shows kMaxWindowDepth levels, and a note when there were more.
TEST(WindowTreeDepth, ShowsTheLevelsUpToTheBoundAndANoteForTheRest) {
    struct Case {
        int levels;
        int shown;
        bool note;
    };
    for (const Case& chain : {Case{1, 1, false}, Case{63, 63, false}, Case{64, 64, false},
                              Case{65, 64, true}, Case{30000, 64, true}}) {
        SCOPED_TRACE(chain.levels);
        FakeWindowSystem windows;
        platform::WindowHandle outer = 1;
        for (int level = 1; level <= chain.levels; ++level) {
            const platform::WindowHandle window = 100 + static_cast<platform::WindowHandle>(level);
            windows.add(window, outer, level == 1 ? kPid : kOther);
            outer = window;
        }
        FakeWindowTree tree;
        const OpenedWindows opened = buildWindowTree(windows, tree, kPid, "deep");
        EXPECT_EQ(opened.nodes.size(), static_cast<std::size_t>(chain.shown));
        // Each node one level below the one before: the deepest shown is `shown` down.
        EXPECT_EQ(tree.nodes.at(static_cast<std::size_t>(chain.shown)).key,
                  "S" + text::keyHex(100 + static_cast<std::uint32_t>(chain.shown)));
        ASSERT_EQ(tree.nodes.size(), 1u + static_cast<std::size_t>(chain.shown) + chain.note);
        if (chain.note) {
            EXPECT_EQ(tree.nodes.back().key, "N:depth");
            EXPECT_EQ(tree.nodes.back().parentKey, "M4D2");
            EXPECT_EQ(tree.nodes.back().text, "(windows more than 64 levels deep are not shown)");
        }
        // Below the bound no window is asked about beyond its children: no texts, no creators.
        EXPECT_LE(windows.textsAsked, static_cast<std::size_t>(chain.shown));
    }
}

// The walk's deadline passes after a given number of questions: the tree keeps what the
// walk had before the question that found it past, then a note; the bound ends with the
// walk.
TEST_F(WindowTreeWalk, PastItsTimeLimitTheWalkEndsWithWhatItHasAndANote) {
    const std::vector<std::string> whole{"M4D2", "SA", "S14", "SB", "SC", "SD", "S6F"};
    const std::vector<std::pair<int, std::vector<std::string>>> cases{
        {1, {"M4D2", "N:time"}},
        {2, {"M4D2", "N:time"}},
        {5, {"M4D2", "SA", "S14", "N:time"}},
        {8, {"M4D2", "SA", "S14", "SB", "SC", "SD", "N:time"}},
        {-1, whole},
    };
    for (const auto& [questions, keys] : cases) {
        SCOPED_TRACE(questions);
        windows.deadlineAfter = questions;
        buildWindowTree(windows, tree, kPid, "app.bin");
        EXPECT_EQ(tree.keys(), keys);
        EXPECT_FALSE(windows.bounded);
    }
    windows.deadlineAfter = 1;
    buildWindowTree(windows, tree, kPid, "app.bin");
    EXPECT_EQ(tree.nodes.back().text,
              "(windows not reached are not shown: the search ended after 10 seconds)");
}

TEST_F(WindowTreeWalk, OwnersOfAnotherPidNamespaceGiveTheRootAndANote) {
    windows.comparableOwners = false;
    const OpenedWindows opened = buildWindowTree(windows, tree, kPid, "app.bin");
    EXPECT_EQ(tree.keys(), (std::vector<std::string>{"M4D2", "N:pidns"}));
    EXPECT_EQ(tree.nodes.back().text,
              "(no window is shown: the display server counts processes in another PID namespace "
              "than this viewer, so its windows cannot be matched to processes)");
    EXPECT_TRUE(opened.nodes.empty());
    EXPECT_EQ(windows.ownersCalls, 0);
}

}  // namespace
}  // namespace pelorus::details
