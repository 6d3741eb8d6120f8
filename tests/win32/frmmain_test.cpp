// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// Before windows.h, whose macros (SW_HIDE...) would clash with the seam's names.
#include "tests/forms/frontendsuite.h"

#include "about/win32/infoform.h"
#include "app/win32/frmmain.h"
#include "platform/text/hex.h"
#include "platform/text/wide.h"
#include "resources/formatting.h"
#include "resources/strings.h"
#include "resources/win32/formmetrics.h"
#include "tests/win32/win32testing.h"

// DLLVERSIONINFO, after windows.h.
#include <shlwapi.h>

// windows.h names its own LoadString as a macro; the program's string table is meant here.
#undef LoadString

namespace pelorus::testing::win32 {
namespace {

using platform::ButtonIndex;
using text::wideToUtf8;

std::string textOf(HWND window) {
    wchar_t buffer[512] = {};
    GetWindowTextW(window, buffer, 512);
    return wideToUtf8(buffer);
}

std::string columnText(HWND list, int column) {
    wchar_t buffer[256] = {};
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.pszText = buffer;
    header.cchTextMax = 256;
    SendMessageW(list, LVM_GETCOLUMNW, static_cast<WPARAM>(column - 1),
                 reinterpret_cast<LPARAM>(&header));
    return wideToUtf8(buffer);
}

// Drives the main window by messages, as the user's clicks and keys reach it.
class Win32FrmMain : public ::testing::Test {
protected:
    Win32FrmMain() {
        m_form = std::make_unique<app::win32::frmMain>(*m_platform);
        m_form->Form_Load();
        ShowWindow(m_form->hwnd(), SW_SHOW);
        m_form->processEvents();
    }
    ~Win32FrmMain() override {
        m_form.reset();
        // The quit request of a closed main window is this test's, not the next one's.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    void click(ButtonIndex index) {
        SendMessageW(m_form->eButton(static_cast<int>(index)), BM_CLICK, 0, 0);
    }
    /// Selects the task list's row of `pid` alone; its 1-based position, or 0.
    int selectRowOf(platform::Pid pid) {
        const auto& tables = m_form->taskTables();
        int row = 0;
        for (int i = 0; i < tables.TaskCount; ++i) {
            if (tables.TaskPid[static_cast<std::size_t>(i)] == pid)
                row = i + 1;
        }
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(m_form->eTaskList().hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(-1),
                     reinterpret_cast<LPARAM>(&state));
        if (row != 0) {
            state.state = LVIS_SELECTED | LVIS_FOCUSED;
            SendMessageW(m_form->eTaskList().hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row - 1),
                         reinterpret_cast<LPARAM>(&state));
        }
        return row;
    }

