// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// A Wayland session with Xwayland, as a desktop runs it: a headless sway with its
// Xwayland, an X client and a native client, and the viewer asking X and the compositor
// together. The compositor lists the X client's windows too; the tree must not.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/joinedwindowsystem.h"
#include "platform/linux/procfssource.h"
#include "platform/sway/swaywindowsystem.h"
#include "platform/x11/xcbwindowsystem.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/starttime.h"
#include "tests/wayland/swayfixture.h"

namespace {

using pelorus::platform::JoinedWindowSystem;
using pelorus::platform::SwayWindowSystem;
using pelorus::platform::XcbWindowSystem;
using pelorus::testing::ChildProcess;
using pelorus::testing::FakeForm;
using pelorus::testing::FakeWindowTree;
using pelorus::testing::PollUntil;
using pelorus::testing::startWaylandClient;
using pelorus::testing::SwayServer;
using pelorus::testing::SwayWindow;
using pelorus::testing::swayWindowsOf;

std::string hexKey(char prefix, unsigned value) {
    char key[16];
    std::snprintf(key, sizeof(key), "%c%X", prefix, value);
    return key;
}

/// The ids the X test client wrote ("NAME 0xID" lines), once it has written them all.
std::vector<unsigned> readIds(const std::string& file, std::size_t count) {
    std::vector<unsigned> ids;
    std::ifstream in(file);
    std::string name;
    std::string id;
    while (in >> name >> id)
        ids.push_back(static_cast<unsigned>(std::stoul(id, nullptr, 16)));
    return ids.size() == count ? ids : std::vector<unsigned>{};
}

TEST(JoinedWindows, XwaylandWindowsComeOnceFromXAndNativeOnesFromTheCompositor) {
    SwayServer::Options options;
    options.xwayland = true;
    const auto sway = SwayServer::start(options);
    ASSERT_NE(sway, nullptr) << "sway with Xwayland did not start (Debian packages sway, xwayland)";
    auto native = startWaylandClient(*sway, 2, 0, "native");
    ASSERT_GT(native.pid(), 0);

    char directory[] = "/tmp/pelorus-xids-XXXXXX";
    ASSERT_NE(::mkdtemp(directory), nullptr);
    // Removed however the test ends.
    const std::unique_ptr<char, void (*)(char*)> removal(
        directory, [](char* path) { std::filesystem::remove_all(path); });
    const std::string file = std::string(directory) + "/ids";
    auto xclient = ChildProcess::start({PELORUS_X11_TESTCLIENT, "toplevels", file, "2"},
                                       {"DISPLAY=" + sway->xDisplay()});
    ASSERT_GT(xclient.pid(), 0);
    std::vector<unsigned> xIds;
    ASSERT_TRUE(PollUntil([&] {
        xIds = readIds(file, 2);
        return !xIds.empty() && swayWindowsOf(sway->tree(), xclient.pid()).size() == 2;
    }));
    // The compositor lists the X client's windows as Xwayland's: the scene in which they
    // could come twice.
    for (const SwayWindow& window : swayWindowsOf(sway->tree(), xclient.pid()))
        EXPECT_EQ(window.shell, "xwayland");

    XcbWindowSystem x(sway->xDisplay());
    SwayWindowSystem compositor(sway->socket());
    JoinedWindowSystem joined(x, &compositor, /*waylandSession=*/true);
    pelorus::platform::ProcfsSource procfs;

    FakeWindowTree xTree;
    auto xOpened = pelorus::details::buildWindowTree(joined, xTree, xclient.pid(), "x");
    xOpened.startTime = pelorus::testing::startTimeOf(procfs, xclient.pid()).value_or(0);
    const std::vector<std::string> xKeys = xTree.keys();
    ASSERT_EQ(xKeys.size(), 3U);
    EXPECT_EQ(std::set<std::string>(xKeys.begin() + 1, xKeys.end()),
              (std::set<std::string>{hexKey('S', xIds[0]), hexKey('S', xIds[1])}));

    FakeWindowTree nativeTree;
    pelorus::details::buildWindowTree(joined, nativeTree, native.pid(), "native");
    std::vector<std::string> nativeKeys{hexKey('M', static_cast<unsigned>(native.pid()))};
    for (const SwayWindow& window : swayWindowsOf(sway->tree(), native.pid()))
        nativeKeys.push_back(hexKey('S', 0x80000000U | window.id));
    EXPECT_EQ(nativeTree.keys(), nativeKeys);
    EXPECT_TRUE(joined.unseenWindows().empty());

    // Hide all on the X program's tree reaches its X windows (withdrawn, the compositor
    // drops them) and nothing native; Show all brings them back.
    FakeForm form;
    pelorus::details::runWindowCommand(pelorus::platform::ButtonIndex::HideAll, xTree, joined, form,
                                       procfs, xOpened);
    EXPECT_TRUE(PollUntil([&] { return swayWindowsOf(sway->tree(), xclient.pid()).empty(); }));
    EXPECT_EQ(swayWindowsOf(sway->tree(), native.pid()).size(), 2U);
    pelorus::details::runWindowCommand(pelorus::platform::ButtonIndex::ShowAll, xTree, joined, form,
                                       procfs, xOpened);
    EXPECT_TRUE(PollUntil([&] { return swayWindowsOf(sway->tree(), xclient.pid()).size() == 2; }));
    for (const SwayWindow& window : swayWindowsOf(sway->tree(), native.pid()))
        EXPECT_TRUE(window.visible) << window.name;

    xclient.stop();
}

}  // namespace
