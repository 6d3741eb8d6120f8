// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The main window on a private X server without a window manager: real input through
// the X server and the close request that a window manager would send.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QPushButton>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "about/aboutbox.h"
#include "details/windowtree.h"
#include "platform/platform.h"
#include "tests/forms/formtesting.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {
namespace {

/// Sends WM_DELETE_WINDOW to `window`, as a window manager does for its close box.
/// Whether the window is viewable, read by a connection of the test's own.
bool viewable(platform::WindowHandle window) {
    xcb_connection_t* connection = xcb_connect(std::getenv("DISPLAY"), nullptr);
    auto* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool result = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_VIEWABLE;
    std::free(attributes);
    xcb_disconnect(connection);
    return result;
}

void requestClose(WId window) {
    xcb_connection_t* connection = xcb_connect(std::getenv("DISPLAY"), nullptr);
    ASSERT_EQ(xcb_connection_has_error(connection), 0);
    const auto atom = [&](const char* name) {
        xcb_intern_atom_reply_t* reply = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_atom_t result = reply != nullptr ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
        std::free(reply);
        return result;
    };
    xcb_client_message_event_t message{};
    message.response_type = XCB_CLIENT_MESSAGE;
    message.format = 32;
    message.window = static_cast<xcb_window_t>(window);
    message.type = atom("WM_PROTOCOLS");
    message.data.data32[0] = atom("WM_DELETE_WINDOW");
    message.data.data32[1] = XCB_CURRENT_TIME;
    xcb_send_event(connection, 0, static_cast<xcb_window_t>(window), XCB_EVENT_MASK_NO_EVENT,
                   reinterpret_cast<const char*>(&message));
    std::free(xcb_get_input_focus_reply(connection, xcb_get_input_focus(connection), nullptr));
    xcb_disconnect(connection);
}

/// Moves the pointer to the middle of `widget` and clicks there, through the X server.
bool realClick(QWidget* widget) {
    const QPoint centre = widget->mapToGlobal(widget->rect().center());
    ChildProcess xdotool =
        ChildProcess::start({"xdotool", "mousemove", "--sync", std::to_string(centre.x()),
                             std::to_string(centre.y()), "click", "1"});
    return xdotool.pid() > 0 && xdotool.waitForEnd(10000);
}

QWidget* aboutWindow(const app::frmMain& form) {
    return form.aboutBox() != nullptr ? form.aboutBox()->window() : nullptr;
}

TEST(FrmMainX11, TheCloseBoxOfTheMainWindowIsRefusedWhileTheAboutBoxIsOpen) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    form->eButton(2)->click();
    QWidget* box = aboutWindow(*form);
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(box));

    requestClose(form->winId());
    // The request has reached the program once the box has been closed after it and a
    // second request closes the main window; until then both stay.
    QTest::qWait(200);
    EXPECT_TRUE(form->isVisible());
    EXPECT_TRUE(box->isVisible());
    EXPECT_FALSE(form->isEnabled());

    box->findChild<QPushButton*>()->click();
    ASSERT_TRUE(waitUntil([&] { return aboutWindow(*form) == nullptr; }));
    ASSERT_TRUE(form->isEnabled());
    requestClose(form->winId());
    EXPECT_TRUE(waitUntil([&] { return !form->isVisible(); }));
}

TEST(FrmMainX11, AboutTwiceWithRealInputReachesTheSecondBox) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(realClick(form->eButton(2)));
        ASSERT_TRUE(waitUntil([&] { return aboutWindow(*form) != nullptr; }));
        QWidget* box = aboutWindow(*form);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(box));
        EXPECT_FALSE(form->isEnabled());

        // The box takes the click: it is not disabled along with the main window.
        ASSERT_TRUE(realClick(box->findChild<QPushButton*>()));
        ASSERT_TRUE(waitUntil([&] { return aboutWindow(*form) == nullptr; }));
        EXPECT_TRUE(form->isEnabled());
    }
}

TEST(FrmMainX11, TheProgramEndsWhenItsMainWindowCloses) {
    ChildProcess program = ChildProcess::start({PELORUS_BINARY_DIR "/app/pelmarin"});
    ASSERT_GT(program.pid(), 0);
    const auto native = platform::makeNativePlatform();
    platform::WindowSystem& windows = native->windowSystem();
    platform::WindowHandle mainWindow = 0;
    // Its main window is the one shown top-level window of the program.
    ASSERT_TRUE(waitUntil(
        [&] {
            const platform::WindowHandle desktop = windows.desktop();
            const auto topLevels = windows.children(std::span(&desktop, 1)).at(0);
            const auto owners = windows.owners(topLevels);
            for (size_t i = 0; i < topLevels.size(); ++i) {
                if (owners[i] == program.pid() && viewable(topLevels[i])) {
                    mainWindow = topLevels[i];
                }
            }
            return mainWindow != 0;
        },
        20000));
    EXPECT_FALSE(program.reapIfEnded());
    requestClose(mainWindow);
    EXPECT_TRUE(program.waitForEnd(20000));
}

/// A test client on the test's server and the ids it published.
using Client = WindowClient;

Client startClient(const std::vector<std::string>& arguments) {
    return startWindowClient(PELORUS_X11_TESTCLIENT, arguments.front(),
                             {arguments.begin() + 1, arguments.end()});
}

// Another client hangs a chain of 30,000 windows nested one in the other under a
// program's window. Opening the program returns, and the tree shows the levels up to the
// bound and a note for the rest; the tree control lays out and draws it.
TEST(FrmMainX11, AChainOfAnotherClientsWindowsUnderTheOpenedOnesIsCutWithANote) {
    Client program = startClient({"toplevels", "1"});
    auto& ids = program.ids;
    ASSERT_TRUE(ids.contains("T1"));
    const Client chain = startClient({"chain", std::to_string(ids["T1"]), "30000"});
    ASSERT_TRUE(chain.ids.contains("C30000"));
    const auto native = platform::makeNativePlatform();
    auto form = showLoadedForm(*native);
    const auto& tables = form->taskTables();
    int row = -1;
    for (int slot = 0; slot < tables.TaskCount; ++slot) {
        if (tables.TaskPid[slot] == program.process.pid())
            row = slot;
    }
    ASSERT_GE(row, 0);
    QTreeWidgetItem* item = form->eTaskList()->topLevelItem(row);
    form->eTaskList()->setCurrentItem(item);
    item->setSelected(true);
    form->ShowTaskDetails();
    form->TFRM()->grab();
    QApplication::processEvents();

    QTreeWidget& tree = *form->TFRM();
    ASSERT_EQ(tree.topLevelItemCount(), 1);
    QTreeWidgetItem* root = tree.topLevelItem(0);
    ASSERT_EQ(root->childCount(), 2);
    EXPECT_EQ(root->child(1)->text(0).toStdString(),
              "(windows more than 64 levels deep are not shown)");
    int levels = 0;
    for (QTreeWidgetItem* level = root->child(0); level != nullptr;
         level = level->childCount() > 0 ? level->child(0) : nullptr) {
        ++levels;
        EXPECT_TRUE(level->isExpanded() || level->childCount() == 0) << levels;
    }
    EXPECT_EQ(levels, details::kMaxWindowDepth);
    EXPECT_EQ(root->child(0)->text(0).toStdString(),
              "T1 (Test)   (" + std::to_string(ids["T1"]) + ")");
}

}  // namespace
}  // namespace pelorus::testing