    std::unique_ptr<platform::Platform> m_platform = platform::makeNativePlatform();
    std::unique_ptr<app::win32::frmMain> m_form;
};

TEST_F(Win32FrmMain, LoadSetsTitleCaptionsHeadersImagesAndDesignGeometry) {
    EXPECT_EQ(textOf(m_form->hwnd()), "Pelorus Viewer 2.50 [beta 1]");
    const std::vector<std::string> captions{"&Kill", "&Refresh", "&About",    "&Quit",    "&Show",
                                            "&Hide", "&Refresh", "S&how all", "H&ide all"};
    for (int i = 0; i < platform::ButtonCount; ++i)
        EXPECT_EQ(textOf(m_form->eButton(i)), captions[static_cast<std::size_t>(i)]);
    EXPECT_FALSE(IsWindowEnabled(m_form->eButton(static_cast<int>(ButtonIndex::RefreshWindows))));
    EXPECT_EQ(textOf(m_form->eLabel(0)), "Tasks (currently running)");
    EXPECT_EQ(textOf(m_form->eLabel(1)), "Information");
    EXPECT_EQ(textOf(m_form->eLabel(2)), "Windows (& windowlike controls)");
    EXPECT_EQ(columnText(m_form->eTaskList().hwnd(), 1), "Task (filename)");
    EXPECT_EQ(columnText(m_form->eTaskList().hwnd(), 2), "ProcID");
    EXPECT_EQ(columnText(m_form->eTaskList().hwnd(), 3), "Location");
    EXPECT_EQ(columnText(m_form->TINF().hwnd(), 1), "Property");
    EXPECT_EQ(columnText(m_form->TINF().hwnd(), 2), "Filename / TdID");
    EXPECT_EQ(columnText(m_form->TINF().hwnd(), 3), "Location / Priority");
    EXPECT_EQ(ImageList_GetImageCount(m_form->eImgList()), 2);
    EXPECT_EQ(m_form->measures(), (app::LayoutMeasures{120, 120, 255, 375}));
    EXPECT_GT(m_form->eTaskList().rowCount(), 0);
    EXPECT_EQ(m_form->TINF().rowCount(), 0);
    EXPECT_EQ(m_form->TFRM().nodeCount(), 0);

    // Every control where the layout put it, edge by edge at the system's DPI.
    const int dpi = resources::win32::SystemDpi();
    const auto expectAt = [&](HWND control, const app::TwipRect& box) {
        RECT rect{};
        GetWindowRect(control, &rect);
        MapWindowPoints(nullptr, m_form->hwnd(), reinterpret_cast<POINT*>(&rect), 2);
        EXPECT_EQ(rect.left, resources::win32::TwipsToDevice(box.left, dpi));
        EXPECT_EQ(rect.right, resources::win32::TwipsToDevice(box.left + box.width, dpi));
        EXPECT_EQ(rect.bottom, resources::win32::TwipsToDevice(box.top + box.height, dpi));
    };
    const auto& boxes = m_form->controlGeometry();
    expectAt(m_form->eTaskList().hwnd(), boxes.eTaskList);
    expectAt(m_form->TFRM().hwnd(), boxes.TFRM);
    for (int i = 0; i < platform::ButtonCount; ++i)
        expectAt(m_form->eButton(i), boxes.eButton[static_cast<std::size_t>(i)]);
    if (dpi == 96) {
        RECT client{};
        GetClientRect(m_form->hwnd(), &client);
        EXPECT_EQ(client.right, 599);
        EXPECT_EQ(client.bottom, 423);
        EXPECT_EQ(boxes.eButton[4].left, 4552);
    }
}

TEST_F(Win32FrmMain, TabOrderRunsFromTheTaskListToHideAll) {
    const std::vector<HWND> expected{
        m_form->eButton(0),    m_form->eButton(1), m_form->eButton(2),        m_form->eButton(3),
        m_form->TFRM().hwnd(), m_form->eButton(7), m_form->eButton(5),        m_form->eButton(4),
        m_form->TINF().hwnd(), m_form->eButton(8), m_form->eTaskList().hwnd()};
    HWND at = m_form->eTaskList().hwnd();
    for (const HWND next : expected) {
        at = GetNextDlgTabItem(m_form->hwnd(), at, FALSE);
        EXPECT_EQ(at, next);
    }
}

TEST_F(Win32FrmMain, EnterOpensTheRowAndTheTreeShowsAndHidesItsWindow) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    click(ButtonIndex::Refresh);
    ASSERT_NE(selectRowOf(child.pid()), 0);
    SendMessageW(m_form->eTaskList().hwnd(), WM_KEYUP, VK_RETURN, 0);

    EXPECT_EQ(m_form->TINF().cell(1, 1), "Exefile");
    EXPECT_EQ(m_form->TINF().cell(1, 2), "childprogram.exe");
    EXPECT_EQ(m_form->TINF().cell(4, 1), "Thread:");
    const HWND childWindow = FindWindowA("PelorusChild", "pelorus child");
    ASSERT_NE(childWindow, nullptr);
    const auto& tree = m_form->TFRM();
    int node = 0;
    for (int i = 2; i <= tree.nodeCount(); ++i) {
        if (tree.key(i) ==
            "S" + text::keyHex(static_cast<std::uint32_t>(reinterpret_cast<UINT_PTR>(childWindow))))
            node = i;
    }
    ASSERT_NE(node, 0);
    SendMessageW(tree.hwnd(), TVM_SELECTITEM, TVGN_CARET,
                 reinterpret_cast<LPARAM>(tree.item(node)));

    // The child handles the request in its own time: the viewer does not wait for it.
    click(ButtonIndex::Show);
    EXPECT_TRUE(WaitFor([&] { return IsWindowVisible(childWindow) != FALSE; }));
    EXPECT_TRUE(IsWindowVisible(m_form->hwnd())) << "the main window is back";
    click(ButtonIndex::Hide);
    EXPECT_TRUE(WaitFor([&] { return !IsWindowVisible(childWindow); }));
}

