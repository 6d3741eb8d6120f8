// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The window commands reach only the windows of the opened process: not a newer client
// that took over a departed client's ids, not an id that no longer names a window, not
// a window whose owner is only claimed.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <climits>

#include "details/windowcommands.h"
#include "platform/text/hex.h"
#include "platform/x11/xcbwindowsystem.h"
#include "resources/formatting.h"
#include "tests/x11/xfixture.h"

namespace pelorus::details {
namespace {

using testing::WindowManager;
using testing::XFixture;

std::string key(xcb_window_t window) {
    return "S" + text::keyHex(window);
}

class XWindowIdentity : public ::testing::TestWithParam<WindowManager> {
protected:
    void SetUp() override { ASSERT_TRUE(x.startServer(GetParam())); }

    /// Whether every one of `ids` is mapped once the server has handled everything the
    /// window system sent (its next question is a round trip on the same connection).
    bool allShown(platform::XcbWindowSystem& windows, const XFixture::Ids& ids) {
        windows.desktop();
        return std::all_of(ids.begin(), ids.end(), [&](const auto& named) {
            return x.mapState(named.second) == XCB_MAP_STATE_VIEWABLE;
        });
    }

    XFixture x;
    testing::FakeWindowTree tree;
    testing::FakeForm form;
};

TEST_P(XWindowIdentity, ANewClientInTheSlotOfTheOpenedOneIsLeftAsItWas) {
    XFixture::Client* first = x.startClient("toplevels", {"2"});
    ASSERT_NE(first, nullptr);
    platform::XcbWindowSystem windows(x.display());
    ASSERT_TRUE(XFixture::waitFor([&] { return allShown(windows, first->ids); }));
    const OpenedWindows opened = testing::openTree(windows, tree, first->process.pid());
    ASSERT_EQ(tree.nodes.size(), 3u);
    const XFixture::Ids ids = first->ids;

    first->process.stop();
    ASSERT_TRUE(XFixture::waitFor([&] { return x.mapState(ids.at("T1")) == -1; }));
    XFixture::Client* second = x.startClient("toplevels", {"2"});
    ASSERT_NE(second, nullptr);
    // The server gave the new client the old one's slot, so its windows have the same ids.
    ASSERT_EQ(second->ids, ids);
    ASSERT_TRUE(XFixture::waitFor([&] { return allShown(windows, ids); }));

    for (const auto command : {platform::ButtonIndex::Hide, platform::ButtonIndex::HideAll,
                               platform::ButtonIndex::ShowAll, platform::ButtonIndex::Show}) {
        tree.selectedIndex = tree.find(key(ids.at("T1")));
        runWindowCommand(command, tree, windows, form, testing::procfs(), opened);
        EXPECT_TRUE(allShown(windows, ids)) << static_cast<int>(command);
    }
    EXPECT_EQ(form.calls.size(), 8u);
}

TEST_P(XWindowIdentity, AnIdThatNoLongerExistsInALiveClientsRangeHasNoOwner) {
    XFixture::Client* client = x.startClient("toplevels", {"3"});
    ASSERT_NE(client, nullptr);
    platform::XcbWindowSystem windows(x.display());
    ASSERT_TRUE(XFixture::waitFor([&] { return allShown(windows, client->ids); }));
    const OpenedWindows opened = testing::openTree(windows, tree, client->process.pid());
    const xcb_window_t gone = client->ids["T2"];
    xcb_destroy_window(x.x(), gone);
    ASSERT_TRUE(XFixture::waitFor([&] { return x.mapState(gone) == -1; }));

    // The client still runs, and its range still holds the id: only the window is gone,
    // and a command's check of it fails while the one of a window still there holds.
    const std::vector<platform::WindowHandle> asked{client->ids["T1"], gone};
    EXPECT_EQ(windows.owners(asked), (std::vector<platform::Pid>{client->process.pid(), 0}));
    const auto process = testing::procfs().open(opened.pid, opened.startTime);
    ASSERT_NE(process, nullptr);
    const platform::WindowCheck ofGone{gone, client->process.pid(), process.get()};
    EXPECT_FALSE(windows.raise(gone, ofGone));
    EXPECT_FALSE(windows.hide(client->ids["T1"], ofGone)) << "the check names the gone window";
    EXPECT_TRUE(
        windows.hide(client->ids["T1"], {client->ids["T1"], client->process.pid(), process.get()}));
}

INSTANTIATE_TEST_SUITE_P(Managers, XWindowIdentity,
                         ::testing::Values(WindowManager::None, WindowManager::Openbox),
                         [](const auto& info) { return testing::managerName(info.param); });

TEST(XWindowClaims, AClientOverTcpNamingAnotherProcessIsNotInItsTree) {
    XFixture x;
    ASSERT_TRUE(x.startServer(WindowManager::None, /*listenTcp=*/true));
    XFixture::Client* child = x.startClient("toplevels", {"1"});
    ASSERT_NE(child, nullptr);
    const std::string pid = std::to_string(child->process.pid());
    XFixture::Client* remote =
        x.startClient("claim", {pid, "elsewhere.invalid"}, x.server().tcpDisplay());
    ASSERT_NE(remote, nullptr);
    std::array<char, HOST_NAME_MAX + 1> host{};
    ASSERT_EQ(gethostname(host.data(), host.size() - 1), 0);
    // The same claim from a client that says it runs here is believed: the server knows
    // no PID of a client over TCP, and the machine is all the window tells.
    XFixture::Client* local = x.startClient("claim", {pid, host.data()}, x.server().tcpDisplay());
    ASSERT_NE(local, nullptr);

    platform::XcbWindowSystem windows(x.display());
    ASSERT_NE(windows.desktop(), 0u);
    EXPECT_EQ(windows.owners(std::vector<platform::WindowHandle>{remote->ids["C"]}),
              std::vector<platform::Pid>{0});
    testing::FakeWindowTree tree;
    testing::openTree(windows, tree, child->process.pid());
    EXPECT_NE(tree.find(key(child->ids["T1"])), 0);
    EXPECT_EQ(tree.find(key(remote->ids["C"])), 0);
    EXPECT_NE(tree.find(key(local->ids["C"])), 0);
}

}  // namespace
}  // namespace pelorus::details
