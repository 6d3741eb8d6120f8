// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>

#include "details/windowtree.h"
#include "platform/text/hex.h"
#include "platform/x11/xcbwindowsystem.h"
#include "resources/formatting.h"
#include "tests/fakes/fakelists.h"
#include "tests/x11/xfixture.h"

namespace pelorus::details {
namespace {

using platform::WindowHandle;
using testing::XFixture;

std::string Key(xcb_window_t window) {
    return "S" + text::keyHex(window);
}

/// The known hierarchy of one client, a second client's child inside its window A and
/// that client's own top-level, on Xvfb without (false) or with (true) a window manager.
class XWindowTree : public ::testing::TestWithParam<testing::WindowManager> {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.startServer(GetParam()));
        // B claims to belong to this test process, which has no window of its own.
        main = x.startClient("hierarchy", {std::to_string(getpid())});
        ASSERT_NE(main, nullptr);
        other = x.startClient("child", {std::to_string(main->ids["A"])});
        ASSERT_NE(other, nullptr);
        if (x.withManager()) {
            ASSERT_TRUE(XFixture::waitFor([&] {
                return x.hasProperty(main->ids["A"], "WM_STATE") &&
                       x.hasProperty(other->ids["O"], "WM_STATE");
            }));
        }
    }

    XFixture x;
    XFixture::Client* main = nullptr;
    XFixture::Client* other = nullptr;
};

TEST_P(XWindowTree, HoldsTheProcessWindowsInBreadthFirstZOrder) {
    platform::XcbWindowSystem windows(x.display());
    testing::FakeWindowTree tree;
    const platform::Pid pid = main->process.pid();
    buildWindowTree(windows, tree, pid, "client");
    auto& ids = main->ids;
    // A is topmost; the hidden B is there; the other client's F is A's lowest child and
    // its own top-level O is not in the tree.
    EXPECT_EQ(tree.keys(),
              (std::vector<std::string>{"M" + text::keyHex(static_cast<std::uint32_t>(pid)),
                                        Key(ids["A"]), Key(ids["B"]), Key(ids["A1"]),
                                        Key(ids["A2"]), Key(other->ids["F"]), Key(ids["A1a"])}));
    ASSERT_EQ(tree.nodes.size(), 7u);
    EXPECT_EQ(tree.nodes[5].parentKey, Key(ids["A"]));
    EXPECT_EQ(tree.nodes[6].parentKey, Key(ids["A1"]));

    std::string cut = "A";
    for (int i = 0; i < 253; ++i)
        cut += "\xC3\xA9";
    EXPECT_EQ(tree.nodes[1].text, cut + " (TestA)   (" + std::to_string(ids["A"]) + ")");
    EXPECT_EQ(tree.nodes[2].text, "B (TestB)   (" + std::to_string(ids["B"]) + ")");
    EXPECT_EQ(tree.nodes[3].text, "A1 (TestA1)   (" + std::to_string(ids["A1"]) + ")");
    EXPECT_EQ(tree.nodes[4].text,
              "A2\xEF\xBF\xBD\xEF\xBF\xBD ()   (" + std::to_string(ids["A2"]) + ")");
    EXPECT_EQ(tree.nodes[6].text, "(TestA1a)   (" + std::to_string(ids["A1a"]) + ")");
}

TEST_P(XWindowTree, OwnersComeFromTheServerNotFromTheClaim) {
    platform::XcbWindowSystem windows(x.display());
    ASSERT_NE(windows.desktop(), 0u);
    const std::vector<WindowHandle> asked{main->ids["B"], main->ids["A1"], other->ids["F"], 0};
    EXPECT_EQ(windows.owners(asked),
              (std::vector<platform::Pid>{main->process.pid(), main->process.pid(),
                                          other->process.pid(), 0}));
    // The process that B's _NET_WM_PID names gets a tree of its root alone.
    testing::FakeWindowTree tree;
    buildWindowTree(windows, tree, getpid(), "claimed");
    EXPECT_EQ(tree.nodes.size(), 1u);
}

TEST_P(XWindowTree, TopLevelsAreTheClientWindowsNotTheFrames) {
    platform::XcbWindowSystem windows(x.display());
    const WindowHandle root = windows.desktop();
    const auto tops = windows.children(std::span(&root, 1)).at(0);
    const xcb_window_t a = main->ids["A"];
    EXPECT_NE(std::find(tops.begin(), tops.end(), a), tops.end());
    EXPECT_NE(std::find(tops.begin(), tops.end(), main->ids["B"]), tops.end());
    // Under a manager A sits in a frame; the frame itself is not listed.
    const xcb_window_t parent = x.parentOf(a);
    EXPECT_EQ(parent != root, x.withManager());
    if (parent != root) {
        EXPECT_EQ(std::find(tops.begin(), tops.end(), parent), tops.end());
    }
}

TEST_P(XWindowTree, ReadsNoTextOfAWindowWithoutOrOfOneThatIsNone) {
    platform::XcbWindowSystem windows(x.display());
    ASSERT_NE(windows.desktop(), 0u);
    const auto texts = windows.texts(std::vector<WindowHandle>{main->ids["A1a"], 0x7FFFFF0});
    EXPECT_EQ(texts.at(0).title, "");
    EXPECT_EQ(texts.at(0).className, "TestA1a");
    EXPECT_EQ(texts.at(1).title, "");
    EXPECT_EQ(texts.at(1).className, "");
}

TEST_P(XWindowTree, WindowsChurningDuringTheWalkBreakNothing) {
    XFixture::Client* churn = x.startClient("churn");
    ASSERT_NE(churn, nullptr);
    platform::XcbWindowSystem windows(x.display());
    for (int round = 0; round < 10; ++round) {
        testing::FakeWindowTree tree;
        buildWindowTree(windows, tree, churn->process.pid(), "churn");
        ASSERT_GE(tree.nodes.size(), 1u);
        buildWindowTree(windows, tree, main->process.pid(), "client");
        ASSERT_EQ(tree.nodes.size(), 7u);
    }
}

INSTANTIATE_TEST_SUITE_P(Managers, XWindowTree,
                         ::testing::Values(testing::WindowManager::None,
                                           testing::WindowManager::Openbox,
                                           testing::WindowManager::Icewm,
                                           testing::WindowManager::Fluxbox),
                         [](const auto& info) { return testing::managerName(info.param); });

}  // namespace
}  // namespace pelorus::details
