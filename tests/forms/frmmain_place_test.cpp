// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// Under a window manager (one executable per manager): the main window is hidden and
// shown again around every window command and comes back where it was, active; and it is
// active again when the about box closes.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QPushButton>
#include <QRect>
#include <cstdlib>
#include <cstring>

#include "about/aboutbox.h"
#include "tests/forms/formtesting.h"

namespace pelorus::testing {
namespace {

/// The test's own connection, to read and move the main window as the server sees it.
class XView {
public:
    XView() : m_x(xcb_connect(std::getenv("DISPLAY"), nullptr)) {
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_x)).data->root;
    }
    ~XView() { xcb_disconnect(m_x); }
    XView(const XView&) = delete;
    XView& operator=(const XView&) = delete;

    /// The window's client area on the root.
    QRect place(WId window) const {
        const auto id = static_cast<xcb_window_t>(window);
        auto* moved = xcb_translate_coordinates_reply(
            m_x, xcb_translate_coordinates(m_x, id, m_root, 0, 0), nullptr);
        auto* geometry = xcb_get_geometry_reply(m_x, xcb_get_geometry(m_x, id), nullptr);
        QRect result;
        if (moved != nullptr && geometry != nullptr)
            result = QRect(moved->dst_x, moved->dst_y, geometry->width, geometry->height);
        std::free(moved);
        std::free(geometry);
        return result;
    }

    /// Moves the window as a user would, through the manager (static gravity: the client
    /// area goes to the point).
    void move(WId window, int x, int y) const {
        const char* name = "_NET_MOVERESIZE_WINDOW";
        auto* atom = xcb_intern_atom_reply(
            m_x, xcb_intern_atom(m_x, 0, static_cast<std::uint16_t>(std::strlen(name)), name),
            nullptr);
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = static_cast<xcb_window_t>(window);
        message.type = atom != nullptr ? atom->atom : xcb_atom_t{XCB_ATOM_NONE};
        message.data.data32[0] = XCB_GRAVITY_STATIC | (1U << 8) | (1U << 9) | (2U << 12);
        message.data.data32[1] = static_cast<std::uint32_t>(x);
        message.data.data32[2] = static_cast<std::uint32_t>(y);
        std::free(atom);
        xcb_send_event(m_x, 0, m_root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(m_x);
    }

private:
    xcb_connection_t* m_x;
    xcb_window_t m_root = 0;
};

#ifndef PELORUS_PLACE_SUITE
#define PELORUS_PLACE_SUITE FrmMainPlace
#endif

TEST(PELORUS_PLACE_SUITE, WindowCommandsLeaveTheMainWindowInItsPlaceAndActive) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    const XView x;
    // A place no manager would choose by itself.
    x.move(form->winId(), 333, 222);
    ASSERT_TRUE(waitUntil([&] { return x.place(form->winId()).topLeft() == QPoint(333, 222); }));
    QRect before;
    // The manager may still adjust the window after the move: wait for two equal reads.
    ASSERT_TRUE(waitUntil([&] {
        const QRect now = x.place(form->winId());
        const bool settled = now == before;
        before = now;
        QTest::qWait(200);
        return settled;
    }));
    form->eTaskList()->setFocus();

    for (const auto command : {platform::ButtonIndex::Hide, platform::ButtonIndex::ShowAll,
                               platform::ButtonIndex::HideAll}) {
        SCOPED_TRACE(static_cast<int>(command));
        form->eButton(command)->click();
        EXPECT_TRUE(waitUntil([&] {
            return form->isVisible() && x.place(form->winId()) == before && form->isActiveWindow();
        })) << x.place(form->winId()).x()
            << "," << x.place(form->winId()).y();
        EXPECT_EQ(QApplication::focusWidget(), form->eTaskList());
    }
}

// The manager gives the activation back to the owner of a closed transient box; the
// viewer relies on that (under weston's XWayland no X client can take it back).
TEST(PELORUS_PLACE_SUITE, TheMainWindowIsActiveAgainWithItsFocusWhenTheAboutBoxCloses) {
    FakePlatform platform;
    auto form = showLoadedForm(platform);
    form->eTaskList()->setFocus();
    ASSERT_TRUE(waitUntil([&] { return QApplication::focusWidget() == form->eTaskList(); }));
    form->eButton(platform::ButtonIndex::About)->click();
    QWidget* box = form->aboutBox()->window();
    ASSERT_NE(box, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowActive(box));
    box->findChild<QPushButton*>()->click();
    EXPECT_TRUE(waitUntil([&] {
        return form->aboutBox()->window() == nullptr && form->isEnabled() && form->isActiveWindow();
    }));
    EXPECT_EQ(QApplication::focusWidget(), form->eTaskList());
}

}  // namespace
}  // namespace pelorus::testing
