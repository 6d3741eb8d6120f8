// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The walk and the window commands against X clients that behave badly: WM_STATE written
// on child windows, a client that takes over the ids of another in the middle of a command,
// a server grabbed over and over during a walk, and a viewer in a PID namespace of its own.
#include <gtest/gtest.h>

#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/text/hex.h"
#include "platform/x11/xcbwindowsystem.h"
#include "resources/formatting.h"
#include "tests/fakes/fakelists.h"
#include "tests/x11/xfixture.h"

namespace pelorus::details {
namespace {

using testing::ObservedWindows;
using testing::openTree;
using testing::procfs;
using testing::WindowManager;
using testing::XFixture;

std::string key(platform::WindowHandle window) {
    return "S" + text::keyHex(window);
}

std::string rootKey(platform::Pid pid) {
    return "M" + text::keyHex(static_cast<std::uint32_t>(pid));
}

// A top-level whose 200 children each carry WM_STATE, as a manager writes it on a client:
// only the top-level is the manager's to withdraw, so Hide all waits for that one alone.
class XWmStateOnChildren : public ::testing::TestWithParam<WindowManager> {};

TEST_P(XWmStateOnChildren, HideAllWaitsForTheManagerOnlyWhereItCanHaveWrittenIt) {
    XFixture x;
    ASSERT_TRUE(x.startServer(GetParam()));
    XFixture::Client* client = x.startClient("statechildren", {"200"});
    ASSERT_NE(client, nullptr);
    const xcb_window_t top = client->ids["W"];
    // Managed: framed, and marked by the manager itself (the frame comes first).
    ASSERT_TRUE(XFixture::waitFor(
        [&] { return x.parentOf(top) != x.root() && x.hasProperty(top, "WM_STATE"); }));
    platform::XcbWindowSystem windows(x.display());
    testing::FakeWindowTree tree;
    const OpenedWindows opened = openTree(windows, tree, client->process.pid());
    // The top-level is the client's own window, not one of its marked children.
    ASSERT_EQ(tree.nodes.size(), 202u);
    EXPECT_EQ(tree.nodes[1].key, key(top));

    testing::FakeForm form;
    runWindowCommand(platform::ButtonIndex::HideAll, tree, windows, form, procfs(), opened);
    EXPECT_EQ(windows.withdrawalWaits(), 1u);
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show"}));
    EXPECT_EQ(x.mapState(top), XCB_MAP_STATE_UNMAPPED);
    EXPECT_EQ(x.mapState(client->ids["C1"]), XCB_MAP_STATE_UNMAPPED);
    EXPECT_EQ(tree.nodes.back().key.rfind("S", 0), 0u) << "no note: the command ended in time";
}

INSTANTIATE_TEST_SUITE_P(Managers, XWmStateOnChildren,
                         ::testing::Values(WindowManager::Openbox, WindowManager::Icewm,
                                           WindowManager::Fluxbox),
                         [](const auto& info) { return testing::managerName(info.param); });

/// Ends `client` and starts `mode` with `arguments` in its place; the server gives the new
/// client the old one's slot, so its windows get the same ids.
XFixture::Client* replace(XFixture& x, XFixture::Client& client, const std::string& mode,
                          const std::vector<std::string>& arguments) {
    const XFixture::Ids ids = client.ids;
    client.process.stop();
    if (!XFixture::waitFor([&] { return x.mapState(ids.begin()->second) == -1; }))
        return nullptr;
    XFixture::Client* newcomer = x.startClient(mode, arguments);
    return newcomer != nullptr && newcomer->ids == ids ? newcomer : nullptr;
}

// Show all on hidden windows; the opened program ends once the first window is shown, and
// a program started right after it takes its client slot with hidden windows of the same
// ids. The command shows none of them.
TEST(XSlotReuseDuringACommand, TheNewcomerInTheOpenedProgramsSlotIsLeftHidden) {
    XFixture x;
    ASSERT_TRUE(x.startServer(WindowManager::None));
    XFixture::Client* opened = x.startClient("hidden", {"3"});
    ASSERT_NE(opened, nullptr);
    platform::XcbWindowSystem real(x.display());
    ObservedWindows windows(real);
    testing::FakeWindowTree tree;
    const OpenedWindows nodes = openTree(windows, tree, opened->process.pid());
    ASSERT_EQ(tree.nodes.size(), 4u);

    // Each window of a Show costs one call, its check and its act together: the second
    // is the second window's.
    XFixture::Client* newcomer = nullptr;
    windows.calls = 0;
    windows.beforeCall = [&] {
        if (windows.calls == 2)
            newcomer = replace(x, *opened, "hidden", {"3"});
    };
    testing::FakeForm form;
    runWindowCommand(platform::ButtonIndex::ShowAll, tree, windows, form, procfs(), nodes);
    ASSERT_NE(newcomer, nullptr) << "no newcomer with the same ids";
    for (const auto& [name, window] : newcomer->ids)
        EXPECT_EQ(x.mapState(window), XCB_MAP_STATE_UNMAPPED) << name;
    EXPECT_EQ(form.calls, (std::vector<std::string>{"hide", "show"}));
}

// Hide all on a program with another client's window inside its own; that client ends
// once the program's window is hidden, and a newcomer takes its slot with a window of the
// same id in the same place. The opened program still runs, and the window's place is
// what the node says, but its creator is another: the command leaves it alone.
TEST(XSlotReuseDuringACommand, ANewcomerInTheSlotOfAClientInsideTheProgramIsLeftAlone) {
    XFixture x;
    ASSERT_TRUE(x.startServer(WindowManager::None));
    XFixture::Client* program = x.startClient("toplevels", {"1"});
    ASSERT_NE(program, nullptr);
    const std::string parent = std::to_string(program->ids["T1"]);
    XFixture::Client* inside = x.startClient("child", {parent});
    ASSERT_NE(inside, nullptr);
    platform::XcbWindowSystem real(x.display());
    ObservedWindows windows(real);
    testing::FakeWindowTree tree;
    const OpenedWindows nodes = openTree(windows, tree, program->process.pid());
    ASSERT_EQ(tree.keys(),
              (std::vector<std::string>{rootKey(program->process.pid()), key(program->ids["T1"]),
                                        key(inside->ids["F"])}));

    // A Hide costs one call, the check and the act together.
    XFixture::Client* newcomer = nullptr;
    windows.calls = 0;
    windows.beforeCall = [&] {
        if (windows.calls == 2)
            newcomer = replace(x, *inside, "child", {parent});
    };
    testing::FakeForm form;
    runWindowCommand(platform::ButtonIndex::HideAll, tree, windows, form, procfs(), nodes);
    ASSERT_NE(newcomer, nullptr) << "no newcomer with the same ids";
    EXPECT_EQ(x.mapState(program->ids["T1"]), XCB_MAP_STATE_UNMAPPED);
    EXPECT_EQ(x.parentOf(newcomer->ids["F"]), program->ids["T1"]);
    EXPECT_EQ(x.mapState(newcomer->ids["F"]), XCB_MAP_STATE_UNVIEWABLE) << "still mapped";
}

// A client grabs the server for 4 s at a time, letting it go only for a moment. A walk
// that starts under the grab ends at its time limit (2 s here), short of the reply limit,
// with what it had and a note; once the grabs have stopped, the next walk on the same
// window system is whole again.
TEST(XPulsingGrab, TheWalkEndsAtItsTimeLimitWithANote) {
    XFixture x;
    ASSERT_TRUE(x.startServer(WindowManager::None));
    XFixture::Client* program = x.startClient("toplevels", {"1"});
    ASSERT_NE(program, nullptr);
    ASSERT_NE(x.startClient("chain", {std::to_string(program->ids["T1"]), "200"}), nullptr);
    platform::XcbWindowSystem windows(x.display());
    ASSERT_NE(windows.desktop(), 0u);

    XFixture::Client* grabber = x.startClient("grabber", {"4000", "0"});
    ASSERT_NE(grabber, nullptr);
    testing::FakeWindowTree cut;
    buildWindowTree(windows, cut, program->process.pid(), "program", false,
                    std::chrono::seconds(2));
    ASSERT_FALSE(cut.nodes.empty());
    EXPECT_EQ(cut.nodes.back().key, "N:time");
    EXPECT_LT(cut.nodes.size(), 1u + kMaxWindowDepth);

    grabber->process.stop();
    testing::FakeWindowTree whole;
    buildWindowTree(windows, whole, program->process.pid(), "program");
    ASSERT_EQ(whole.nodes.size(), 1u + kMaxWindowDepth + 1);
    EXPECT_EQ(whole.nodes.back().key, "N:depth");
    EXPECT_EQ(whole.nodes[1].key, key(program->ids["T1"]));
}

// The viewer in a PID namespace of its own (with its own /proc) on the host's X server:
// X-Resource names the host's PIDs. A process in the namespace that has the number of a
// host program must not get that program's windows, and a program in the namespace gets
// none it cannot be matched with: both trees hold their root and a note, and Hide all on
// them changes nothing. Outside, the host program's window is its own as ever.
TEST(XPidNamespace, AViewerInAnotherNamespaceAttributesNoWindow) {
    XFixture x;
    ASSERT_TRUE(x.startServer(WindowManager::None));
    XFixture::Client* host = x.startClient("toplevels", {"1"});
    ASSERT_NE(host, nullptr);
    const platform::Pid hostPid = host->process.pid();
    const xcb_window_t hostWindow = host->ids["T1"];
    ASSERT_TRUE(
        XFixture::waitFor([&] { return x.mapState(hostWindow) == XCB_MAP_STATE_VIEWABLE; }));

    testing::ChildProcess viewer = testing::ChildProcess::startPiped(
        {"unshare", "-Urpf", "--mount-proc", PELORUS_X11_PIDNSVIEWER, PELORUS_X11_TESTCLIENT,
         x.display(), std::to_string(hostPid)});
    ASSERT_GT(viewer.pid(), 0);
    std::string output;
    const int status = viewer.finish(output);
    if (output.rfind("skip ", 0) == 0)
        GTEST_SKIP() << output;
    ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output;
    std::istringstream lines(output);
    std::map<std::string, std::vector<std::string>> trees;
    std::map<std::string, platform::Pid> pids;
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string which;
        platform::Pid pid = 0;
        words >> which >> pid;
        pids[which] = pid;
        for (std::string word; words >> word;)
            trees[which].push_back(word);
    }
    ASSERT_EQ(pids["host"], hostPid) << output;
    EXPECT_EQ(trees["host"], (std::vector<std::string>{rootKey(hostPid), "N:pidns"})) << output;
    ASSERT_NE(pids["own"], 0) << output;
    EXPECT_EQ(trees["own"], (std::vector<std::string>{rootKey(pids["own"]), "N:pidns"})) << output;
    EXPECT_EQ(x.mapState(hostWindow), XCB_MAP_STATE_VIEWABLE) << "Hide all reached the host";

    platform::XcbWindowSystem windows(x.display());
    testing::FakeWindowTree tree;
    openTree(windows, tree, hostPid);
    EXPECT_EQ(tree.keys(), (std::vector<std::string>{rootKey(hostPid), key(hostWindow)}));
}

}  // namespace
}  // namespace pelorus::details