TEST_F(Win32FrmMain, AltEnterOpensTheRowLikeEnter) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    click(ButtonIndex::Refresh);
    ASSERT_NE(selectRowOf(child.pid()), 0);
    // With Alt held the release arrives as a system key: one stroke, Alt down (bit 29), a
    // key that was down (bit 30) and is going up (bit 31).
    const auto bits = static_cast<LONG>(1u | (1u << 29) | (1u << 30) | (1u << 31));
    MSG altEnter{m_form->eTaskList().hwnd(), WM_SYSKEYUP, VK_RETURN, bits, 0, {}};
    if (!m_form->handleDialogMessage(altEnter))
        DispatchMessageW(&altEnter);
    EXPECT_EQ(m_form->TINF().cell(1, 2), "childprogram.exe");
}

TEST_F(Win32FrmMain, BothListsOfferTheSameSelection) {
    const auto style = [](HWND list) { return GetWindowLongW(list, GWL_STYLE) & 0xFFFF; };
    EXPECT_EQ(style(m_form->TINF().hwnd()), style(m_form->eTaskList().hwnd()));
    EXPECT_FALSE(style(m_form->TINF().hwnd()) & LVS_SINGLESEL);
}

TEST_F(Win32FrmMain, TheKeyboardComesBackToTheControlThatHadItFromAnotherWindow) {
    // Tests that run beside this one may take the activation at any time: each check
    // brings the main window back first, as the user's click on it would.
    const auto activate = [&] {
        SetForegroundWindow(m_form->hwnd());
        return WaitFor([&] {
            m_form->processEvents();
            return GetActiveWindow() == m_form->hwnd();
        });
    };
    if (!activate())
        GTEST_SKIP() << "this desktop does not activate the main window";
    const HWND tree = m_form->TFRM().hwnd();

    // Another program's window (here one of the test's own) takes the keyboard, and the
    // main window gets it back where it was. After the about box and a window command:
    // the suite both front-ends share (frontendsuite.h).
    SetFocus(tree);
    TestWindow other{"other", WS_OVERLAPPEDWINDOW | WS_VISIBLE};
    SetForegroundWindow(other.hwnd());
    m_form->processEvents();
    EXPECT_NE(GetFocus(), tree);
    ASSERT_TRUE(activate());
    EXPECT_EQ(GetFocus(), tree);
}

TEST_F(Win32FrmMain, ReturnOnAFocusedButtonPressesIt) {
    // Return down, its character and up, as the message loop hands them on.
    const auto pressReturn = [&](HWND focus) {
        for (const UINT message : {WM_KEYDOWN, WM_CHAR, WM_KEYUP}) {
            MSG key{focus,
                    message,
                    message == WM_CHAR ? WPARAM{'\r'} : WPARAM{VK_RETURN},
                    message == WM_KEYUP ? static_cast<LONG>(0xC0000001u) : 1,
                    0,
                    {}};
            if (!m_form->handleDialogMessage(key)) {
                TranslateMessage(&key);
                DispatchMessageW(&key);
            }
        }
        m_form->processEvents();
    };
    ChildProcess child;
    ASSERT_TRUE(child.started());
    const HWND refresh = m_form->eButton(static_cast<int>(ButtonIndex::Refresh));
    SetFocus(refresh);
    pressReturn(refresh);
    EXPECT_NE(selectRowOf(child.pid()), 0) << "Refresh read the list again";

    const HWND about = m_form->eButton(static_cast<int>(ButtonIndex::About));
    SetFocus(about);
    pressReturn(about);
    ASSERT_NE(m_form->aboutBox(), nullptr);
    EXPECT_NE(m_form->aboutBox()->window(), nullptr) << "About opened the box";
    SendMessageW(m_form->aboutBox()->window(), WM_COMMAND, IDOK, 0);
}

TEST_F(Win32FrmMain, KillEndsTheSelectedProcessAndRefreshDropsItsRow) {
    ChildProcess child;
    ASSERT_TRUE(child.started());
    click(ButtonIndex::Refresh);
    const int rows = m_form->eTaskList().rowCount();
    ASSERT_NE(selectRowOf(child.pid()), 0);
    click(ButtonIndex::Kill);
    EXPECT_TRUE(child.ended(30000));
    EXPECT_EQ(m_form->eTaskList().rowCount(), rows) << "the row stays until Refresh";
    click(ButtonIndex::Refresh);
    EXPECT_EQ(selectRowOf(child.pid()), 0);
}

