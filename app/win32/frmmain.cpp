// SPDX-License-Identifier: MIT
// SPDX-FileCopyrightText: Pelorus Viewer authors
#include "app/win32/frmmain.h"

#include "about/win32/infoform.h"
#include "platform/text/wide.h"
#include "resources/win32/formmetrics.h"

namespace pelorus::app::win32 {
namespace {

using platform::ButtonIndex;
using resources::win32::FormFont;
using resources::win32::TwipsToDevice;
using text::utf8ToWide;

constexpr wchar_t kClassName[] = L"PelorusMain";
constexpr int kButtonId = 100;  // eButton(i) has the id 100 + i
constexpr int kTaskListId = 200;
constexpr int kDetailListId = 201;
constexpr int kTreeId = 202;
// The task list hands its key codes on as they come: Enter's is the one MainForm knows.
static_assert(VK_RETURN == kEnterKey);

void setText(HWND window, const std::string& text) {
    SetWindowTextW(window, utf8ToWide(text).c_str());
}

void setColumnText(HWND list, int column, const std::string& text) {
    std::wstring wide = utf8ToWide(text);
    LVCOLUMNW header{};
    header.mask = LVCF_TEXT;
    header.pszText = wide.data();
    SendMessageW(list, LVM_SETCOLUMNW, static_cast<WPARAM>(column - 1),
                 reinterpret_cast<LPARAM>(&header));
}

/// Three left-aligned columns with empty texts, at their design widths in twips.
void addColumns(HWND list, const std::array<int, 3>& widths, int dpi) {
    for (int i = 0; i < 3; ++i) {
        LVCOLUMNW column{};
        column.mask = LVCF_FMT | LVCF_WIDTH | LVCF_TEXT | LVCF_SUBITEM;
        column.fmt = LVCFMT_LEFT;
        column.cx = TwipsToDevice(widths[static_cast<std::size_t>(i)], dpi);
        column.pszText = const_cast<wchar_t*>(L"");
        column.iSubItem = i;
        SendMessageW(list, LVM_INSERTCOLUMNW, static_cast<WPARAM>(i),
                     reinterpret_cast<LPARAM>(&column));
    }
}

HICON loadIcon(int id, int size) {
    return static_cast<HICON>(
        LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(id), IMAGE_ICON, size, size, 0));
}

}  // namespace

frmMain::frmMain(platform::Platform& platform) : m_form(platform, *this) {
    static const bool registered = [] {
        INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX),
                                      ICC_LISTVIEW_CLASSES | ICC_TREEVIEW_CLASSES};
        InitCommonControlsEx(&controls);
        WNDCLASSW windowClass{};
        windowClass.lpfnWndProc = procedure;
        windowClass.hInstance = GetModuleHandleW(nullptr);
        windowClass.hIcon = loadIcon(1, 32);
        windowClass.hCursor = LoadCursorW(nullptr, reinterpret_cast<LPCWSTR>(IDC_ARROW));
        windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        windowClass.lpszClassName = kClassName;
        return RegisterClassW(&windowClass) != 0;
    }();
    (void)registered;
    m_dpi = resources::win32::SystemDpi();
    m_captionBrush = GetSysColorBrush(COLOR_ACTIVECAPTION);

    const DWORD style = WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN;
    const DWORD exStyle = WS_EX_CONTROLPARENT;
    RECT frame{0, 0, TwipsToDevice(DesignClientWidth, m_dpi),
               TwipsToDevice(DesignClientHeight, m_dpi)};
    AdjustWindowRectEx(&frame, style, FALSE, exStyle);
    m_window = CreateWindowExW(exStyle, kClassName, L"", style, CW_USEDEFAULT, CW_USEDEFAULT,
                               frame.right - frame.left, frame.bottom - frame.top, nullptr, nullptr,
                               GetModuleHandleW(nullptr), this);
    createControls();
}

frmMain::~frmMain() {
    m_about.reset();
    if (m_window)
        DestroyWindow(m_window);
    if (m_eImgList)
        ImageList_Destroy(m_eImgList);
}

