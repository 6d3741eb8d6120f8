// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include "details/windowcommands.h"
#include "details/windowtree.h"
#include "platform/text/hex.h"
#include "platform/win32/toolhelpsource.h"
#include "platform/win32/user32windowsystem.h"
#include "resources/formatting.h"
#include "tests/fakes/fakelists.h"
#include "tests/win32/win32testing.h"

namespace pelorus::testing::win32 {
namespace {

using platform::WindowHandle;
using platform::win32::User32WindowSystem;

std::string keyOf(const TestWindow& window) {
    return "S" + text::keyHex(window.handle());
}

// windows.h names the show states as macros: SW_HIDE and SW_SHOW are those here.

// Top-level windows A (topmost) and B; A holds A1 and A2 (in z-order), A1 holds A1a.
// All hidden: hiding a visible top-level without a window manager takes Wine seconds.
class Win32Windows : public ::testing::Test {
protected:
    Win32Windows() {
        const UINT flags = SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE;
        SetWindowPos(m_a.hwnd(), HWND_TOP, 0, 0, 0, 0, flags);
        SetWindowPos(m_a1.hwnd(), HWND_TOP, 0, 0, 0, 0, flags);
        SetWindowPos(m_a2.hwnd(), m_a1.hwnd(), 0, 0, 0, 0, flags);
    }

    static platform::Pid ownPid() { return static_cast<platform::Pid>(GetCurrentProcessId()); }
    /// The check a command makes of one of the test's windows.
    platform::WindowCheck checkOf(const TestWindow& window) {
        return {window.handle(), ownPid(), m_process.get()};
    }

