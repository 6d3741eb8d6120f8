// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/linux/procfssource.h"
#include "platform/text/hex.h"
#include "platform/x11/xcbwindowsystem.h"
#include "resources/formatting.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/starttime.h"
#include "tests/x11/xfixture.h"

namespace pelorus::details {
namespace {

using testing::XFixture;

using testing::openTree;
using testing::procfs;
using testing::WindowManager;

constexpr std::uint32_t kIconicState = 3;

/// Three mapped top-levels T1..T3 of one client (T3 topmost), their tree built.
class XWindowCommandsBase {
protected:
    void start(WindowManager manager) {
        ASSERT_TRUE(x.startServer(manager));
        client = x.startClient("toplevels", {"3"});
        ASSERT_NE(client, nullptr);
        for (const char* name : {"T1", "T2", "T3"})
            targets.push_back(client->ids[name]);
        if (x.withManager()) {
            const auto managed = [&](xcb_window_t w) {
                return x.hasProperty(w, "WM_STATE") && x.mapState(w) == XCB_MAP_STATE_VIEWABLE;
            };
            ASSERT_TRUE(XFixture::waitFor([&] {
                return std::all_of(targets.begin(), targets.end(), managed);
            })) << managed(targets[0])
                << managed(targets[1]) << managed(targets[2]) << " " << x.mapState(targets[0])
                << x.mapState(targets[1]) << x.mapState(targets[2]);
        }
        windows = std::make_unique<platform::XcbWindowSystem>(x.display());
        opened = openTree(*windows, tree, client->process.pid());
        ASSERT_EQ(tree.nodes.size(), 4u);
        process = procfs().open(opened.pid, opened.startTime);
        ASSERT_NE(process, nullptr);
    }

    xcb_window_t id(const char* name) { return client->ids[name]; }
    /// The check a command makes of one of the client's windows.
    platform::WindowCheck checkOf(xcb_window_t window) {
        return {window, client->process.pid(), process.get()};
    }
    /// Runs the command on the node of `name` selected.
    void command(platform::ButtonIndex button, const char* name) {
        tree.selectedIndex = tree.find("S" + text::keyHex(id(name)));
        runWindowCommand(button, tree, *windows, form, procfs(), opened);
    }
    bool shownOnTop(xcb_window_t window) {
        const auto order = x.topmostFirst(targets);
        return x.mapState(window) == XCB_MAP_STATE_VIEWABLE && !order.empty() &&
               order.front() == window;
    }