void frmMain::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto make = [&](const wchar_t* className, DWORD style, DWORD exStyle, int id, bool bold) {
        const HWND control = CreateWindowExW(
            exStyle, className, L"", WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(FormFont(bold)), FALSE);
        return control;
    };
    const auto button = [&](ButtonIndex index) {
        const int i = static_cast<int>(index);
        m_eButton[static_cast<std::size_t>(i)] =
            make(L"BUTTON", BS_PUSHBUTTON | WS_TABSTOP, 0, kButtonId + i, false);
    };
    const DWORD listStyle = LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP | WS_BORDER;
    // Created in the keyboard order: the task list and its buttons, the labels (which
    // take no focus), the tree and its buttons from the right, the detail list, and
    // last Hide all.
    m_eTaskList.attach(make(WC_LISTVIEWW, listStyle, 0, kTaskListId, false));
    button(ButtonIndex::Kill);
    button(ButtonIndex::Refresh);
    button(ButtonIndex::About);
    button(ButtonIndex::Quit);
    for (std::size_t i = 0; i < m_eLabel.size(); ++i)
        m_eLabel[i] = make(L"STATIC", SS_CENTER | SS_CENTERIMAGE, 0, 0, true);
    m_TFRM.attach(make(WC_TREEVIEWW,
                       TVS_HASLINES | TVS_HASBUTTONS | TVS_LINESATROOT | TVS_SHOWSELALWAYS |
                           WS_TABSTOP | WS_BORDER,
                       0, kTreeId, false));
    button(ButtonIndex::ShowAll);
    button(ButtonIndex::RefreshWindows);
    button(ButtonIndex::Hide);
    button(ButtonIndex::Show);
    m_TINF.attach(make(WC_LISTVIEWW, listStyle, 0, kDetailListId, false));
    button(ButtonIndex::HideAll);
    EnableWindow(eButton(static_cast<int>(ButtonIndex::RefreshWindows)), FALSE);

    for (const HWND list : {m_eTaskList.hwnd(), m_TINF.hwnd()})
        SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT,
                     LVS_EX_FULLROWSELECT);
    addColumns(m_eTaskList.hwnd(), {1440, 1440, 1440}, m_dpi);
    addColumns(m_TINF.hwnd(), {1440, 1440, 21600}, m_dpi);
    // Enter released in the task list opens the row: the list sees its own key-up.
    SetWindowSubclass(m_eTaskList.hwnd(), taskListProcedure, 1, reinterpret_cast<DWORD_PTR>(this));
}

void frmMain::loadForm(const MainTexts& texts) {
    setText(m_window, texts.title);
    SendMessageW(m_window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(loadIcon(110, 32)));
    SendMessageW(m_window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(loadIcon(110, 16)));
    for (std::size_t i = 0; i < m_eLabel.size(); ++i)
        setText(m_eLabel[i], texts.eLabel[i]);
    for (std::size_t i = 0; i < m_eButton.size(); ++i)
        setText(m_eButton[i], texts.eButton[i]);
    for (int column = 1; column <= 3; ++column) {
        const auto at = static_cast<std::size_t>(column - 1);
        setColumnText(m_eTaskList.hwnd(), column, texts.taskColumns[at]);
        setColumnText(m_TINF.hwnd(), column, texts.detailColumns[at]);
    }
    m_eImgList = ImageList_Create(16, 16, ILC_COLOR4 | ILC_MASK, 2, 0);
    ImageList_AddIcon(m_eImgList, loadIcon(200, 16));
    ImageList_AddIcon(m_eImgList, loadIcon(210, 16));
    SendMessageW(m_TFRM.hwnd(), TVM_SETIMAGELIST, TVSIL_NORMAL,
                 reinterpret_cast<LPARAM>(m_eImgList));
}

void frmMain::ShowTaskDetails() {
    m_form.ShowTaskDetails();
    redrawTree();
}

void frmMain::redrawTree() {
    InvalidateRect(m_TFRM.hwnd(), nullptr, TRUE);
}

TwipSize frmMain::clientSize() const {
    RECT client{};
    GetClientRect(m_window, &client);
    using resources::win32::DeviceToTwips;
    return {DeviceToTwips(client.right, m_dpi), DeviceToTwips(client.bottom, m_dpi)};
}