    platform::win32::ToolHelpSource m_processes;
    std::unique_ptr<platform::OpenedProcess> m_process =
        m_processes.open(ownPid(), m_processes.startTime(ownPid()).value_or(0));
    User32WindowSystem m_windows;
    TestWindow m_b{"B", WS_OVERLAPPEDWINDOW};
    TestWindow m_a{"A", WS_OVERLAPPEDWINDOW};
    TestWindow m_a2{"", WS_CHILD | WS_VISIBLE, m_a.hwnd()};
    TestWindow m_a1{"A1", WS_CHILD | WS_VISIBLE, m_a.hwnd()};
    TestWindow m_a1a{"A1a", WS_CHILD | WS_VISIBLE, m_a1.hwnd()};
};

TEST_F(Win32Windows, TreeIsBreadthFirstInZOrderWithKeysAndCaptions) {
    FakeWindowTree tree;
    details::buildWindowTree(m_windows, tree, ownPid(), "tests.exe");
    // The system may give the process windows of its own (an input-method window): only
    // the test's windows are compared, in the order the tree holds them.
    const std::vector<std::string> ours{keyOf(m_a), keyOf(m_b), keyOf(m_a1), keyOf(m_a2),
                                        keyOf(m_a1a)};
    std::vector<std::string> keys;
    for (const auto& key : tree.keys()) {
        if (std::find(ours.begin(), ours.end(), key) != ours.end())
            keys.push_back(key);
    }
    EXPECT_EQ(tree.nodes[0].key, "M" + text::keyHex(static_cast<std::uint32_t>(ownPid())));
    EXPECT_EQ(keys, ours);
    const auto node = [&](const TestWindow& window) {
        return tree.nodes[tree.find(keyOf(window)) - 1];
    };
    EXPECT_EQ(node(m_a1).parentKey, keyOf(m_a));
    EXPECT_EQ(node(m_a1a).parentKey, keyOf(m_a1));
    EXPECT_EQ(node(m_a).text, "A (PelorusTestWindow)   (" +
                                  std::to_string(static_cast<std::int32_t>(m_a.handle())) + ")");
    EXPECT_EQ(node(m_a2).text.substr(0, 23), "(PelorusTestWindow)   (");
}

TEST_F(Win32Windows, DesktopChildrenAreTopLevelsWithTheirOwners) {
    const WindowHandle desktop = m_windows.desktop();
    ASSERT_NE(desktop, 0u);
    const auto topLevels = m_windows.children(std::span(&desktop, 1)).front();
    const auto a = std::find(topLevels.begin(), topLevels.end(), m_a.handle());
    const auto b = std::find(topLevels.begin(), topLevels.end(), m_b.handle());
    ASSERT_NE(a, topLevels.end());
    ASSERT_NE(b, topLevels.end());
    EXPECT_LT(a, b);
    EXPECT_EQ(std::find(topLevels.begin(), topLevels.end(), m_a1.handle()), topLevels.end());

    const std::vector<WindowHandle> asked{m_a.handle(), m_a1.handle()};
    EXPECT_EQ(m_windows.owners(asked), (std::vector<platform::Pid>{ownPid(), ownPid()}));
}

TEST_F(Win32Windows, AGoneWindowAnswersEmptyAndHidden) {
    WindowHandle gone = 0;
    {
        TestWindow temporary{"gone", WS_OVERLAPPEDWINDOW};
        gone = temporary.handle();
    }
    const std::vector<WindowHandle> asked{gone};
    EXPECT_EQ(m_windows.owners(asked).front(), 0);
    EXPECT_EQ(m_windows.texts(asked).front().title, "");
    EXPECT_EQ(m_windows.texts(asked).front().className, "");
    EXPECT_TRUE(m_windows.children(asked).front().empty());
    const platform::WindowCheck check{gone, ownPid(), m_process.get()};
    EXPECT_FALSE(m_windows.show(gone, check));
    EXPECT_FALSE(m_windows.hide(gone, check));
    EXPECT_FALSE(m_windows.raise(gone, check));
}

TEST_F(Win32Windows, TitleIsCutAt254Characters) {
    const std::string title(300, 'x');
    SetWindowTextA(m_b.hwnd(), title.c_str());
    const std::vector<WindowHandle> asked{m_b.handle()};
    EXPECT_EQ(m_windows.texts(asked).front().title, std::string(254, 'x'));
}

TEST_F(Win32Windows, ShowRestoresAMinimisedWindowAndRaisesIt) {
    ShowWindow(m_b.hwnd(), SW_SHOWMINNOACTIVE);
    ASSERT_TRUE(IsIconic(m_b.hwnd()));
    EXPECT_TRUE(m_windows.show(m_b.handle(), checkOf(m_b)));
    EXPECT_TRUE(IsWindowVisible(m_b.hwnd()));
    EXPECT_FALSE(IsIconic(m_b.hwnd()));
    const WindowHandle desktop = m_windows.desktop();
    const auto topLevels = m_windows.children(std::span(&desktop, 1)).front();
    const auto a = std::find(topLevels.begin(), topLevels.end(), m_a.handle());
    const auto b = std::find(topLevels.begin(), topLevels.end(), m_b.handle());
    EXPECT_LT(b, a) << "raised above A";
}

TEST_F(Win32Windows, ShowKeepsAMaximisedWindowMaximised) {
    ShowWindow(m_b.hwnd(), SW_MAXIMIZE);
    EXPECT_TRUE(m_windows.show(m_b.handle(), checkOf(m_b)));
    EXPECT_TRUE(IsZoomed(m_b.hwnd()));
    EXPECT_TRUE(IsWindowVisible(m_b.hwnd()));
}

TEST_F(Win32Windows, HideThenShowAChildWindowKeepsItsPosition) {
    RECT before{};
    GetWindowRect(m_a1.hwnd(), &before);
    EXPECT_TRUE(m_windows.hide(m_a1.handle(), checkOf(m_a1)));
    EXPECT_FALSE(GetWindowLongA(m_a1.hwnd(), GWL_STYLE) & WS_VISIBLE);
    EXPECT_TRUE(m_windows.show(m_a1.handle(), checkOf(m_a1)));
    EXPECT_TRUE(GetWindowLongA(m_a1.hwnd(), GWL_STYLE) & WS_VISIBLE);
    RECT after{};
    GetWindowRect(m_a1.hwnd(), &after);
    EXPECT_TRUE(EqualRect(&before, &after));
    EXPECT_EQ(GetWindow(m_a.hwnd(), GW_CHILD), m_a1.hwnd()) << "raised among its siblings";
}

TEST_F(Win32Windows, HideAllAndShowAllActOnEveryWindowNode) {
    FakeWindowTree tree;
    FakeForm frmMain;
    platform::win32::ToolHelpSource& processes = m_processes;
    details::OpenedWindows opened =
        details::buildWindowTree(m_windows, tree, ownPid(), "tests.exe");
    opened.startTime = processes.startTime(ownPid()).value_or(0);
    ShowWindow(m_b.hwnd(), SW_SHOWNOACTIVATE);
    details::runWindowCommand(platform::ButtonIndex::HideAll, tree, m_windows, frmMain, processes,
                              opened);
    for (const HWND window : {m_a.hwnd(), m_b.hwnd(), m_a1.hwnd(), m_a2.hwnd(), m_a1a.hwnd()})
        EXPECT_FALSE(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
    details::runWindowCommand(platform::ButtonIndex::ShowAll, tree, m_windows, frmMain, processes,
                              opened);
    for (const HWND window : {m_a.hwnd(), m_b.hwnd(), m_a1.hwnd(), m_a2.hwnd(), m_a1a.hwnd()})
        EXPECT_TRUE(GetWindowLongA(window, GWL_STYLE) & WS_VISIBLE);
    // Shown from the last node up: node 2 (A) is raised last and ends above B.
    const WindowHandle desktop = m_windows.desktop();
    const auto topLevels = m_windows.children(std::span(&desktop, 1)).front();
    EXPECT_LT(std::find(topLevels.begin(), topLevels.end(), m_a.handle()),
              std::find(topLevels.begin(), topLevels.end(), m_b.handle()));
    EXPECT_EQ(frmMain.calls, (std::vector<std::string>{"hide", "show", "hide", "show"}));
}

/// Show, Hide and a raise of the window of a check, as the commands do them.
DWORD WINAPI showHideAndRaise(void* check) {
    User32WindowSystem windows;
    const auto& checked = *static_cast<const platform::WindowCheck*>(check);
    windows.show(checked.window, checked);
    windows.hide(checked.window, checked);
    windows.raise(checked.window, checked);
    return 0;
}

TEST(Win32HungProgram, ShowHideAndRaiseOfItsWindowDoNotWaitForIt) {
    ChildProcess child(0, "hang");
    ASSERT_TRUE(child.started());
    const HWND window = FindWindowA("PelorusChild", "pelorus child");
    ASSERT_NE(window, nullptr);
    platform::win32::ToolHelpSource processes;
    const auto opened = processes.open(child.pid(), processes.startTime(child.pid()).value_or(0));
    ASSERT_NE(opened, nullptr);
    platform::WindowCheck check{platform::win32::toWindowHandle(window), child.pid(), opened.get()};
    // On a thread of its own, so that a call that waits for the child fails the test
    // instead of holding the suite.
    const HANDLE thread = CreateThread(nullptr, 0, showHideAndRaise, &check, 0, nullptr);
    ASSERT_NE(thread, nullptr);
    const bool returned = WaitForSingleObject(thread, 60000) == WAIT_OBJECT_0;
    EXPECT_TRUE(returned) << "a command waited for the hung program";
    if (!returned) {
        TerminateProcess(child.handle(), 1);  // lets the waiting call return
        WaitForSingleObject(thread, INFINITE);
    }
    CloseHandle(thread);
}

}  // namespace
}  // namespace pelorus::testing::win32
