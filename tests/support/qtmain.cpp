// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// GoogleTest main for tests that need a QApplication. Built three ways:
// PELORUS_QTMAIN_X == 0: Qt's offscreen platform (unless QT_QPA_PLATFORM says otherwise);
// 1: a private Xvfb started here; 2, 3, 4: a private Xvfb with openbox, icewm, fluxbox. Listing the
// tests (as CTest does at build time) never starts a server.
#include <gtest/gtest.h>

#include <QApplication>
#include <cstring>
#include <memory>

#include "tests/support/xserver.h"

#ifndef PELORUS_QTMAIN_X
#define PELORUS_QTMAIN_X 0
#endif

int main(int argc, char** argv) {
    bool listing = false;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--gtest_list_tests") == 0)
            listing = true;
    }
    std::unique_ptr<pelorus::testing::XServer> server;
    if (PELORUS_QTMAIN_X != 0 && !listing) {
        using pelorus::testing::WindowManager;
        constexpr WindowManager kManagers[] = {WindowManager::None, WindowManager::None,
                                               WindowManager::Openbox, WindowManager::Icewm,
                                               WindowManager::Fluxbox};
        server = pelorus::testing::XServer::start(kManagers[PELORUS_QTMAIN_X]);
        if (!server) {
            fprintf(stderr, "could not start the test's X server\n");
            return 1;
        }
        qputenv("DISPLAY", server->display().c_str());
        qputenv("QT_QPA_PLATFORM", "xcb");
    } else if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    int result = 0;
    {
        QApplication application(argc, argv);
        ::testing::InitGoogleTest(&argc, argv);
        result = RUN_ALL_TESTS();
    }
    server.reset();
    return result;
}