TEST_F(Win32FrmMain, AboutLocksTheMainWindowUntilTheBoxCloses) {
    for (const WPARAM closing : {WPARAM{IDCANCEL}, WPARAM{IDOK}}) {
        click(ButtonIndex::About);
        ASSERT_NE(m_form->aboutBox(), nullptr);
        const auto& box = *m_form->aboutBox();
        ASSERT_NE(box.window(), nullptr);
        EXPECT_FALSE(IsWindowEnabled(m_form->hwnd()));
        EXPECT_EQ(textOf(box.window()), "Info...");
        EXPECT_EQ(textOf(box.lLabel(0)), "Pelorus Viewer 2.50 [beta 1]");
        EXPECT_EQ(textOf(box.lLabel(4)),
                  "Free software under the MIT License:\rsee 'license.txt' for the full terms.");
        EXPECT_EQ(textOf(box.eButton()), "&Close");
        EXPECT_EQ(GetWindow(box.window(), GW_OWNER), m_form->hwnd()) << "no task-bar button";
        // Esc, then Enter: each closes the box and gives the main window its input back.
        SendMessageW(box.window(), WM_COMMAND, closing, 0);
        EXPECT_EQ(box.window(), nullptr);
        EXPECT_TRUE(IsWindowEnabled(m_form->hwnd()));
    }
    click(ButtonIndex::About);
    SendMessageW(m_form->aboutBox()->window(), WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindowEnabled(m_form->hwnd()));
}

TEST_F(Win32FrmMain, AccessKeysPressTheirButtonsThroughTheMessageLoop) {
    // Alt+A, as the message loop hands it on: the About button of the main window.
    MSG altA{m_form->eTaskList().hwnd(), WM_SYSCHAR, 'a', 1 << 29, 0, {}};
    EXPECT_TRUE(m_form->handleDialogMessage(altA));
    ASSERT_NE(m_form->aboutBox(), nullptr);
    const HWND box = m_form->aboutBox()->window();
    ASSERT_NE(box, nullptr);
    // Alt+C in the about box presses its Close button.
    MSG altC{m_form->aboutBox()->eButton(), WM_SYSCHAR, 'c', 1 << 29, 0, {}};
    EXPECT_TRUE(m_form->handleDialogMessage(altC));
    EXPECT_FALSE(IsWindow(box));
    EXPECT_TRUE(IsWindowEnabled(m_form->hwnd()));
}