void frmMain::placeControls(const ControlGeometry& boxes) {
    const auto place = [&](HWND control, const TwipRect& box) {
        const int left = TwipsToDevice(box.left, m_dpi);
        const int top = TwipsToDevice(box.top, m_dpi);
        SetWindowPos(control, nullptr, left, top, TwipsToDevice(box.left + box.width, m_dpi) - left,
                     TwipsToDevice(box.top + box.height, m_dpi) - top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    };
    for (std::size_t i = 0; i < m_eLabel.size(); ++i)
        place(m_eLabel[i], boxes.eLabel[i]);
    place(m_eTaskList.hwnd(), boxes.eTaskList);
    place(m_TINF.hwnd(), boxes.TINF);
    place(m_TFRM.hwnd(), boxes.TFRM);
    for (std::size_t i = 0; i < m_eButton.size(); ++i)
        place(m_eButton[i], boxes.eButton[i]);
}

void frmMain::pressFocusedButton() {
    const HWND focus = GetFocus();
    for (const HWND button : m_eButton) {
        if (button == focus && IsWindowEnabled(button))
            SendMessageW(button, BM_CLICK, 0, 0);
    }
}

HWND frmMain::controlWindow(ControlId control) const {
    switch (control.kind) {
        case ControlId::eTaskList:
            return m_eTaskList.hwnd();
        case ControlId::TINF:
            return m_TINF.hwnd();
        case ControlId::TFRM:
            return m_TFRM.hwnd();
        case ControlId::eButton:
            return control.index >= 0 && control.index < platform::ButtonCount
                       ? eButton(control.index)
                       : nullptr;
    }
    return nullptr;
}

std::optional<ControlId> frmMain::focusedControl() const {
    const HWND focus = GetFocus();
    if (!focus || !IsChild(m_window, focus))
        return std::nullopt;
    for (const ControlId control : keyboardControls()) {
        const HWND window = controlWindow(control);
        if (window == focus || IsChild(window, focus))
            return control;
    }
    return std::nullopt;
}

void frmMain::giveKeyboard(ControlId control) {
    // A window that is not active would be activated by SetFocus; its activation gives
    // the keyboard to the control instead.
    const HWND window = controlWindow(control);
    if (window && IsWindowEnabled(window) && GetActiveWindow() == m_window)
        SetFocus(window);
}

bool frmMain::isEnabled() const {
    return IsWindowEnabled(m_window) != FALSE;
}

void frmMain::setEnabled(bool enabled) {
    EnableWindow(m_window, enabled ? TRUE : FALSE);
}

bool frmMain::isVisible() const {
    return IsWindowVisible(m_window) != FALSE;
}

void frmMain::setVisible(bool visible) {
    ShowWindow(m_window, visible ? SW_SHOW : SW_HIDE);
    if (visible)
        SetForegroundWindow(m_window);
}

void frmMain::showAboutBox(platform::Form& frmMain) {
    if (!m_about)
        m_about = std::make_unique<about::win32::FORM_Info>(frmMain, m_window);
    m_about->setVisible(true);
}

void frmMain::close() {
    SendMessageW(m_window, WM_CLOSE, 0, 0);
}

void frmMain::closeLater() {
    PostMessageW(m_window, WM_CLOSE, 0, 0);
}

void frmMain::processEvents() {
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        if (!handleDialogMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
}

bool frmMain::handleDialogMessage(MSG& message) {
    if (m_about && m_about->handleDialogMessage(message))
        return true;
    return m_window && (message.hwnd == m_window || IsChild(m_window, message.hwnd)) &&
           IsDialogMessageW(m_window, &message);
}

int frmMain::run() {
    MSG message;
    while (GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (!handleDialogMessage(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    return static_cast<int>(message.wParam);
}

LRESULT CALLBACK frmMain::procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lParam);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* form = reinterpret_cast<frmMain*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form && form->m_window == window)
        return form->handle(message, wParam, lParam);
    return DefWindowProcW(window, message, wParam, lParam);
}

LRESULT CALLBACK frmMain::taskListProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                            UINT_PTR, DWORD_PTR data) {
    if (message == WM_GETDLGCODE && wParam == VK_RETURN)
        return DLGC_WANTALLKEYS;  // Enter belongs to the list, not to a default button
    // With Alt held the release comes as a system key: Enter opens whatever is held.
    if (message == WM_KEYUP || (message == WM_SYSKEYUP && wParam == VK_RETURN)) {
        const int shift = (GetKeyState(VK_SHIFT) < 0 ? kShiftBit : 0) |
                          (GetKeyState(VK_CONTROL) < 0 ? kCtrlBit : 0) |
                          (GetKeyState(VK_MENU) < 0 ? kAltBit : 0);
        auto* form = reinterpret_cast<frmMain*>(data);
        form->m_form.eTaskList_KeyUp(static_cast<int>(wParam), shift);
        form->redrawTree();
    }
    return DefSubclassProc(window, message, wParam, lParam);
}

LRESULT frmMain::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_COMMAND: {
            const int id = LOWORD(wParam);
            // Return (or the keypad's Enter) where no list takes it: the dialog keyboard
            // asks for the default command, which this window does not have. It presses
            // the button that has the focus, as Space does.
            if (id == IDOK) {
                pressFocusedButton();
                return 0;
            }
            if (HIWORD(wParam) == BN_CLICKED && id >= kButtonId &&
                id < kButtonId + platform::ButtonCount)
                m_form.eButton_Click(id - kButtonId);
            return 0;
        }
        case WM_NOTIFY: {
            const auto* header = reinterpret_cast<const NMHDR*>(lParam);
            if (header->hwndFrom == m_eTaskList.hwnd() && header->code == NM_DBLCLK) {
                m_form.eTaskList_DblClick();
                redrawTree();
            }
            return 0;
        }
        case WM_CTLCOLORSTATIC:
            // The header labels look like the caption bar of a panel.
            SetBkColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_ACTIVECAPTION));
            SetTextColor(reinterpret_cast<HDC>(wParam), GetSysColor(COLOR_CAPTIONTEXT));
            return reinterpret_cast<LRESULT>(m_captionBrush);
        case WM_SIZE:
            m_form.Form_Resize();
            return 0;
        case WM_ACTIVATE:
            // A window that is no dialog box keeps no focus of its own: MainForm notes the
            // control that had the keyboard and gives it back, where the system would give
            // it to the frame.
            if (LOWORD(wParam) == WA_INACTIVE) {
                m_form.windowDeactivated();
                return 0;
            }
            if (!HIWORD(wParam) && m_form.windowActivated())
                return 0;
            break;
        case WM_SETFOCUS:
            m_form.windowActivated();
            return 0;
        case WM_CLOSE:
            if (m_form.closeRequested()) {
                if (m_about)
                    m_about->setVisible(false);
                DestroyWindow(m_window);
            }
            return 0;
        case WM_DESTROY:
            m_window = nullptr;
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcW(m_window, message, wParam, lParam);
}

}  // namespace pelorus::app::win32
