// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
//
// The about box on a private Xvfb without a window manager: real pointer and keyboard
// input through the X server (xdotool), and the window as the X server sees it.
#include <gtest/gtest.h>
#include <xcb/xcb.h>

#include <QApplication>
#include <QPointer>
#include <QTest>
#include <QWindow>
#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "about/aboutbox.h"
#include "about/infoform.h"
#include "tests/fakes/fakelists.h"
#include "tests/support/xserver.h"

namespace pelorus::about {
namespace {

using Calls = std::vector<std::string>;

bool WaitFor(const std::function<bool()>& done) {
    return QTest::qWaitFor(done, 10000);
}

/// Runs xdotool against the test's X server and waits for it; true when it succeeded.
bool XdoTool(const std::vector<std::string>& arguments) {
    std::vector<std::string> argv{"xdotool"};
    argv.insert(argv.end(), arguments.begin(), arguments.end());
    testing::ChildProcess tool = testing::ChildProcess::start(argv);
    if (tool.pid() <= 0)
        return false;
    // Events keep flowing while the tool waits for the server.
    if (!WaitFor([&] { return tool.reapIfEnded(); }))
        return false;
    return true;
}

/// A connection of the test's own to the X server, to read what the box told it.
class XConnection {
public:
    XConnection() : m_connection(xcb_connect(qgetenv("DISPLAY").constData(), nullptr)) {}
    ~XConnection() { xcb_disconnect(m_connection); }
    XConnection(const XConnection&) = delete;
    XConnection& operator=(const XConnection&) = delete;

    bool ok() const { return xcb_connection_has_error(m_connection) == 0; }

    xcb_atom_t atom(const char* name) {
        auto cookie =
            xcb_intern_atom(m_connection, 0, static_cast<uint16_t>(std::strlen(name)), name);
        std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
            xcb_intern_atom_reply(m_connection, cookie, nullptr), &free);
        return reply ? reply->atom : xcb_atom_t{XCB_ATOM_NONE};
    }

    /// The 32-bit items of a property; empty when the window has none.
    std::vector<uint32_t> property(xcb_window_t window, const char* name) {
        auto cookie = xcb_get_property(m_connection, 0, window, atom(name),
                                       XCB_GET_PROPERTY_TYPE_ANY, 0, 1024);
        std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
            xcb_get_property_reply(m_connection, cookie, nullptr), &free);
        std::vector<uint32_t> items;
        if (!reply || reply->format != 32)
            return items;
        const auto* data = static_cast<const uint32_t*>(xcb_get_property_value(reply.get()));
        items.assign(data, data + xcb_get_property_value_length(reply.get()) / 4);
        return items;
    }

    /// What a window manager sends when the user presses the close box or Alt+F4.
    void requestClose(xcb_window_t window) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom("WM_PROTOCOLS");
        message.data.data32[0] = atom("WM_DELETE_WINDOW");
        message.data.data32[1] = XCB_CURRENT_TIME;
        xcb_send_event(m_connection, 0, window, XCB_EVENT_MASK_NO_EVENT,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(m_connection);
    }

    xcb_window_t inputFocus() {
        std::unique_ptr<xcb_get_input_focus_reply_t, decltype(&free)> reply(
            xcb_get_input_focus_reply(m_connection, xcb_get_input_focus(m_connection), nullptr),
            &free);
        return reply ? reply->focus : xcb_window_t{XCB_WINDOW_NONE};
    }

private:
    xcb_connection_t* m_connection;
};

class AboutBoxOnX : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(x.ok());
        owner.setWindowTitle(QStringLiteral("owner"));
        owner.setGeometry(40, 40, 500, 400);
        owner.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&owner));
    }

    /// Opens the box as the About command does, then gives it the input focus as a window
    /// manager would (without one, nothing does), and waits until it takes input.
    QPointer<InfoForm> open() {
        frmMain.setEnabled(false);
        owner.setEnabled(false);
        frmMain.calls.clear();
        box->setVisible(true);
        QPointer<InfoForm> form = qobject_cast<InfoForm*>(box->window());
        if (form) {
            EXPECT_TRUE(QTest::qWaitForWindowExposed(form));
            EXPECT_TRUE(XdoTool({"windowfocus", "--sync", std::to_string(form->winId())}));
            EXPECT_TRUE(WaitFor([&] { return QApplication::activeWindow() == form; }));
        }
        return form;
    }

    bool clickButton(InfoForm* form) {
        const QPoint centre = form->eButton()->mapToGlobal(form->eButton()->rect().center());
        // No --sync: it waits for a motion, which never comes when the pointer is there already.
        return XdoTool(
            {"mousemove", std::to_string(centre.x()), std::to_string(centre.y()), "click", "1"});
    }

    XConnection x;
    testing::FakeForm frmMain;
    QWidget owner;
    std::unique_ptr<FORM_Info> box = std::make_unique<FORM_Info>(frmMain, &owner);
};

