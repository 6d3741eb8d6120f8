// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// GoogleTest main for tests that need a QApplication. Built several ways:
// PELORUS_QTMAIN_X == 0: Qt's offscreen platform; 1: a private Xvfb started here; 2, 3, 4:
// a private Xvfb with openbox, icewm, fluxbox; 5: a private Xvfb and a private
// accessibility bus with a screen reader's flag set, so that Qt's bridge joins it. Listing the
// tests (as CTest does at build time) never starts a server. Whatever the session the tests are
// started from (a desktop with its own Qt platform, theme, scaling and locale), they run on the
// platform they were written for, in the C locale, at scale 1 and with Qt's own style.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <memory>

#include "tests/support/accessibilitybus.h"
#include "tests/support/qtsession.h"
#include "tests/support/xserver.h"

#ifndef PELORUS_QTMAIN_X
#define PELORUS_QTMAIN_X 0
#endif

namespace pelorus::testing {

int& requestedScaleFactor() {
    static int factor = 0;
    return factor;
}

}  // namespace pelorus::testing

namespace {

/// What a desktop session may set that changes how Qt looks or behaves.
void pinTheSession() {
    for (const char* name : {"QT_QPA_PLATFORMTHEME", "QT_STYLE_OVERRIDE", "QT_SCALE_FACTOR",
                             "QT_SCREEN_SCALE_FACTORS", "QT_AUTO_SCREEN_SCALE_FACTOR",
                             "QT_ENABLE_HIGHDPI_SCALING", "QT_FONT_DPI", "QT_QPA_GENERIC_PLUGINS",
                             "QT_IM_MODULE", "WAYLAND_DISPLAY", "SWAYSOCK", "XDG_SESSION_TYPE"}) {
        qunsetenv(name);
    }
    if (const int factor = pelorus::testing::requestedScaleFactor(); factor > 0)
        qputenv("QT_SCALE_FACTOR", QByteArray::number(factor));
    // QApplication takes the locale from the environment.
    qputenv("LC_ALL", "C.UTF-8");
}

}  // namespace

int main(int argc, char** argv) {
    pinTheSession();
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            listing = true;
    }
    std::unique_ptr<pelorus::testing::XServer> server;
    if (PELORUS_QTMAIN_X != 0 && !listing) {
        using pelorus::testing::WindowManager;
        constexpr WindowManager kManagers[] = {WindowManager::None,    WindowManager::None,
                                               WindowManager::Openbox, WindowManager::Icewm,
                                               WindowManager::Fluxbox, WindowManager::None};
        server = pelorus::testing::XServer::start(kManagers[PELORUS_QTMAIN_X]);
        if (!server) {
            fprintf(stderr, "could not start the test's X server\n");
            return 1;
        }
        qputenv("DISPLAY", server->display().c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    std::unique_ptr<pelorus::testing::AccessibilityBus> accessibility;
    if (PELORUS_QTMAIN_X == 5 && server) {
        accessibility = pelorus::testing::AccessibilityBus::start(server->display());
        if (!accessibility) {
            fprintf(stderr, "could not start the test's accessibility bus\n");
            return 1;
        }
        qputenv("DBUS_SESSION_BUS_ADDRESS", accessibility->sessionAddress().c_str());
        // Either would take Qt elsewhere than the session's launcher (a bus named outright
        // is never joined by Qt 6.4's bridge at all).
        qunsetenv("AT_SPI_BUS_ADDRESS");
        qunsetenv("QT_LINUX_ACCESSIBILITY_ALWAYS_ON");
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    accessibility.reset();
    server.reset();
    return result;
}