    XFixture x;
    XFixture::Client* client = nullptr;
    std::vector<xcb_window_t> targets;
    std::unique_ptr<platform::XcbWindowSystem> windows;
    testing::FakeWindowTree tree;
    testing::FakeForm form;
    OpenedWindows opened;
    std::unique_ptr<platform::OpenedProcess> process;
};

class XWindowCommands : public XWindowCommandsBase, public ::testing::TestWithParam<WindowManager> {
protected:
    void SetUp() override { start(GetParam()); }
};

class XWindowCommandsManaged : public XWindowCommands {};

TEST_P(XWindowCommands, HideThenShowReturnsTheWindowVisibleOnTop) {
    // T1 asks not to be focused when it is mapped: only the viewer's activation request,
    // sent before the manager has marked the window again, can make it the active one.
    const std::uint32_t never = 0;
    xcb_change_property(x.x(), XCB_PROP_MODE_REPLACE, id("T1"), x.atom("_NET_WM_USER_TIME"),
                        XCB_ATOM_CARDINAL, 32, 1, &never);
    command(platform::ButtonIndex::Hide, "T1");
    ASSERT_TRUE(XFixture::waitFor([&] { return x.mapState(id("T1")) == XCB_MAP_STATE_UNMAPPED; }));
    EXPECT_FALSE(x.iconic(id("T1")));
    command(platform::ButtonIndex::Show, "T1");
    EXPECT_TRUE(XFixture::waitFor([&] { return shownOnTop(id("T1")); }));
    if (x.withManager()) {
        EXPECT_TRUE(XFixture::waitFor([&] {
            return x.cardinals(x.root(), "_NET_ACTIVE_WINDOW") ==
                   std::vector<std::uint32_t>{id("T1")};
        }));
    }
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show", "hide", "show"}));
}

TEST_P(XWindowCommands, ShowAllLeavesTheSecondNodeOnTopOfTheOthers) {
    // Reorder first, so that the result differs from the order the tree was built in.
    windows->raise(id("T2"), checkOf(id("T2")));
    windows->raise(id("T1"), checkOf(id("T1")));
    ASSERT_TRUE(XFixture::waitFor([&] {
        return x.topmostFirst(targets) == std::vector<xcb_window_t>{id("T1"), id("T2"), id("T3")};
    }));
    runWindowCommand(platform::ButtonIndex::ShowAll, tree, *windows, form, procfs(), opened);
    // Nodes 2..4 are T3, T2, T1; raised from the last, T3 ends on top.
    EXPECT_TRUE(XFixture::waitFor([&] {
        return x.topmostFirst(targets) == std::vector<xcb_window_t>{id("T3"), id("T2"), id("T1")};
    }));
}

TEST_P(XWindowCommands, HideAllHidesFromTheSecondNodeDown) {
    for (const xcb_window_t window : targets) {
        const std::uint32_t mask = XCB_EVENT_MASK_STRUCTURE_NOTIFY;
        xcb_change_window_attributes(x.x(), window, XCB_CW_EVENT_MASK, &mask);
    }
    std::free(xcb_get_input_focus_reply(x.x(), xcb_get_input_focus(x.x()), nullptr));
    runWindowCommand(platform::ButtonIndex::HideAll, tree, *windows, form, procfs(), opened);
    std::vector<xcb_window_t> order;
    XFixture::waitFor([&] {
        while (xcb_generic_event_t* event = xcb_poll_for_event(x.x())) {
            if ((event->response_type & 0x7F) == XCB_UNMAP_NOTIFY &&
                (event->response_type & 0x80) == 0) {
                const auto* unmap = reinterpret_cast<xcb_unmap_notify_event_t*>(event);
                if (unmap->event == unmap->window &&
                    std::find(order.begin(), order.end(), unmap->window) == order.end()) {
                    order.push_back(unmap->window);
                }
            }
            std::free(event);
        }
        return order.size() == 3;
    });
    EXPECT_EQ(order, (std::vector<xcb_window_t>{id("T3"), id("T2"), id("T1")}));
}

TEST_P(XWindowCommands, DestroyedWindowIsPassedOverAndTheRestGoesOn) {
    xcb_destroy_window(x.x(), id("T2"));
    ASSERT_TRUE(XFixture::waitFor([&] { return x.mapState(id("T2")) == -1; }));
    runWindowCommand(platform::ButtonIndex::HideAll, tree, *windows, form, procfs(), opened);
    EXPECT_TRUE(XFixture::waitFor([&] {
        return x.mapState(id("T1")) == XCB_MAP_STATE_UNMAPPED &&
               x.mapState(id("T3")) == XCB_MAP_STATE_UNMAPPED;
    }));
    runWindowCommand(platform::ButtonIndex::ShowAll, tree, *windows, form, procfs(), opened);
    EXPECT_TRUE(XFixture::waitFor([&] { return shownOnTop(id("T3")); }));
    EXPECT_EQ(x.mapState(id("T1")), XCB_MAP_STATE_VIEWABLE);
}

TEST_P(XWindowCommands, ErrorsAboutADestroyedWindowDoNotPileUp) {
    const platform::WindowHandle gone = id("T2");
    xcb_destroy_window(x.x(), gone);
    ASSERT_TRUE(XFixture::waitFor([&] { return x.mapState(gone) == -1; }));
    for (int round = 0; round < 20; ++round) {
        command(platform::ButtonIndex::Hide, "T2");
        command(platform::ButtonIndex::Show, "T2");
        windows->children(std::span(&gone, 1));
        windows->owners(std::span(&gone, 1));
        windows->texts(std::span(&gone, 1));
    }
    // The last call waited for replies, so the errors of every request before it have
    // arrived by now.
    EXPECT_EQ(windows->takeWaitingEvents(), 0u);
}

/// A window hidden and shown again comes back where the user had put it, whatever the
/// manager: T1 and T2 moved to places no manager would choose.
TEST_P(XWindowCommands, HideAndShowKeepThePlaceOfEveryWindow) {
    x.moveAsUser(id("T1"), 333, 222);
    x.moveAsUser(id("T2"), 517, 411);
    ASSERT_TRUE(XFixture::waitFor(
        [&] { return x.placeOf(id("T1")).at(0) == 333 && x.placeOf(id("T2")).at(0) == 517; }));
    // The manager may still adjust a frame after the move (fluxbox resizes its clients):
    // the places count once two reads some time apart agree.
    std::vector<std::vector<int>> before;
    ASSERT_TRUE(XFixture::waitFor([&] {
        std::vector<std::vector<int>> now;
        for (const xcb_window_t window : targets)
            now.push_back(x.placeOf(window));
        const bool settled = now == before;
        before = now;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        return settled;
    }));
    const auto placesKept = [&] {
        for (std::size_t i = 0; i < targets.size(); ++i) {
            if (x.mapState(targets[i]) != XCB_MAP_STATE_VIEWABLE ||
                x.placeOf(targets[i]) != before[i]) {
                return false;
            }
        }
        return true;
    };
    const auto unmapped = [&](xcb_window_t window) {
        return x.mapState(window) == XCB_MAP_STATE_UNMAPPED && !x.iconic(window);
    };

    command(platform::ButtonIndex::Hide, "T1");
    ASSERT_TRUE(XFixture::waitFor([&] { return unmapped(id("T1")); }));
    command(platform::ButtonIndex::Show, "T1");
    EXPECT_TRUE(XFixture::waitFor(placesKept)) << "Hide, Show";

    runWindowCommand(platform::ButtonIndex::HideAll, tree, *windows, form, procfs(), opened);
    ASSERT_TRUE(
        XFixture::waitFor([&] { return std::all_of(targets.begin(), targets.end(), unmapped); }));
    runWindowCommand(platform::ButtonIndex::ShowAll, tree, *windows, form, procfs(), opened);
    EXPECT_TRUE(XFixture::waitFor(placesKept)) << "Hide all, Show all";
}

/// Show and Hide of one window cost one round trip each, the check of the window included:
/// of a top-level (which a manager holds, where one runs), of a minimised one and of another
/// client's child window inside it. A hide of a window the manager holds also waits for the
/// manager to let it go: for an event, not an answer.
TEST_P(XWindowCommands, ShowAndHideOfOneWindowTakeOneRoundTrip) {
    XFixture::Client* inside = x.startClient("child", {std::to_string(id("T1"))});
    ASSERT_NE(inside, nullptr);
    const xcb_window_t child = inside->ids["F"];
    opened = openTree(*windows, tree, client->process.pid());
    ASSERT_NE(tree.find("S" + text::keyHex(child)), 0);
    if (x.withManager()) {
        x.sendToRoot(id("T2"), "WM_CHANGE_STATE", {kIconicState});
        ASSERT_TRUE(XFixture::waitFor([&] { return x.iconic(id("T2")); }));
    }
    using platform::ButtonIndex;
    const std::size_t managed = x.withManager() ? 1 : 0;
    const struct {
        const char* what;
        xcb_window_t window;
        ButtonIndex command;
        std::size_t managerWaits;
        int mapState;
    } cases[] = {
        {"Hide, a top-level", id("T1"), ButtonIndex::Hide, managed, XCB_MAP_STATE_UNMAPPED},
        {"Show, a top-level", id("T1"), ButtonIndex::Show, 0, XCB_MAP_STATE_VIEWABLE},
        {"Hide, a child window", child, ButtonIndex::Hide, 0, XCB_MAP_STATE_UNMAPPED},
        {"Show, a child window", child, ButtonIndex::Show, 0, XCB_MAP_STATE_VIEWABLE},
        {"Show, a minimised top-level", id("T2"), ButtonIndex::Show, 0, XCB_MAP_STATE_VIEWABLE},
    };
    for (const auto& each : cases) {
        SCOPED_TRACE(each.what);
        tree.selectedIndex = tree.find("S" + text::keyHex(each.window));
        const std::size_t trips = windows->roundTrips();
        const std::size_t waits = windows->withdrawalWaits();
        runWindowCommand(each.command, tree, *windows, form, procfs(), opened);
        EXPECT_EQ(windows->roundTrips() - trips, 1u);
        EXPECT_EQ(windows->withdrawalWaits() - waits, each.managerWaits);
        EXPECT_TRUE(XFixture::waitFor([&] { return x.mapState(each.window) == each.mapState; }));
    }
}

INSTANTIATE_TEST_SUITE_P(Managers, XWindowCommands,
                         ::testing::Values(WindowManager::None, WindowManager::Openbox,
                                           WindowManager::Icewm, WindowManager::Fluxbox),
                         [](const auto& info) { return testing::managerName(info.param); });

TEST_P(XWindowCommandsManaged, ShowRestoresAMinimisedWindowInItsPlace) {
    x.moveAsUser(id("T1"), 333, 222);
    ASSERT_TRUE(XFixture::waitFor([&] { return x.placeOf(id("T1")).at(0) == 333; }));
    const std::vector<int> before = x.placeOf(id("T1"));
    x.sendToRoot(id("T1"), "WM_CHANGE_STATE", {kIconicState});
    ASSERT_TRUE(XFixture::waitFor([&] { return x.iconic(id("T1")); }));
    command(platform::ButtonIndex::Show, "T1");
    // Fluxbox now and then gives a window it de-iconifies the height of its title bar more
    // (150 -> 172 here); its place and width stay. Under the others the whole box stays.
    const auto kept = [&] {
        std::vector<int> now = x.placeOf(id("T1"));
        if (GetParam() == WindowManager::Fluxbox && now.size() == 4 && before.size() == 4)
            now[3] = before[3];
        return now == before;
    };
    EXPECT_TRUE(XFixture::waitFor([&] {
        return x.mapState(id("T1")) == XCB_MAP_STATE_VIEWABLE && kept();
    })) << ::testing::PrintToString(x.placeOf(id("T1")))
        << " was " << ::testing::PrintToString(before);
}

INSTANTIATE_TEST_SUITE_P(Managers, XWindowCommandsManaged,
                         ::testing::Values(WindowManager::Openbox, WindowManager::Icewm,
                                           WindowManager::Fluxbox),
                         [](const auto& info) { return testing::managerName(info.param); });

TEST(XServerGone, AnswersBecomeEmptyAndTheDesktopGoes) {
    XFixture x;
    ASSERT_TRUE(x.startServer(false));
    XFixture::Client* client = x.startClient("toplevels", {"2"});
    ASSERT_NE(client, nullptr);
    platform::XcbWindowSystem windows(x.display());
    testing::FakeWindowTree tree;
    const OpenedWindows opened = openTree(windows, tree, client->process.pid());
    ASSERT_EQ(tree.nodes.size(), 3u);
    const platform::WindowHandle root = windows.desktop();
    const platform::WindowHandle t1 = client->ids["T1"];

    ASSERT_TRUE(x.server().kill());
    EXPECT_EQ(windows.children(std::span(&root, 1)),
              std::vector<std::vector<platform::WindowHandle>>(1));
    EXPECT_EQ(windows.owners(std::span(&t1, 1)), std::vector<platform::Pid>{0});
    EXPECT_EQ(windows.texts(std::span(&t1, 1)).at(0).title, "");
    const auto process = procfs().open(opened.pid, opened.startTime);
    ASSERT_NE(process, nullptr);
    EXPECT_FALSE(windows.show(t1, {t1, opened.pid, process.get()}));
    tree.selectedIndex = 2;
    testing::FakeForm form;
    runWindowCommand(platform::ButtonIndex::Show, tree, windows, form, procfs(), opened);
    runWindowCommand(platform::ButtonIndex::HideAll, tree, windows, form, procfs(), opened);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show", "hide", "show"}));
    EXPECT_EQ(windows.desktop(), 0u);
    buildWindowTree(windows, tree, client->process.pid(), "client");
    EXPECT_EQ(tree.nodes.size(), 1u) << "the process's root alone";
}

TEST(XServerGone, TheNextOpeningReachesANewServer) {
    XFixture first;
    ASSERT_TRUE(first.startServer(false));
    // The default display is $DISPLAY, read again at every connection attempt.
    setenv("DISPLAY", first.display().c_str(), 1);
    platform::XcbWindowSystem windows;
    ASSERT_NE(windows.desktop(), 0u);
    // Its number stays taken while `first` lives: the second server gets another one.
    ASSERT_TRUE(first.server().kill());
    EXPECT_EQ(windows.desktop(), 0u);

    XFixture second;
    ASSERT_TRUE(second.startServer(false));
    ASSERT_NE(second.display(), first.display());
    XFixture::Client* client = second.startClient("toplevels", {"1"});
    ASSERT_NE(client, nullptr);
    setenv("DISPLAY", second.display().c_str(), 1);
    testing::FakeWindowTree tree;
    buildWindowTree(windows, tree, client->process.pid(), "client");
    EXPECT_EQ(tree.keys(),
              (std::vector<std::string>{
                  "M" + text::keyHex(static_cast<std::uint32_t>(client->process.pid())),
                  "S" + text::keyHex(client->ids["T1"])}));
}

TEST(XServerGone, NoServerMeansNoDesktopAndNoAnswers) {
    platform::XcbWindowSystem windows(":65000");
    EXPECT_EQ(windows.desktop(), 0u);
    const platform::WindowHandle some = 0x200001;
    EXPECT_EQ(windows.children(std::span(&some, 1)).at(0).size(), 0u);
    const auto process =
        procfs().open(getpid(), testing::startTimeOf(procfs(), getpid()).value_or(0));
    const platform::WindowCheck check{some, getpid(), process.get()};
    EXPECT_FALSE(windows.hide(some, check));
    EXPECT_FALSE(windows.raise(some, check));
    testing::FakeWindowTree tree;
    buildWindowTree(windows, tree, 1, "init");
    EXPECT_EQ(tree.keys(), std::vector<std::string>{"M1"});
}

}  // namespace
}  // namespace pelorus::details