TEST_F(AboutBoxOnX, RealClicksCloseTheFirstAndTheSecondBox) {
    for (int opening = 1; opening <= 2; ++opening) {
        SCOPED_TRACE(opening);
        QPointer<InfoForm> form = open();
        ASSERT_TRUE(form);
        ASSERT_TRUE(clickButton(form));
        EXPECT_TRUE(WaitFor([&] { return form.isNull(); })) << "the click did not close the box";
        EXPECT_EQ(frmMain.calls, Calls{"enable"});
    }
}

class RealKey : public AboutBoxOnX, public ::testing::WithParamInterface<const char*> {};

TEST_P(RealKey, ClosesTheBox) {
    QPointer<InfoForm> form = open();
    ASSERT_TRUE(form);
    ASSERT_TRUE(XdoTool({"key", "--clearmodifiers", GetParam()}));
    EXPECT_TRUE(WaitFor([&] { return form.isNull(); })) << GetParam() << " did not close the box";
    EXPECT_EQ(frmMain.calls, Calls{"enable"});
}

INSTANTIATE_TEST_SUITE_P(AboutBoxOnX, RealKey,
                         ::testing::Values("Return", "KP_Enter", "Escape", "space", "alt+c"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             std::string name;
                             for (const char* c = info.param; *c != '\0'; ++c) {
                                 if (std::isalnum(static_cast<unsigned char>(*c)))
                                     name += *c;
                             }
                             return name;
                         });

TEST_F(AboutBoxOnX, TheCloseRequestOfAWindowManagerUnloadsItOnce) {
    QPointer<InfoForm> form = open();
    ASSERT_TRUE(form);
    const auto window = static_cast<xcb_window_t>(form->winId());
    x.requestClose(window);
    x.requestClose(window);
    EXPECT_TRUE(WaitFor([&] { return form.isNull(); }));
    QTest::qWait(50);
    EXPECT_EQ(frmMain.calls, Calls{"enable"});
    EXPECT_EQ(box->window(), nullptr);
}

TEST_F(AboutBoxOnX, TellsTheServerItIsAFixedDialogAboveTheOwnerWithoutIcon) {
    QPointer<InfoForm> form = open();
    ASSERT_TRUE(form);
    const auto window = static_cast<xcb_window_t>(form->winId());

    EXPECT_EQ(x.property(window, "WM_TRANSIENT_FOR"),
              std::vector<uint32_t>{static_cast<uint32_t>(owner.winId())});
    const std::vector<uint32_t> types = x.property(window, "_NET_WM_WINDOW_TYPE");
    ASSERT_FALSE(types.empty());
    EXPECT_EQ(types.front(), x.atom("_NET_WM_WINDOW_TYPE_DIALOG"));
    EXPECT_TRUE(x.property(window, "_NET_WM_ICON").empty());

    // WM_NORMAL_HINTS: flags, x, y, width, height, min w/h (5, 6), max w/h (7, 8).
    const std::vector<uint32_t> hints = x.property(window, "WM_NORMAL_HINTS");
    ASSERT_GE(hints.size(), 9u);
    EXPECT_EQ(hints[5], 334u);
    EXPECT_EQ(hints[6], 160u);
    EXPECT_EQ(hints[7], 334u);
    EXPECT_EQ(hints[8], 160u);

    // _MOTIF_WM_HINTS: flags, functions, decorations. Functions and decorations in use
    // must not offer minimising or maximising.
    const std::vector<uint32_t> motif = x.property(window, "_MOTIF_WM_HINTS");
    ASSERT_GE(motif.size(), 3u);
    constexpr uint32_t kFunctions = 1u << 0, kDecorations = 1u << 1;
    constexpr uint32_t kAll = 1u << 0;
    if (motif[0] & kFunctions) {
        EXPECT_EQ(motif[1] & kAll, 0u);
        EXPECT_EQ(motif[1] & ((1u << 3) | (1u << 4)), 0u);  // minimise, maximise
        EXPECT_NE(motif[1] & (1u << 5), 0u);                // close
    }
    ASSERT_NE(motif[0] & kDecorations, 0u);
    EXPECT_EQ(motif[2] & kAll, 0u);
    EXPECT_EQ(motif[2] & ((1u << 5) | (1u << 6)), 0u);  // minimise, maximise buttons
    EXPECT_NE(motif[2] & (1u << 3), 0u);                // title bar
}

TEST_F(AboutBoxOnX, ClosingLeavesTheOwnerWithoutTheInputFocus) {
    QPointer<InfoForm> form = open();
    ASSERT_TRUE(form);
    // As the real main form would be once its input is back: able to take the focus.
    owner.setEnabled(true);
    ASSERT_TRUE(clickButton(form));
    ASSERT_TRUE(WaitFor([&] { return form.isNull(); }));
    QTest::qWait(100);
    EXPECT_NE(x.inputFocus(), static_cast<xcb_window_t>(owner.winId()));
    EXPECT_FALSE(owner.isActiveWindow());
    EXPECT_EQ(frmMain.calls, Calls{"enable"});
}

}  // namespace
}  // namespace pelorus::about
