// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The viewer itself as a native Wayland program on a private headless sway: Qt on its
// Wayland platform, the native platform choosing its window systems from the session's
// environment (SWAYSOCK, no DISPLAY), and a native client to open. Its own main starts
// the compositor before Qt.
#include <gtest/gtest.h>
#include <unistd.h>

#include <QApplication>
#include <QGuiApplication>
#include <QTest>
#include <QTreeWidget>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "app/frmmain.h"
#include "platform/platform.h"
#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "tests/forms/formtesting.h"
#include "tests/wayland/swayfixture.h"

namespace {

using pelorus::testing::ChildProcess;
using pelorus::testing::startWaylandClient;
using pelorus::testing::SwayServer;
using pelorus::testing::SwayWindow;
using pelorus::testing::swayWindowsOf;

SwayServer* theSway = nullptr;

/// Polls the compositor (letting Qt handle its events meanwhile) until `condition` holds.
bool waitForSway(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 10000);
}

std::map<std::uint32_t, SwayWindow> byId(const std::vector<SwayWindow>& windows) {
    std::map<std::uint32_t, SwayWindow> result;
    for (const SwayWindow& window : windows)
        result[window.id] = window;
    return result;
}

std::vector<SwayWindow> viewerWindows() {
    return swayWindowsOf(theSway->tree(), ::getpid());
}

// The tree of a native program is the compositor's windows of its PID; Hide and Show act
// on the selected one, and the viewer's own window, hidden for the command, comes back
// with the focus.
TEST(ViewerOnSway, OpensANativeProgramAndHidesAndShowsItsWindow) {
    ASSERT_EQ(QGuiApplication::platformName(), "wayland");
    auto client = startWaylandClient(*theSway, 2, 0, "target");
    ASSERT_GT(client.pid(), 0);
    const auto platform = pelorus::platform::makeNativePlatform();
    auto form = pelorus::testing::showLoadedForm(*platform);
    ASSERT_TRUE(waitForSway([] { return viewerWindows().size() == 1; }));

    const int row =
        pelorus::testing::rowOf(*form->eTaskList(), pelorus::text::HexHandle(client.pid()));
    ASSERT_GE(row, 0);
    form->eTaskList()->setCurrentItem(form->eTaskList()->topLevelItem(row));
    form->ShowTaskDetails();

    const auto listed = swayWindowsOf(theSway->tree(), client.pid());
    ASSERT_EQ(listed.size(), 2U);
    ASSERT_EQ(form->TFRM()->topLevelItemCount(), 1);
    QTreeWidgetItem* root = form->TFRM()->topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(root->child(i)->text(0).toStdString(),
                  listed[static_cast<std::size_t>(i)].name + " (org.pelorus.testclient)   (" +
                      std::to_string(listed[static_cast<std::size_t>(i)].id) + ")");
    }

    form->TFRM()->setCurrentItem(root->child(0));
    form->eButton_Click(static_cast<int>(pelorus::platform::ButtonIndex::Hide));
    const auto afterHide = byId(swayWindowsOf(theSway->tree(), client.pid()));
    ASSERT_EQ(afterHide.size(), 2U);
    EXPECT_EQ(afterHide.at(listed[0].id).workspace, "__i3_scratch");
    EXPECT_TRUE(afterHide.at(listed[1].id).visible);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(waitForSway([] {
        const auto own = viewerWindows();
        return own.size() == 1 && own[0].visible && own[0].focused;
    }));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QGuiApplication::focusWindow() == form->windowHandle(); }, 10000));

    form->eButton_Click(static_cast<int>(pelorus::platform::ButtonIndex::Show));
    const auto afterShow = byId(swayWindowsOf(theSway->tree(), client.pid()));
    ASSERT_EQ(afterShow.size(), 2U);
    EXPECT_EQ(afterShow.at(listed[0].id).workspace, "1");
    EXPECT_TRUE(afterShow.at(listed[0].id).visible);
    EXPECT_TRUE(afterShow.at(listed[1].id).visible);
    EXPECT_TRUE(waitForSway([] {
        const auto own = viewerWindows();
        return own.size() == 1 && own[0].visible && own[0].focused;
    }));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return QGuiApplication::focusWindow() == form->windowHandle(); }, 10000));
}

// The program as a user starts it in a sway session: it opens its window natively.
TEST(ViewerOnSway, TheProgramOpensItsWindowOnTheCompositor) {
    auto program =
        ChildProcess::start({PELORUS_BINARY_DIR "/app/pelmarin"}, theSway->clientEnvironment());
    ASSERT_GT(program.pid(), 0);
    EXPECT_TRUE(waitForSway([&] {
        const auto windows = swayWindowsOf(theSway->tree(), program.pid());
        return windows.size() == 1 && windows[0].shell == "xdg_shell";
    }));
    EXPECT_FALSE(program.reapIfEnded());
}

}  // namespace

// What the sanitized build's leak checker is told to pass over, here instead of the other
// Qt mains' list: Qt's Wayland platform (6.4) leaves the objects of its connection to the
// compositor to the end of the process; as under X11, the D-Bus library keeps one buffer
// of a session bus that is not there.
extern "C" const char* __lsan_default_suppressions();
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libdbus-1.so\n"
           "leak:libwayland-client.so\n";
}

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            listing = true;
    }
    // Whatever session starts the tests, the viewer sees only the private compositor.
    for (const char* name :
         {"DISPLAY", "WAYLAND_DISPLAY", "SWAYSOCK", "XDG_SESSION_TYPE", "QT_QPA_PLATFORMTHEME",
          "QT_STYLE_OVERRIDE", "QT_SCALE_FACTOR", "QT_IM_MODULE"}) {
        ::unsetenv(name);
    }
    ::setenv("LC_ALL", "C.UTF-8", 1);
    std::unique_ptr<SwayServer> sway;
    if (listing) {
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    } else {
        sway = SwayServer::start();
        if (!sway) {
            std::fprintf(stderr, "could not start the test's sway (Debian package sway)\n");
            return 1;
        }
        theSway = sway.get();
        for (const std::string& entry : sway->clientEnvironment()) {
            const auto equals = entry.find('=');
            ::setenv(entry.substr(0, equals).c_str(), entry.substr(equals + 1).c_str(), 1);
        }
        ::setenv("SWAYSOCK", sway->socket().c_str(), 1);
        // Widgets draw into shared memory; without this Qt also loads the graphics
        // driver's EGL, which the headless compositor has no use for, and which leaves a
        // buffer behind in a module it unloads (where no suppression can name it).
        ::setenv("QT_WAYLAND_CLIENT_BUFFER_INTEGRATION", "none", 1);
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    sway.reset();
    return result;
}
