// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The window commands under a window manager: the main window is hidden for each
// command and comes back active, with the keyboard focus where it was.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QEvent>
#include <QPushButton>
#include <QTreeWidget>
#include <cstdlib>
#include <cstring>

#include "platform/text/hex.h"
#include "resources/formatting.h"
#include "tests/forms/formtesting.h"
#include "tests/support/xserver.h"

namespace pelorus::testing {
namespace {

/// Counts the main window's hide and show events.
class VisibilityLog final : public QObject {
public:
    bool eventFilter(QObject*, QEvent* event) override {
        if (event->type() == QEvent::Hide)
            ++hides;
        if (event->type() == QEvent::Show)
            ++shows;
        return false;
    }
    int hides = 0;
    int shows = 0;
};

/// The window that the window manager holds active (_NET_ACTIVE_WINDOW of the root).
xcb_window_t activeWindow() {
    xcb_connection_t* connection = xcb_connect(std::getenv("DISPLAY"), nullptr);
    xcb_window_t result = XCB_WINDOW_NONE;
    if (xcb_connection_has_error(connection) == 0) {
        const char* name = "_NET_ACTIVE_WINDOW";
        xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
            connection,
            xcb_intern_atom(connection, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
        if (atom != nullptr) {
            xcb_get_property_reply_t* reply = xcb_get_property_reply(
                connection,
                xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr);
            if (reply != nullptr && xcb_get_property_value_length(reply) == 4) {
                std::memcpy(&result, xcb_get_property_value(reply), 4);
            }
            std::free(reply);
        }
        std::free(atom);
    }
    xcb_disconnect(connection);
    return result;
}

/// Whether the window is unmapped, read by a connection of the test's own.
bool unmapped(xcb_window_t window) {
    xcb_connection_t* connection = xcb_connect(std::getenv("DISPLAY"), nullptr);
    auto* attributes = xcb_get_window_attributes_reply(
        connection, xcb_get_window_attributes(connection, window), nullptr);
    const bool result = attributes != nullptr && attributes->map_state == XCB_MAP_STATE_UNMAPPED;
    std::free(attributes);
    xcb_disconnect(connection);
    return result;
}

TEST(FrmMainWindowManager, WindowCommandsLeaveTheMainWindowActiveWithItsFocus) {
    ChildProcess client = ChildProcess::start({"xlogo"});
    ASSERT_GT(client.pid(), 0);
    const auto native = platform::makeNativePlatform();
    auto form = showLoadedForm(*native);
    QTreeWidget* list = form->eTaskList();
    QTreeWidget* tree = form->TFRM();

    // Open the client once its window is up and managed.
    const bool opened = waitUntil(
        [&] {
            form->eButton(1)->click();
            const int row = rowOf(*list, text::HexHandle(client.pid()));
            if (row < 0)
                return false;
            list->setCurrentItem(list->topLevelItem(row));
            form->ShowTaskDetails();
            return tree->topLevelItemCount() == 1 && tree->topLevelItem(0)->childCount() >= 1;
        },
        15000);
    ASSERT_TRUE(opened);
    QTreeWidgetItem* node = tree->topLevelItem(0)->child(0);
    tree->setCurrentItem(node);
    tree->setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == tree; }));
    // The node's key is not shown; the window's handle ends its text in parentheses.
    const auto handle = [&] {
        const QString text = node->text(0);
        const qsizetype open = text.lastIndexOf('(');
        return static_cast<xcb_window_t>(text.mid(open + 1).chopped(1).toULong());
    }();
    ASSERT_NE(handle, 0U);

    VisibilityLog log;
    form->installEventFilter(&log);
    const struct {
        const char* name;
        Qt::Key key;
        bool hidden;
    } commands[] = {{"Hide all", Qt::Key_I, true}, {"Show", Qt::Key_S, false}};
    for (const auto& command : commands) {
        SCOPED_TRACE(command.name);
        const int hidesBefore = log.hides;
        QTest::keyClick(form->windowHandle(), command.key, Qt::AltModifier);
        ASSERT_TRUE(waitUntil([&] { return unmapped(handle) == command.hidden; }));
        EXPECT_EQ(log.hides, hidesBefore + 1);
        EXPECT_TRUE(form->isVisible());
        EXPECT_TRUE(waitUntil([&] { return form->isActiveWindow(); }));
        EXPECT_TRUE(waitUntil([&] { return activeWindow() == form->winId(); }));
        EXPECT_EQ(QApplication::focusWidget(), tree);
    }
    // The keyboard still reaches the window: Tab moves on from the tree.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), form->eButton(7));
    form->removeEventFilter(&log);
}

}  // namespace
}  // namespace pelorus::testing