TEST_F(Win32FrmMain, QuitDestroysTheMainWindowAndEndsTheLoop) {
    const HWND window = m_form->hwnd();
    click(ButtonIndex::Quit);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(m_form->hwnd(), nullptr);
    MSG message;
    EXPECT_TRUE(PeekMessageW(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

/// The suite both front-ends share, driven by messages as the user's clicks and keys reach
/// the window.
class Win32FrontEnd {
public:
    explicit Win32FrontEnd(FakePlatform& platform)
        : m_form(std::make_unique<app::win32::frmMain>(platform)) {
        m_form->Form_Load();
        ShowWindow(m_form->hwnd(), SW_SHOW);
        m_form->processEvents();
    }
    ~Win32FrontEnd() {
        m_form.reset();
        // The quit request of a closed main window is this test's, not the next one's.
        MSG message;
        while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    Win32FrontEnd(const Win32FrontEnd&) = delete;
    Win32FrontEnd& operator=(const Win32FrontEnd&) = delete;

    void click(ButtonIndex index) {
        SendMessageW(m_form->eButton(static_cast<int>(index)), BM_CLICK, 0, 0);
    }
    void selectTaskRow(int row) {
        LVITEMW state{};
        state.stateMask = LVIS_SELECTED | LVIS_FOCUSED;
        state.state = LVIS_SELECTED | LVIS_FOCUSED;
        SendMessageW(m_form->eTaskList().hwnd(), LVM_SETITEMSTATE, static_cast<WPARAM>(row - 1),
                     reinterpret_cast<LPARAM>(&state));
    }
    void releaseEnterInTaskList() {
        SendMessageW(m_form->eTaskList().hwnd(), WM_KEYUP, VK_RETURN, 0);
    }
    void requestClose() { SendMessageW(m_hwnd, WM_CLOSE, 0, 0); }
    void closeAboutBox() { SendMessageW(m_form->aboutBox()->window(), WM_COMMAND, IDOK, 0); }
    bool aboutOpen() const {
        return m_form->aboutBox() != nullptr && m_form->aboutBox()->window() != nullptr;
    }
    bool locked() const { return IsWindow(m_hwnd) && !IsWindowEnabled(m_hwnd); }
    bool shown() const { return IsWindow(m_hwnd) && IsWindowVisible(m_hwnd); }
    bool waitClosed() const {
        return WaitFor([&] { return !IsWindow(m_hwnd); });
    }
    bool activate() {
        SetForegroundWindow(m_hwnd);
        return WaitFor(
            [&] {
                m_form->processEvents();
                return GetActiveWindow() == m_hwnd;
            },
            5000);
    }
    std::optional<app::ControlId> keyboard() const {
        const HWND focus = GetFocus();
        for (const app::ControlId control : app::keyboardControls()) {
            if (window(control) == focus)
                return control;
        }
        return std::nullopt;
    }
    int detailRows() const { return m_form->TINF().rowCount(); }

private:
    HWND window(app::ControlId control) const {
        switch (control.kind) {
            case app::ControlId::eTaskList:
                return m_form->eTaskList().hwnd();
            case app::ControlId::TINF:
                return m_form->TINF().hwnd();
            case app::ControlId::TFRM:
                return m_form->TFRM().hwnd();
            case app::ControlId::eButton:
                return m_form->eButton(control.index);
        }
        return nullptr;
    }

    std::unique_ptr<app::win32::frmMain> m_form;
    HWND m_hwnd = m_form->hwnd();
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32FrmMain, FrontEndSuite, Win32FrontEnd);

TEST(Win32Resources, ManifestBringsTheCommonControlsOfVersion6) {
    // The manifest is linked into this test as into pelmarin.exe: comctl32 6 is loaded.
    app::win32::frmMain form(*platform::makeNativePlatform());
    using GetVersion = HRESULT(CALLBACK*)(DLLVERSIONINFO*);
    const auto getVersion = reinterpret_cast<GetVersion>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("comctl32.dll"), "DllGetVersion")));
    ASSERT_NE(getVersion, nullptr);
    DLLVERSIONINFO version{};
    version.cbSize = sizeof version;
    ASSERT_EQ(getVersion(&version), S_OK);
    if (RunningUnderWine() && version.dwMajorVersion < 6)
        GTEST_SKIP() << "Wine's comctl32 reports " << version.dwMajorVersion << "."
                     << version.dwMinorVersion;
    EXPECT_EQ(version.dwMajorVersion, 6u);
}

TEST(Win32Resources, StringTableAndVersionBlockCarryTheDesignValues) {
    // The STRINGTABLE made from strings.tsv holds what the program's table holds.
    for (int id = 0; id < 1000; ++id) {
        const wchar_t* text = nullptr;
        const int length = LoadStringW(GetModuleHandleW(nullptr), static_cast<UINT>(id),
                                       reinterpret_cast<LPWSTR>(&text), 0);
        const std::string resource =
            length > 0 ? wideToUtf8(std::wstring_view(text, static_cast<std::size_t>(length))) : "";
        EXPECT_EQ(resource, resources::LoadString(static_cast<resources::StringId>(id))) << id;
    }
    const HRSRC block =
        FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(16));
    ASSERT_NE(block, nullptr);
    const auto* data = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, block)));
    const std::size_t size = SizeofResource(nullptr, block);
    // The fixed part follows its signature; the texts are UTF-16 in the block.
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    const auto signature = bytes.find("\xBD\x04\xEF\xFE");
    ASSERT_NE(signature, std::string::npos);
    const auto* fixed = reinterpret_cast<const VS_FIXEDFILEINFO*>(data + signature);
    EXPECT_EQ(fixed->dwFileVersionMS, (2u << 16) | 50u);
    EXPECT_EQ(fixed->dwFileVersionLS, 1u << 16);
    const std::wstring wide(reinterpret_cast<const wchar_t*>(data), size / 2);
    for (const wchar_t* text : {L"2.50.0001", L"Pelorus2 Viewer", L"Pelmarin.exe", L"040904B0"})
        EXPECT_NE(wide.find(text), std::wstring::npos);
}

}  // namespace
}  // namespace pelorus::testing::win32
